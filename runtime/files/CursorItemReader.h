#pragma once
// The items of a saved cursor or position text (see CursorText), shared by every driver
// that keeps its cursor state in that form, so that each reads and writes it one way.
// Plain values; any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/files/CursorText.h"
#include "runtime/files/SqlValue.h"

namespace runtime::files {

// Reads the items of a saved cursor text in order.
class CursorItemReader {
 public:
  explicit CursorItemReader(std::vector<std::string> items) : Items(std::move(items)) {}
  bool Integer(int64_t& out) {
    auto v = Value();
    if (!v || v->Kind != SqlValue::Type::Integer) return Bad();
    out = v->Integer;
    return true;
  }
  bool Flag(bool& out) {
    int64_t v = 0;
    if (!Integer(v)) return false;
    out = v != 0;
    return true;
  }
  bool Values(std::vector<SqlValue>& out) {
    int64_t n = 0;
    if (!Integer(n) || n < 0) return Bad();
    out.clear();
    for (int64_t i = 0; i < n; ++i) {
      auto v = Value();
      if (!v) return Bad();
      out.push_back(std::move(*v));
    }
    return true;
  }
  bool Ok() const { return !Failed && At == Items.size(); }

 private:
  std::optional<SqlValue> Value() {
    if (At >= Items.size()) return std::nullopt;
    return CursorText::Decode(Items[At++]);
  }
  bool Bad() {
    Failed = true;
    return false;
  }
  std::vector<std::string> Items;
  size_t At = 1;  // item 0 is the tag
  bool Failed = false;
};

// Appends a list of values to a cursor text's items: their count, then each value.
inline void AddCursorValues(std::vector<std::string>& items, const std::vector<SqlValue>& values) {
  items.push_back(CursorText::Encode(SqlValue::OfInteger(static_cast<int64_t>(values.size()))));
  for (const SqlValue& v : values) items.push_back(CursorText::Encode(v));
}

// One integer item of a cursor text.
inline std::string CursorInteger(int64_t v) { return CursorText::Encode(SqlValue::OfInteger(v)); }

}  // namespace runtime::files
