#include "runtime/ui/headless/HeadlessFrontEnd.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "runtime/ui/HelpPages.h"
#include "runtime/ui/ProgressService.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace runtime::ui::headless {

int32_t HeadlessFrontEnd::ShowMessageBox(const MessageBoxRequest& request) {
  std::unique_lock lock(Lock);
  Shown.push_back(request);
  const uint64_t ticket = NextTicket++;
  Waiting.push_back(ticket);
  WaitingRequests.push_back(request);
  Changed.notify_all();

  // Answers go to boxes strictly in the order they began to wait, so two threads
  // asking at once each get the answer meant for them.
  auto myTurn = [&] { return !Answers.empty() && Waiting.front() == ticket; };
  const bool answered = Changed.wait_for(lock, AnswerTimeout, myTurn);

  const auto at = std::find(Waiting.begin(), Waiting.end(), ticket);
  WaitingRequests.erase(WaitingRequests.begin() + (at - Waiting.begin()));
  Waiting.erase(at);
  int32_t result = request.DefaultButton;
  if (answered) {
    result = Answers.front();
    Answers.pop_front();
  } else {
    std::string failure = "no answer for message box '" + request.Caption + "'";
    std::fprintf(stderr, "headless front end: %s\n", failure.c_str());
    FailureTexts.push_back(std::move(failure));
  }
  Changed.notify_all();
  return result;
}

int32_t HeadlessFrontEnd::ShowPopupMenu(const PopupMenu& menu, int32_t, int32_t) {
  std::unique_lock lock(Lock);
  ShownMenus.push_back(menu);
  const uint64_t ticket = NextTicket++;
  MenusWaiting.push_back(ticket);
  Changed.notify_all();

  auto myTurn = [&] { return !MenuAnswers.empty() && MenusWaiting.front() == ticket; };
  const bool answered = Changed.wait_for(lock, AnswerTimeout, myTurn);
  MenusWaiting.erase(std::find(MenusWaiting.begin(), MenusWaiting.end(), ticket));
  int32_t result = 0;
  if (answered) {
    PopupAnswer answer = std::move(MenuAnswers.front());
    MenuAnswers.pop_front();
    result = answer.Number;
    if (!answer.Text.empty()) {
      result = menu.NumberOf(answer.Text);
      if (result == 0) {
        std::string failure = "popup menu has no item '" + answer.Text + "'; it has:\n" + menu.Print();
        std::fprintf(stderr, "headless front end: %s\n", failure.c_str());
        FailureTexts.push_back(std::move(failure));
      }
    }
  } else {
    std::string failure = "no answer for popup menu:\n" + menu.Print();
    std::fprintf(stderr, "headless front end: %s\n", failure.c_str());
    FailureTexts.push_back(std::move(failure));
  }
  Changed.notify_all();
  return result;
}

std::optional<FileChooserRequest::Choice> HeadlessFrontEnd::ChooseFile(const FileChooserRequest& request) {
  std::unique_lock lock(Lock);
  ShownChoosers.push_back(request);
  const uint64_t ticket = NextTicket++;
  ChoosersWaiting.push_back(ticket);
  Changed.notify_all();
  auto myTurn = [&] { return !FileAnswers.empty() && ChoosersWaiting.front() == ticket; };
  const bool answered = Changed.wait_for(lock, AnswerTimeout, myTurn);
  ChoosersWaiting.erase(std::find(ChoosersWaiting.begin(), ChoosersWaiting.end(), ticket));
  std::optional<FileChooserRequest::Choice> result;
  if (answered) {
    if (FileAnswers.front()) {
      result = FileChooserRequest::Choice{*FileAnswers.front(), 0};
      const std::string extension = std::filesystem::path(result->Path).extension().string();
      for (size_t i = request.Filters.size(); i-- > 0;)
        for (const std::string& e : request.Filters[i].Extensions)
          if (extension == "." + e) result->FilterIndex = i;
    }
    FileAnswers.pop_front();
  } else {
    std::string failure = "no answer for file chooser '" + request.Caption + "'";
    std::fprintf(stderr, "headless front end: %s\n", failure.c_str());
    FailureTexts.push_back(std::move(failure));
  }
  Changed.notify_all();
  return result;
}

void HeadlessFrontEnd::QueueFileAnswer(std::optional<std::string> path) {
  std::lock_guard lock(Lock);
  FileAnswers.push_back(std::move(path));
  Changed.notify_all();
}

std::vector<FileChooserRequest> HeadlessFrontEnd::FileChoosers() const {
  std::lock_guard lock(Lock);
  return ShownChoosers;
}

void HeadlessFrontEnd::OpenProgress(const ProgressState& state) {
  bool cancel = false;
  {
    std::lock_guard lock(Lock);
    ShownProgress.push_back(state);
    if (ProgressCancels > 0) {
      --ProgressCancels;
      cancel = true;
    }
  }
  if (cancel) ProgressService::Cancel(state.Number);
}

void HeadlessFrontEnd::ShowProgress(const ProgressState& state) {
  std::lock_guard lock(Lock);
  for (ProgressState& shown : ShownProgress)
    if (shown.Number == state.Number) shown = state;
}

void HeadlessFrontEnd::CloseProgress(int32_t) {}

void HeadlessFrontEnd::QueueProgressCancel() {
  std::lock_guard lock(Lock);
  ++ProgressCancels;
}

std::vector<ProgressState> HeadlessFrontEnd::Progresses() const {
  std::lock_guard lock(Lock);
  return ShownProgress;
}

void HeadlessFrontEnd::CarryOut(FrameAction action, int32_t window) {
  std::string title = WindowModel::GetProp(window, 0, Prop::Text);
  // Nothing is opened without a screen, but a help page the desktop would open must be
  // there: a missing manual is a fault of the installation the run should show.
  const std::string page = HelpPages::PagePath(action);
  const bool missing = !page.empty() && !std::filesystem::is_regular_file(page);
  if (missing) std::fprintf(stderr, "headless front end: help page not found: %s\n", page.c_str());
  std::lock_guard lock(Lock);
  if (missing) FailureTexts.push_back("help page not found: " + page);
  ActionsDone.push_back({action, std::move(title)});
  Changed.notify_all();
}

void HeadlessFrontEnd::SetWaitCursor(bool on) {
  std::lock_guard lock(Lock);
  if (on && !WaitCursorOn) ++WaitCursorCount;
  WaitCursorOn = on;
}

void HeadlessFrontEnd::Beep(int32_t, int32_t) {
  std::lock_guard lock(Lock);
  ++BeepCount;
}

int32_t HeadlessFrontEnd::Beeps() const {
  std::lock_guard lock(Lock);
  return BeepCount;
}

void HeadlessFrontEnd::QueuePopupAnswer(int32_t number) {
  std::lock_guard lock(Lock);
  MenuAnswers.push_back({number, {}});
  Changed.notify_all();
}

void HeadlessFrontEnd::QueuePopupAnswer(std::string text) {
  std::lock_guard lock(Lock);
  MenuAnswers.push_back({0, std::move(text)});
  Changed.notify_all();
}

std::vector<PopupMenu> HeadlessFrontEnd::PopupMenus() const {
  std::lock_guard lock(Lock);
  return ShownMenus;
}

std::vector<HeadlessFrontEnd::ActionRecord> HeadlessFrontEnd::Actions() const {
  std::lock_guard lock(Lock);
  return ActionsDone;
}

bool HeadlessFrontEnd::WaitCursor() const {
  std::lock_guard lock(Lock);
  return WaitCursorOn;
}

int32_t HeadlessFrontEnd::WaitCursorShown() const {
  std::lock_guard lock(Lock);
  return WaitCursorCount;
}

void HeadlessFrontEnd::AddFailure(std::string text) {
  std::lock_guard lock(Lock);
  FailureTexts.push_back(std::move(text));
}

void HeadlessFrontEnd::QueueAnswer(int32_t button) {
  std::lock_guard lock(Lock);
  Answers.push_back(button);
  Changed.notify_all();
}

void HeadlessFrontEnd::SetAnswerTimeout(std::chrono::milliseconds timeout) {
  std::lock_guard lock(Lock);
  AnswerTimeout = timeout;
}

std::optional<MessageBoxRequest> HeadlessFrontEnd::WaitForMessageBox(std::chrono::milliseconds timeout) {
  std::unique_lock lock(Lock);
  if (!Changed.wait_for(lock, timeout, [&] { return !WaitingRequests.empty(); })) return std::nullopt;
  return WaitingRequests.front();
}

std::vector<MessageBoxRequest> HeadlessFrontEnd::MessageBoxes() const {
  std::lock_guard lock(Lock);
  return Shown;
}

size_t HeadlessFrontEnd::PendingAnswers() const {
  std::lock_guard lock(Lock);
  return Answers.size();
}

std::vector<std::string> HeadlessFrontEnd::Failures() const {
  std::lock_guard lock(Lock);
  return FailureTexts;
}

void HeadlessFrontEnd::Clear() {
  std::lock_guard lock(Lock);
  Shown.clear();
  Answers.clear();
  FailureTexts.clear();
  ShownMenus.clear();
  MenuAnswers.clear();
  ActionsDone.clear();
  ShownChoosers.clear();
  FileAnswers.clear();
  ProgressCancels = 0;
  ShownProgress.clear();
  WaitCursorCount = 0;
}

}  // namespace runtime::ui::headless
