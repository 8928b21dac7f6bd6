#pragma once
// Length limits on texts the error manager keeps and shows. Limits count bytes of
// UTF-8 and never cut a character in half; "blanks" are spaces. Pure functions.

#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/text/Utf8.h"

namespace framework::error {

struct TextLimit {
  // Longest file, key and field name and message argument.
  static constexpr size_t NameLength = 1023;
  // Longest runtime and driver error text (and driver code) kept for a message.
  static constexpr size_t CapturedLength = 254;
  // Longest message text while its placeholders are filled, and as returned.
  static constexpr size_t WorkingLength = 1999;
  // Longest message text kept in the history.
  static constexpr size_t HistoryLength = 1023;

  // The longest prefix of `text` of at most `limit` bytes that ends on a character boundary.
  static std::string Cut(std::string_view text, size_t limit) {
    return std::string(runtime::text::Utf8::Prefix(text, limit));
  }

  static std::string_view ClipTrailingBlanks(std::string_view text) {
    size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
  }

  // Trailing blanks removed, then cut to `limit`.
  static std::string ClipAndCut(std::string_view text, size_t limit) {
    return Cut(ClipTrailingBlanks(text), limit);
  }
};

}  // namespace framework::error
