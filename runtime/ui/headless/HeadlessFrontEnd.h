#pragma once
// The front end without a screen, for tests and automation. It records every message
// box it is asked to show and answers each from a queue of button values, filled
// beforehand or by another thread while the box waits; popup menus likewise, from a
// queue of item numbers or item texts. It never waits forever: a box or menu left
// without an answer for AnswerTimeout is recorded as a failure ("no answer for message
// box '<caption>'", "no answer for popup menu ...") and answered with its default
// button, or 0 for a menu; file choosers likewise, from a queue of file names. Progress
// windows are recorded, and cancelled when a cancel was queued. It records the frame's standard actions and the wait cursor;
// HeadlessDriver drives the windows themselves.
//
// Thread safety: every operation may be called from any thread. Several threads may
// wait on boxes (menus) at once; queued answers go to the waiting boxes (menus) in the
// order they started waiting.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "runtime/ui/FrameAction.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/MessageBoxRequest.h"
#include "runtime/ui/PopupMenu.h"
#include "runtime/ui/ProgressState.h"

namespace runtime::ui::headless {

class HeadlessFrontEnd : public FrontEnd {
 public:
  static constexpr std::chrono::milliseconds DefaultAnswerTimeout{5000};

  int32_t ShowMessageBox(const MessageBoxRequest& request) override;
  int32_t ShowPopupMenu(const PopupMenu& menu, int32_t x, int32_t y) override;
  std::optional<FileChooserRequest::Choice> ChooseFile(const FileChooserRequest& request) override;
  void OpenProgress(const ProgressState& state) override;
  void ShowProgress(const ProgressState& state) override;
  void CloseProgress(int32_t progress) override;
  void CarryOut(FrameAction action, int32_t window) override;
  void SetWaitCursor(bool on) override;
  void Beep(int32_t frequency, int32_t duration) override;

  // A standard action the frame asked for, with the title of the window it came from.
  struct ActionRecord {
    FrameAction Action = FrameAction::None;
    std::string WindowTitle;
    bool operator==(const ActionRecord&) const = default;
  };

  // Adds the answer to the next box that has none (a box waiting now takes it first).
  void QueueAnswer(int32_t button);
  void SetAnswerTimeout(std::chrono::milliseconds timeout);

  // Waits until some box is waiting for an answer; returns the one waiting longest,
  // or nothing when none waits within `timeout`.
  std::optional<MessageBoxRequest> WaitForMessageBox(std::chrono::milliseconds timeout);

  // Answers the next popup menu that has none with the item of that number (0: the
  // menu is dismissed), or with the item whose text, "&" markers removed, is `text`.
  // A text that names no item of the menu is a failure, and the menu is dismissed.
  void QueuePopupAnswer(int32_t number);
  void QueuePopupAnswer(std::string text);
  // Answers the next file chooser that has none with that file (nothing: dismissed);
  // the kind of file is the one the name's extension matches, else the first.
  void QueueFileAnswer(std::optional<std::string> path);
  // Every file chooser shown so far, in order.
  std::vector<FileChooserRequest> FileChoosers() const;
  // The next progress window to open is cancelled at once, as a person pressing Cancel
  // before the work has gone further would.
  void QueueProgressCancel();
  // Every progress window opened so far, in order, as last shown.
  std::vector<ProgressState> Progresses() const;
  // Every popup menu shown so far, in order.
  std::vector<PopupMenu> PopupMenus() const;
  // The standard actions carried out so far, in order.
  std::vector<ActionRecord> Actions() const;
  // Whether the wait cursor shows now, and how often it was switched on.
  bool WaitCursor() const;
  int32_t WaitCursorShown() const;
  // How many times the program beeped.
  int32_t Beeps() const;

  // Every box shown so far, in the order they were shown.
  std::vector<MessageBoxRequest> MessageBoxes() const;
  // Answers queued and not yet taken.
  size_t PendingAnswers() const;
  // Everything that went wrong (unanswered boxes), in order; empty when all went well.
  std::vector<std::string> Failures() const;
  // Records a failure found by the driver, so that Failures() lists it too.
  void AddFailure(std::string text);
  // Forgets the boxes and menus shown, the actions, the failures and the unused answers.
  void Clear();

 private:
  mutable std::mutex Lock;
  std::condition_variable Changed;
  std::chrono::milliseconds AnswerTimeout = DefaultAnswerTimeout;
  std::vector<MessageBoxRequest> Shown;
  std::deque<int32_t> Answers;
  // Boxes waiting for an answer, oldest first, by ticket number.
  std::deque<uint64_t> Waiting;
  std::vector<MessageBoxRequest> WaitingRequests;
  uint64_t NextTicket = 1;
  std::vector<std::string> FailureTexts;

  struct PopupAnswer {
    int32_t Number = 0;
    std::string Text;  // when not empty, the item is found by its text
  };
  std::vector<PopupMenu> ShownMenus;
  std::deque<PopupAnswer> MenuAnswers;
  std::deque<uint64_t> MenusWaiting;
  std::vector<ActionRecord> ActionsDone;
  std::vector<FileChooserRequest> ShownChoosers;
  std::deque<std::optional<std::string>> FileAnswers;
  std::deque<uint64_t> ChoosersWaiting;
  int32_t ProgressCancels = 0;
  std::vector<ProgressState> ShownProgress;
  bool WaitCursorOn = false;
  int32_t WaitCursorCount = 0;
  int32_t BeepCount = 0;
};

}  // namespace runtime::ui::headless
