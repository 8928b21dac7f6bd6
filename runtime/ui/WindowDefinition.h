#pragma once
// A window as its procedure describes it: caption, icon, font, size, style and the
// controls in declaration order (menus and items included). WindowModel::Open makes
// a live window from it. A plain value, built with WindowBuilder; copy it freely.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui/ControlDefinition.h"

namespace runtime::ui {

struct WindowDefinition {
  // A position of this value lets the front end place the window.
  static constexpr int32_t DefaultPosition = INT32_MIN;

  std::string Name;  // the definition's own name ("Error", "P1$APPFRAME")
  std::string Caption;
  std::string Icon;
  std::string Font;
  int32_t FontSize = 8;
  int32_t X = DefaultPosition;
  int32_t Y = DefaultPosition;
  int32_t Width = 0;
  int32_t Height = 0;
  bool SystemMenu = false;
  bool Resizable = false;
  bool MdiChild = false;  // opens inside the application frame when one is open
  bool Frame = false;     // this is the application frame
  bool Maximized = false;
  std::vector<ControlDefinition> Controls;

  // The control of that name or number, or nullptr.
  const ControlDefinition* Find(std::string_view name) const {
    for (const ControlDefinition& c : Controls)
      if (c.Name == name) return &c;
    return nullptr;
  }
  const ControlDefinition* Find(int32_t number) const {
    for (const ControlDefinition& c : Controls)
      if (c.Number == number) return &c;
    return nullptr;
  }
};

}  // namespace runtime::ui
