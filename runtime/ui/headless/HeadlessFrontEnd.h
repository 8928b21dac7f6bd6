#pragma once
// The front end without a screen, for tests and automation. It records every message
// box it is asked to show and answers each from a queue of button values, filled
// beforehand or by another thread while the box waits. It never waits forever: a box
// left without an answer for AnswerTimeout is recorded as a failure ("no answer for
// message box '<caption>'") and answered with its default button.
//
// Thread safety: every operation may be called from any thread. Several threads may
// wait on boxes at once; queued answers go to the waiting boxes in the order the boxes
// started waiting.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/MessageBoxRequest.h"

namespace runtime::ui::headless {

class HeadlessFrontEnd : public FrontEnd {
 public:
  static constexpr std::chrono::milliseconds DefaultAnswerTimeout{5000};

  int32_t ShowMessageBox(const MessageBoxRequest& request) override;

  // Adds the answer to the next box that has none (a box waiting now takes it first).
  void QueueAnswer(int32_t button);
  void SetAnswerTimeout(std::chrono::milliseconds timeout);

  // Waits until some box is waiting for an answer; returns the one waiting longest,
  // or nothing when none waits within `timeout`.
  std::optional<MessageBoxRequest> WaitForMessageBox(std::chrono::milliseconds timeout);

  // Every box shown so far, in the order they were shown.
  std::vector<MessageBoxRequest> MessageBoxes() const;
  // Answers queued and not yet taken.
  size_t PendingAnswers() const;
  // Everything that went wrong (unanswered boxes), in order; empty when all went well.
  std::vector<std::string> Failures() const;
  // Forgets the boxes shown, the failures and the unused answers.
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
};

}  // namespace runtime::ui::headless
