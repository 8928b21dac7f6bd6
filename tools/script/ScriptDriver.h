#pragma once
// What vorkan42-script needs of a front end to carry out its steps: start and stop the
// program, find windows by title, act on their controls as a person would, answer
// message boxes and popup menus, and read back what a window shows. Two drivers
// implement it: HeadlessScriptDriver on the window model, DesktopScriptDriver on the
// real desktop widgets. The runner does not know which one it drives; the same script
// gives the same output on both.
//
// Every step that waits gives up after the timeout and fails with a clear message.
// Controls are named by their name ("?OK"), by their text as written ("&OK") or without
// its "&" markers ("OK"), or by their name without its "?".
//
// Thread safety: a driver is used by one thread, the runner's; the program runs on its
// own threads meanwhile.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui/headless/DriverResult.h"

namespace tools::script {

using runtime::ui::headless::DriverResult;

class ScriptDriver {
 public:
  // A message box as it was shown.
  struct ShownBox {
    std::string Caption;
    std::string Text;
  };

  virtual ~ScriptDriver() = default;

  // Starts the program; false with the reason in `why`.
  virtual bool Start(std::string& why) = 0;
  // Closes the frame through its normal close path and waits for the program to end;
  // false (with the reason) when it had to be stopped.
  virtual bool ShutDown(std::string_view frameTitle, std::string& why) = 0;
  virtual void SetTimeout(std::chrono::milliseconds timeout) = 0;

  // Waits for a window with that title (the newest when several) to be shown and at
  // rest; its number, or 0 (LastFailure says why).
  virtual int32_t FindWindow(std::string_view title) = 0;
  // Waits until no window has that title.
  virtual DriverResult WaitClosedTitle(std::string_view title) = 0;
  virtual bool Exists(int32_t window) const = 0;
  // Waits until the program has handled everything it was given and the screen shows it.
  virtual DriverResult WaitIdle() = 0;

  virtual DriverResult ChooseMenu(int32_t window, std::string_view item) = 0;
  virtual DriverResult Press(int32_t window, std::string_view button) = 0;
  // Replaces the entry's text and leaves it.
  virtual DriverResult Type(int32_t window, std::string_view entry, std::string_view text) = 0;
  // Replaces the entry's text key by key and stays in it.
  virtual DriverResult Edit(int32_t window, std::string_view entry, std::string_view text) = 0;
  virtual DriverResult SelectRow(int32_t window, std::string_view list, int32_t row) = 0;
  virtual DriverResult DoubleClickRow(int32_t window, std::string_view list, int32_t row) = 0;
  virtual DriverResult RightClickRow(int32_t window, std::string_view list, int32_t row) = 0;
  virtual DriverResult Focus(int32_t window, std::string_view control) = 0;
  virtual DriverResult PressKey(int32_t window, int32_t key) = 0;
  // Asks the window to close, as its close box would.
  virtual DriverResult Close(int32_t window) = 0;
  // Maximizes the window, or brings it back to its normal size, as its title bar would.
  enum class Shape { Maximized, Normal };
  virtual DriverResult Reshape(int32_t window, Shape shape) = 0;
  // Every shown control that is not a container (sheet, tab, group, box, menu) lies
  // inside the window and over no other; otherwise a failure naming the two.
  virtual DriverResult CheckLayout(int32_t window) = 0;

  // Answers for the next message box (a button value) and popup menu (an item number,
  // 0 dismissing it, or an item's text without its "&" markers).
  virtual void AnswerMessageBox(int32_t button) = 0;
  virtual void AnswerPopup(int32_t number) = 0;
  virtual void AnswerPopup(std::string text) = 0;
  // Every message box shown so far, in order.
  virtual std::vector<ShownBox> MessageBoxes() const = 0;
  // Every popup menu shown so far, in order, each as PopupMenu::Print gives it (on the
  // desktop built from the menu's actions, so it says what the screen showed).
  virtual std::vector<std::string> PopupMenus() const = 0;
  // The answer for the next file chooser: the file typed into it (a relative name is
  // in the program's folder), or nothing to dismiss it.
  virtual void AnswerFileChooser(std::optional<std::string> path) = 0;
  // The next progress window is cancelled as soon as it shows.
  virtual void CancelProgress() = 0;

  // The window as text (see HeadlessDriver::Print for the layout).
  virtual std::string Print(int32_t window) = 0;
  // The text a control shows; false with the reason when there is no such control.
  virtual bool ControlText(int32_t window, std::string_view control, std::string& text, std::string& why) = 0;

  // The message of the last failed step, and every failure the driver noticed on its
  // own (a box nobody answered).
  virtual std::string LastFailure() const = 0;
  virtual std::vector<std::string> Failures() const = 0;
};

}  // namespace tools::script
