#pragma once
// A progress window as front ends show it: its number (ProgressService numbering),
// caption, text, and how far the work has come (Done of Total). A plain value.

#include <cstdint>
#include <string>

namespace runtime::ui {

struct ProgressState {
  int32_t Number = 0;
  std::string Caption;
  std::string Text;
  int64_t Done = 0;
  int64_t Total = 0;
};

}  // namespace runtime::ui
