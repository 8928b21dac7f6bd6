#pragma once
// The interface between the runtime and whatever shows things to the user: the
// headless front end of tests and automation, or the desktop one. The runtime's
// services call it; it never touches a program variable. This is the place the window
// model extends (windows opened, changed and closed; popup menus; the frame's standard
// actions); for now it answers message boxes.
//
// Thread safety: an implementation is called from any program thread, several at a
// time, and each call blocks only its calling thread.

#include <cstdint>

#include "runtime/ui/MessageBoxRequest.h"

namespace runtime::ui {

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // Shows the box and waits for the user's answer; returns the value of the button
  // pressed, or the request's default button when the box was closed without one.
  virtual int32_t ShowMessageBox(const MessageBoxRequest& request) = 0;
};

}  // namespace runtime::ui
