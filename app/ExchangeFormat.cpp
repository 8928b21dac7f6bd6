#include "app/ExchangeFormat.h"

#include "app/BookmarkHtmlFormat.h"
#include "app/CsvFormat.h"
#include "app/ExchangeText.h"
#include "app/PlainTextFormat.h"
#include "runtime/text/AsciiCase.h"

namespace app {

std::optional<ExchangeFormat> ExchangeFormats::FromFileName(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::string ext = runtime::text::AsciiCase::ToLower(std::string(name.substr(dot + 1)));
  if (ext == "htm") return ExchangeFormat::BookmarkHtml;
  return FromName(ext);
}

std::optional<ExchangeFormat> ExchangeFormats::FromName(std::string_view name) {
  const std::string n = runtime::text::AsciiCase::ToLower(std::string(name));
  if (n == "html") return ExchangeFormat::BookmarkHtml;
  if (n == "txt" || n == "text") return ExchangeFormat::PlainText;
  if (n == "csv") return ExchangeFormat::Csv;
  return std::nullopt;
}

ExchangeList ExchangeFormats::Read(ExchangeFormat format, std::string_view text) {
  switch (format) {
    case ExchangeFormat::BookmarkHtml: return BookmarkHtmlFormat::Read(text);
    case ExchangeFormat::PlainText: return PlainTextFormat::Read(text);
    case ExchangeFormat::Csv: return CsvFormat::Read(text);
  }
  return {};
}

std::string ExchangeFormats::Write(ExchangeFormat format, const std::vector<ExchangeEntry>& entries) {
  switch (format) {
    case ExchangeFormat::BookmarkHtml: return BookmarkHtmlFormat::Write(entries);
    case ExchangeFormat::PlainText: return PlainTextFormat::Write(entries);
    case ExchangeFormat::Csv: return CsvFormat::Write(entries);
  }
  return {};
}

}  // namespace app
