#pragma once
// One column value as the SQLite driver moves it between a record image, a statement
// and a cursor or position text: an integer, a real, a text, or the bytes of a BLOB
// another program stored (kept as a BLOB so that it compares and sorts as stored).
// Plain value.

#include <cstdint>
#include <string>

namespace runtime::files {

struct SqlValue {
  enum class Type : uint8_t { Integer, Real, Text, Blob };

  Type Kind = Type::Integer;
  int64_t Integer = 0;
  double Real = 0;
  std::string Text;

  static SqlValue OfInteger(int64_t v) { return {Type::Integer, v, 0, {}}; }
  static SqlValue OfReal(double v) { return {Type::Real, 0, v, {}}; }
  static SqlValue OfText(std::string v) { return {Type::Text, 0, 0, std::move(v)}; }
  static SqlValue OfBlob(std::string bytes) { return {Type::Blob, 0, 0, std::move(bytes)}; }
  bool operator==(const SqlValue&) const = default;
};

}  // namespace runtime::files
