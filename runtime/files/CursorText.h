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

  static std::string Encode(const SqlValue& value);
  // nullopt for an item that is no value.
  static std::optional<SqlValue> Decode(std::string_view item);
};

}  // namespace runtime::files
