#pragma once
// Text rules shared by the exchange formats and the import: whether an address can
// be stored as it stands (never cut, never changed), how an entry is shown in a
// short report, and the whole-number reading used for counts.
//
// Stateless; any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace app {

class ExchangeText {
 public:
  // The longest address the record holds, in bytes.
  static constexpr size_t MaxUrlBytes = 199;
  // How much of a refused entry the report shows.
  static constexpr size_t ExcerptBytes = 60;

  // "" when `url` can be stored as it stands; otherwise why not.
  static std::string RefusalReason(std::string_view url);
  // True when `text` is well-formed UTF-8.
  static bool IsUtf8(std::string_view text);
  // The text made printable and short for a report line: bytes that are not UTF-8
  // and control characters become "?", and a long text ends in "...".
  static std::string Excerpt(std::string_view text);
  // A whole number in the range of a count, optionally signed, blanks around it
  // allowed; nothing for anything else.
  static std::optional<int32_t> Count(std::string_view text);
  // Blanks (spaces, tabs, CR) removed from both ends.
  static std::string_view Trim(std::string_view text);
};

}  // namespace app
