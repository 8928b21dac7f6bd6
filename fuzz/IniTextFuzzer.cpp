// INI text: any file content parses; an entry that is set reads back as set, and the
// rest of the file keeps its entries.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/FuzzInput.h"
#include "runtime/settings/IniText.h"

using runtime::settings::IniText;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::Parts(data, size, 3);
  IniText text(parts[0]);
  const std::string section(IniText::Trim(parts[1]));
  const std::string entry(IniText::Trim(parts[2]));
  (void)text.Find(section, entry);
  // Only names the writer accepts: no line break, "]" or "=", not a comment.
  const bool usable = !section.empty() && !entry.empty() && section.find_first_of("]\r\n") == std::string::npos &&
                      entry.find_first_of("=\r\n") == std::string::npos && entry[0] != ';' && entry[0] != '#' &&
                      entry[0] != '[';
  if (!usable) return 0;
  text.Set(section, entry, "fuzz value");
  const auto value = text.Find(section, entry);
  if (!value || *value != "fuzz value") std::abort();
  IniText again(text.Join());
  const auto reread = again.Find(section, entry);
  if (!reread || *reread != "fuzz value") std::abort();
  if (!again.Remove(section, entry) || again.Find(section, entry)) std::abort();
  return 0;
}
