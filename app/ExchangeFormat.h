#pragma once
// The exchange formats by name: which one a file name or a --format word means, and
// reading and writing through the format's own reader and writer.
//
// Stateless; any thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ExchangeList.h"

namespace app {

enum class ExchangeFormat { BookmarkHtml, PlainText, Csv };

class ExchangeFormats {
 public:
  // ".html"/".htm", ".txt", ".csv" (any letter case); nothing for another extension.
  static std::optional<ExchangeFormat> FromFileName(std::string_view path);
  // "html", "txt"/"text", "csv" (any letter case).
  static std::optional<ExchangeFormat> FromName(std::string_view name);
  static ExchangeList Read(ExchangeFormat format, std::string_view text);
  static std::string Write(ExchangeFormat format, const std::vector<ExchangeEntry>& entries);
};

}  // namespace app
