#include "app/PlainTextFormat.h"

#include "app/ExchangeText.h"

namespace app {

ExchangeList PlainTextFormat::Read(std::string_view text) {
  ExchangeList list;
  size_t lineNumber = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;
    // A byte-order mark at the very start is not part of the first address.
    if (lineNumber == 1 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
    std::string_view trimmed = ExchangeText::Trim(line);
    if (trimmed.empty() || trimmed.front() == '#') continue;
    ExchangeEntry entry;
    entry.Line = lineNumber;
    const size_t tab = trimmed.rfind('\t');
    if (tab != std::string_view::npos) {
      if (const auto count = ExchangeText::Count(trimmed.substr(tab + 1))) {
        entry.NumberOfTimesToOpen = *count;
        trimmed = ExchangeText::Trim(trimmed.substr(0, tab));
      }
    }
    entry.Url = std::string(trimmed);
    list.Entries.push_back(std::move(entry));
  }
  return list;
}

std::string PlainTextFormat::Write(const std::vector<ExchangeEntry>& entries) {
  std::string out;
  for (const ExchangeEntry& e : entries) {
    out += e.Url;
    if (e.NumberOfTimesToOpen != 1) out += '\t' + std::to_string(e.NumberOfTimesToOpen);
    out += '\n';
  }
  return out;
}

}  // namespace app
