#pragma once
// One event on its way to a window's event loop: the event number, the control it
// concerns (0: the window itself), the window (0: whichever window of the thread
// takes input), the key code that came with user input, the post's argument, and for
// notifications the code, the sending thread and the parameter. A plain value.

#include <cstdint>

namespace runtime::ui {

struct PostedEvent {
  int32_t Number = 0;
  int32_t Control = 0;
  int32_t Window = 0;
  int32_t KeyCode = 0;
  bool FromUser = false;  // user input: the thread's key code becomes KeyCode
  int32_t Argument = 0;   // the post's own argument, read back by the handler
  int32_t NotifyCode = 0;
  int32_t NotifyThread = 0;
  int64_t NotifyParameter = 0;
};

}  // namespace runtime::ui
