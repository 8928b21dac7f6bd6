#pragma once
// One message kept in the error history: its category, its text as shown (placeholders
// filled, "|" kept) and the id of the error. A plain value, guarded by the manager's lock.

#include <cstdint>
#include <string>

namespace framework::error {

struct HistoryEntry {
  std::string Category;
  std::string Txt;
  int16_t Id = 0;
};

}  // namespace framework::error
