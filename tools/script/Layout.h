#pragma once
// The layout check both script drivers share: every control given lies inside the
// window and over no other. Plain functions over values.

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/ui/headless/DriverResult.h"

namespace tools::script {

struct LaidOut {
  std::string Name;
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

// Sheets, tabs, groups, boxes, lines and menus hold or frame other controls.
bool IsContainer(int32_t type);
// Success, or a failure naming the control outside the window or the two that overlap.
runtime::ui::headless::DriverResult CheckPlaced(const std::vector<LaidOut>& placed, int32_t width, int32_t height);

}  // namespace tools::script
