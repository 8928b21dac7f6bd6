#pragma once
// Turns lists of values into one text and back, for the SQLite driver's position
// and saved-cursor texts: items are joined with "|", and "\" and "|" inside an item
// are escaped with "\". A value item starts with its type letter (i integer, r real,
// t text). Pure functions: safe from any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/files/SqlValue.h"

namespace runtime::files {

class CursorText {
 public:
  static std::string Join(const std::vector<std::string>& items);
  // Adds one item to a text Join builds: the first item of the text, or one after it.
  enum class ItemPlace : uint8_t { First, Later };
  static void Append(std::string& out, std::string_view item, ItemPlace place);
  // Append(out, Encode(value), place), without the item's own text.
  static void AppendValue(std::string& out, const SqlValue& value, ItemPlace place);
  // nullopt for a text with a dangling escape.
  static std::optional<std::vector<std::string>> Split(std::string_view text);
  // The items Split gives, handed one at a time to `each(item)` (a view good for that
  // call only; `scratch` holds an item that had escapes) until it answers false.
  // False when `each` stopped or the text has a dangling escape (found when reached).
  template <class Each>
  static bool EachItem(std::string_view text, std::string& scratch, Each each);

  static std::string Encode(const SqlValue& value);
  // nullopt for an item that is no value.
  static std::optional<SqlValue> Decode(std::string_view item);

 private:
  static constexpr char Separator = '|';
  static constexpr char Escape = '\\';
};

template <class Each>
bool CursorText::EachItem(std::string_view text, std::string& scratch, Each each) {
  while (true) {
    const size_t end = text.find_first_of(std::string_view("|\\", 2));
    if (end == std::string_view::npos) return each(text);
    if (text[end] == Separator) {
      if (!each(text.substr(0, end))) return false;
      text.remove_prefix(end + 1);
      continue;
    }
    // An item with escapes is put together in the scratch text.
    scratch.assign(text.substr(0, end));
    size_t i = end;
    for (; i < text.size() && text[i] != Separator; ++i) {
      if (text[i] == Escape && ++i == text.size()) return false;
      scratch += text[i];
    }
    if (!each(std::string_view(scratch))) return false;
    if (i == text.size()) return true;
    text.remove_prefix(i + 1);
  }
}

}  // namespace runtime::files
