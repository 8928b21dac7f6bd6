#pragma once
// The runtime's message box service: program code asks here, and the installed front
// end (FrontEnd::Install) shows the box. The calling thread waits for the answer;
// other threads go on. With no front end installed nothing is shown and the default
// button is the answer.
//
// Thread safety: may be called from any thread. Installing a new front end (or none)
// while a box is open lets that box finish on the front end that showed it.

#include <cstdint>

#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/MessageBoxRequest.h"

namespace runtime::ui {

class MessageBoxService {
 public:
  // Shows the box and returns the value of the button pressed (the default button
  // when no front end is installed or the box was closed without one).
  static int32_t ShowMessage(const MessageBoxRequest& request);
};

}  // namespace runtime::ui
