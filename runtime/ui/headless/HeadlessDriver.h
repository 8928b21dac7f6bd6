#pragma once
// Drives the windows of a program that runs on the headless front end, the way a user
// would: find a window by its title, choose a menu item, press a button, type into an
// entry, select a list row, press a key, answer message boxes and popup menus, wait
// until every thread is idle, and print a window as text for assertions. Input goes
// through the runtime's input calls, so it obeys the same rules as a user's: only the
// newest window of a thread takes input, and hidden or disabled controls take none.
//
// Controls are named by their name ("?OK"), by their text as written ("&OK") or
// without its "&" markers ("OK"), or by their name without its "?" ("Times"). Every step that waits gives up after Timeout and fails with a
// clear message; failures are also added to the front end's Failures().
//
// Printed windows look like this (controls in declaration order; menu items indented
// under their menus; flags after the text; list rows below their list, ">" marking
// the selected row):
//
//   window "Error" 320x96
//     300 ?IMAGE image
//     200 ?LIST list rows 2 selected 1
//       > 1 | Disk full | File
//         2 | Record changed | File
//     100 ?BUTTON8 button "O&k" default focus
//     101 ?BUTTON7 button "Button 7" hidden
//
// Thread safety: a driver is used by one thread (the test's); the program runs on its
// own threads meanwhile.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "runtime/ui/headless/DriverResult.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"

namespace runtime::ui::headless {

class HeadlessDriver {
 public:
  static constexpr std::chrono::milliseconds DefaultTimeout{5000};

  explicit HeadlessDriver(HeadlessFrontEnd& screen, std::chrono::milliseconds timeout = DefaultTimeout);
  void SetTimeout(std::chrono::milliseconds timeout) { Timeout = timeout; }

  // Waits for a window with that title (the newest when several); its number, or 0
  // with a failure naming the windows that are open.
  int32_t FindWindow(std::string_view title);
  DriverResult WaitClosed(int32_t window);

  DriverResult ChooseMenu(int32_t window, std::string_view item);
  DriverResult Press(int32_t window, std::string_view button);
  // Replaces the entry's screen text and leaves it (Accepted).
  DriverResult Type(int32_t window, std::string_view entry, std::string_view text);
  // Clears the entry and types `text` into it character by character without leaving
  // it, as a person typing would (EditText for each keystroke).
  DriverResult Edit(int32_t window, std::string_view entry, std::string_view text);
  DriverResult SelectRow(int32_t window, std::string_view list, int32_t row);
  DriverResult DoubleClickRow(int32_t window, std::string_view list, int32_t row);
  DriverResult RightClickRow(int32_t window, std::string_view list, int32_t row);
  // Gives the control the focus as a click on it would.
  DriverResult Focus(int32_t window, std::string_view control);
  // A key as the focused control gets it, routed as InputRouter::Key decides; a key
  // that does nothing there fails.
  DriverResult PressKey(int32_t window, int32_t key);
  // The front end reports that the list now shows `rows` rows (as after a resize).
  DriverResult ResizeList(int32_t window, std::string_view list, int32_t rows);

  void AnswerMessageBox(int32_t button) { Screen.QueueAnswer(button); }
  void AnswerPopup(int32_t number) { Screen.QueuePopupAnswer(number); }
  void AnswerPopup(std::string text) { Screen.QueuePopupAnswer(std::move(text)); }

  // Waits until every event queue is empty and every loop waits (threads waiting for
  // a message box or popup answer count as idle).
  DriverResult WaitIdle();

  // The window as text (see above); "no window N" when it is not open.
  static std::string Print(int32_t window);

  // The message of the last failed step.
  const std::string& LastFailure() const { return Last; }

 private:
  DriverResult Fail(std::string message);
  // The control's number by name or text, or 0 with the failure text in `failure`.
  int32_t Resolve(int32_t window, std::string_view control, std::string& failure);
  DriverResult FromRefusal(std::string refusal);

  HeadlessFrontEnd& Screen;
  std::chrono::milliseconds Timeout;
  std::string Last;
};

}  // namespace runtime::ui::headless
