// Script files: any text parses into steps or line-numbered mistakes, never a crash.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tools/script/ScriptParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> errors;
  const auto steps =
      tools::script::ScriptParser::Parse(std::string_view(reinterpret_cast<const char*>(data), size), errors);
  for (const auto& step : steps) {
    if (step.Command.empty()) std::abort();
  }
  if (!errors.empty() && !steps.empty()) std::abort();
  return 0;
}
