#include "app/CsvFormat.h"

#include "app/ExchangeText.h"
#include "runtime/text/AsciiCase.h"

namespace app {
namespace {

// Reads one record from `text` at `pos` into `fields`; advances `pos` past its line
// end and `line` by the line ends it consumed.
void ReadRecord(std::string_view text, size_t& pos, size_t& line, std::vector<std::string>& fields) {
  fields.assign(1, std::string());
  bool quoted = false;
  while (pos < text.size()) {
    const char c = text[pos++];
    if (quoted) {
      if (c == '"') {
        if (pos < text.size() && text[pos] == '"') {
          fields.back() += '"';
          ++pos;
        } else {
          quoted = false;
        }
      } else {
        if (c == '\n') ++line;
        fields.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else if (c == '\n') {
      ++line;
      break;
    } else if (c != '\r' || (pos < text.size() && text[pos] != '\n')) {
      fields.back() += c;
    }
  }
}

bool NeedsQuotes(std::string_view field) {
  return field.find_first_of(",\"\r\n") != std::string_view::npos ||
         (!field.empty() && (field.front() == ' ' || field.back() == ' '));
}

std::string Field(std::string_view field) {
  if (!NeedsQuotes(field)) return std::string(field);
  std::string out = "\"";
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace

ExchangeList CsvFormat::Read(std::string_view text) {
  ExchangeList list;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  size_t pos = 0;
  size_t line = 1;
  std::vector<std::string> fields;
  bool first = true;
  while (pos < text.size()) {
    const size_t start = line;
    ReadRecord(text, pos, line, fields);
    const bool header = first && runtime::text::AsciiCase::ToLower(std::string(ExchangeText::Trim(fields[0]))) == "url";
    first = false;
    if (header) continue;
    if (fields.size() == 1 && ExchangeText::Trim(fields[0]).empty()) continue;  // a blank line
    ExchangeEntry entry;
    entry.Line = start;
    entry.Url = std::move(fields[0]);
    if (fields.size() > 1 && !ExchangeText::Trim(fields[1]).empty()) {
      const auto count = ExchangeText::Count(fields[1]);
      if (!count) {
        list.Refused.push_back({start, ExchangeText::Excerpt(entry.Url),
                                "the count is not a whole number from -2147483648 to 2147483647"});
        continue;
      }
      entry.NumberOfTimesToOpen = *count;
    }
    list.Entries.push_back(std::move(entry));
  }
  return list;
}

std::string CsvFormat::Write(const std::vector<ExchangeEntry>& entries) {
  std::string out = std::string(Header) + "\r\n";
  for (const ExchangeEntry& e : entries) out += Field(e.Url) + "," + std::to_string(e.NumberOfTimesToOpen) + "\r\n";
  return out;
}

}  // namespace app
