#pragma once
// The interface between the runtime and whatever shows things to the user: the
// headless front end of tests and automation, or the desktop one. The runtime's
// services call it; it never touches a program variable. It learns that a window
// opened, changed or closed (and reads the window from WindowModel::Snapshot), answers
// message boxes, popup menus and file choosers, shows progress windows, carries out
// the frame's standard actions and shows the wait cursor. User input goes back
// through WindowModel::Input and its kin. One front end at a time is installed
// (Install): it serves every window service.
//
// Thread safety: Install and Installed may be called from any thread. An
// implementation is called from any program thread, several at a time, never while
// the window model's lock is held; ShowMessageBox, ShowPopupMenu, ChooseFile and
// OpenProgress block only their calling thread.

#include <cstdint>
#include <memory>
#include <optional>

#include "runtime/ui/FileChooserRequest.h"
#include "runtime/ui/FrameAction.h"
#include "runtime/ui/MessageBoxRequest.h"
#include "runtime/ui/PopupMenu.h"
#include "runtime/ui/ProgressState.h"

namespace runtime::ui {

class FrontEnd {
 public:
  // Makes `frontEnd` the one that shows every window service (message boxes, popup
  // menus, file choosers, progress, window notices, standard actions, the wait
  // cursor); nullptr removes it. A
  // call already made to the old one finishes there.
  static void Install(std::shared_ptr<FrontEnd> frontEnd);
  // The installed front end, or nullptr.
  static std::shared_ptr<FrontEnd> Installed();

  virtual ~FrontEnd() = default;

  // Shows the box and waits for the user's answer; returns the value of the button
  // pressed, or the request's default button when the box was closed without one.
  virtual int32_t ShowMessageBox(const MessageBoxRequest& request) = 0;

  // Shows the menu at (x, y) (0, 0: at the mouse) and waits; returns the number of the
  // chosen item (PopupMenu numbering), 0 when the menu was dismissed.
  virtual int32_t ShowPopupMenu(const PopupMenu& menu, int32_t x, int32_t y) {
    (void)menu;
    (void)x;
    (void)y;
    return 0;
  }

  // Lets the person choose a file and waits; nothing when the chooser was dismissed.
  virtual std::optional<FileChooserRequest::Choice> ChooseFile(const FileChooserRequest& request) {
    (void)request;
    return std::nullopt;
  }

  // A progress window (ProgressService): opened (returns once it shows), moved on,
  // closed. The person's Cancel goes back through ProgressService::Cancel.
  virtual void OpenProgress(const ProgressState& state) { (void)state; }
  virtual void ShowProgress(const ProgressState& state) { (void)state; }
  virtual void CloseProgress(int32_t progress) { (void)progress; }

  virtual void WindowOpened(int32_t window) { (void)window; }
  // Title, state, texts, rows or the focus changed (a redisplay, a property write).
  virtual void WindowChanged(int32_t window) { (void)window; }
  virtual void WindowClosed(int32_t window) { (void)window; }

  // A frame menu item bound to a standard action was chosen in `window`.
  virtual void CarryOut(FrameAction action, int32_t window) {
    (void)action;
    (void)window;
  }
  virtual void SetWaitCursor(bool on) { (void)on; }
  // Sounds the warning beep (a refused entry); frequency in hertz, duration in hundredths
  // of a second, both hints a front end may ignore.
  virtual void Beep(int32_t frequency, int32_t duration) {
    (void)frequency;
    (void)duration;
  }
};

}  // namespace runtime::ui
