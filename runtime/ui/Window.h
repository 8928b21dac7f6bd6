#pragma once
// A live window of the model: title, position and size in dialog units, state,
// owner, whether it sits inside the application frame, the thread that owns it, the
// control with the focus, its timer and its controls in declaration order. Held inside
// the model under its lock; front ends see copies (WindowModel::Snapshot).

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/ui/Control.h"

namespace runtime::ui {

struct Window {
  int32_t Id = 0;
  std::string DefinitionName;
  std::string Title;
  std::string Icon;
  std::string Font;
  int32_t FontSize = 0;
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;   // the size it has when neither maximized nor minimized
  int32_t Height = 0;
  int32_t ShownWidth = 0;  // the inner size shown while maximized (0: not known yet)
  int32_t ShownHeight = 0;
  int32_t DefinedWidth = 0;  // the size its definition gives
  int32_t DefinedHeight = 0;
  bool Maximized = false;
  bool Iconized = false;
  bool Resizable = false;
  bool SystemMenu = false;
  bool MdiChild = false;  // opened inside the application frame
  bool Frame = false;     // the application frame itself
  int32_t Owner = 0;
  int32_t Thread = 0;
  int32_t Focus = 0;
  int32_t TimerPeriod = 0;  // hundredths of a second, 0 off
  std::vector<Control> Controls;
  std::map<std::pair<int32_t, int32_t>, std::string> Other;

  Control* Find(int32_t number) {
    for (Control& c : Controls)
      if (c.Number == number) return &c;
    return nullptr;
  }
  const Control* Find(int32_t number) const { return const_cast<Window*>(this)->Find(number); }
  const Control* Find(std::string_view name) const {
    for (const Control& c : Controls)
      if (c.Name == name) return &c;
    return nullptr;
  }
};

}  // namespace runtime::ui
