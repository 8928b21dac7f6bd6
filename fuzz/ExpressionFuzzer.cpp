// Filter expressions: any text parses to an expression or a clear error, and an
// expression evaluates on bound variables without a crash.
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz/FuzzInput.h"
#include "runtime/data/FieldRef.h"
#include "runtime/text/Expression.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::Parts(data, size, 2);
  char name[20] = "Alpha";
  int32_t count = 7;
  std::string free = parts[1];
  auto resolver = [&](std::string_view n) -> std::optional<runtime::data::FieldRef> {
    if (n == "NAME") return runtime::data::FieldRef::Of(name);
    if (n == "COUNT") return runtime::data::FieldRef::Of(count);
    if (n == "FREE") return runtime::data::FieldRef::Of(free);
    return std::nullopt;
  };
  runtime::text::Expression e;
  if (e.Parse(parts[0], resolver).IsError()) return 0;
  (void)e.Evaluate();
  (void)e.Accepts();
  runtime::data::FieldRef field;
  bool upper = false;
  (void)e.IsField(field, upper);
  return 0;
}
