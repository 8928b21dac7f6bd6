#include "runtime/ui/headless/HeadlessFrontEnd.h"

#include <algorithm>
#include <cstdio>

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
}

}  // namespace runtime::ui::headless
