#pragma once
// The text a menu shows beside an item for the key that does the same: "Ins", "Del",
// "Ctrl+Enter", "Shift+F10". Both front ends and the printed form of a popup menu use
// this one table, so that what a script reads back is the same on each. Pure; safe
// from any thread.

#include <cstdint>
#include <string>

namespace runtime::ui {

class KeyName {
 public:
  // The key's text with its modifiers first (Ctrl, Shift, Alt); "" for mouse codes and
  // keys without a name.
  static std::string Of(int32_t code);
};

}  // namespace runtime::ui
