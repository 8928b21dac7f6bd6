#pragma once
// The text of an INI file as lines, with what the reader needs to find entries at
// once: "[Section]" lines followed by "Entry=Value" lines, names compared without
// regard to ASCII case, values without surrounding blanks, ";" and "#" comments.
// Lines it does not understand (a damaged file) are kept as they are. Edits keep every
// other line, its order and the file's line ends.
//
// A plain value: one thread at a time may change it; a const IniText may be read by
// any number of threads at once.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace runtime::settings {

class IniText {
 public:
  IniText() = default;
  explicit IniText(std::string_view content);

  // The value of the first `entry` in the first matching section, if any. Constant
  // time: the entries are indexed when the text is parsed and after each edit.
  std::optional<std::string_view> Find(std::string_view section, std::string_view entry) const;

  // Sets the first matching entry, or adds it at the end of the first matching section
  // (after its last non-blank line), or adds the section at the end. Names and value
  // are taken as given (the caller trims and checks them).
  void Set(std::string_view section, std::string_view entry, std::string_view value);
  // Removes every matching entry; false when there was none.
  bool Remove(std::string_view section, std::string_view entry);

  // The whole text again, every line ended by "\n".
  std::string Join() const;

  static std::string_view Trim(std::string_view text);
  static bool EqualNoCase(std::string_view a, std::string_view b);

 private:
  void Index();
  std::string Line(std::string_view text) const;

  std::vector<std::string> Lines;  // without the "\n"; a CRLF file keeps its "\r"
  bool CrLf = false;
  // Lower-case "section\nentry" -> the line of its first occurrence.
  std::unordered_map<std::string, size_t> Entries;
};

}  // namespace runtime::settings
