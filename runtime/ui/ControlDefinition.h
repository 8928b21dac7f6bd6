#pragma once
// One control of a window definition: what the window shows before the program
// touches it. Menus and menu items are controls too, with negative numbers and the
// menu that contains them as Parent. A plain value; copy it freely.

#include <cstdint>
#include <string>

#include "runtime/ui/FrameAction.h"

namespace runtime::ui {

struct ControlDefinition {
  int32_t Number = 0;  // 0 until WindowBuilder::Build numbers it
  int32_t Type = 0;    // ControlType
  std::string Name;    // "?OK", "?BROWSE:1"; may be empty
  std::string Text;    // caption, prompt or menu text ("&File")
  std::string Message; // status-bar message
  std::string Tip;     // tooltip
  std::string Format;  // list: format string
  std::string Picture; // entry: picture of the bound variable
  std::string Icon;
  int32_t X = 0;       // position and size in dialog units, relative to the window
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Parent = 0;  // containing control: the menu of an item, the sheet of a tab (0 none)
  bool Hidden = false;
  bool Disabled = false;
  bool Default = false;   // the button Enter presses
  bool ReadOnly = false;
  FrameAction Action = FrameAction::None;  // menu items: a standard frame action
};

}  // namespace runtime::ui
