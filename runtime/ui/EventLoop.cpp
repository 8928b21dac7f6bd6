#include "runtime/ui/EventLoop.h"

#include <chrono>
#include <vector>

#include "runtime/core/ThreadContext.h"
#include "runtime/ui/ControlType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventQueues.h"
#include "runtime/ui/EventResult.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace runtime::ui {
namespace {

using Clock = EventQueues::Clock;

// How long a loop waits at most before looking at its window's timer again; a new
// timer period is seen within this time.
constexpr auto TimerCheckPeriod = std::chrono::milliseconds(50);
constexpr int32_t HundredthsPerSecond = 100;

// The events being handled by the thread's loops, innermost last: a nested loop's
// event hides its caller's until it returns.
thread_local std::vector<PostedEvent> Handling;
thread_local int32_t ThreadKeyCode = 0;

struct HandlingScope {
  explicit HandlingScope(const PostedEvent& event) { Handling.push_back(event); }
  ~HandlingScope() { Handling.pop_back(); }
  HandlingScope(const HandlingScope&) = delete;
  HandlingScope& operator=(const HandlingScope&) = delete;
};

std::chrono::milliseconds TimerPeriod(int32_t window) {
  const int64_t hundredths = WindowModel::GetPropInt(window, 0, Prop::Timer);
  return std::chrono::milliseconds(hundredths * 1000 / HundredthsPerSecond);
}

// The runtime's part of an event the handler left to it.
void CompleteNormally(int32_t window, const PostedEvent& event) {
  if (event.Number == Event::CloseWindow || event.Number == Event::CloseDown) {
    WindowModel::Close(window);
    return;
  }
  if (event.Number == Event::Accepted && event.Control != 0) {
    auto snapshot = WindowModel::Snapshot(window);
    if (!snapshot) return;
    const Control* control = snapshot->Find(event.Control);
    if (!control || control->Action == FrameAction::None) return;
    if (control->Action == FrameAction::Exit) {
      // Through the close path, so that the frame's handler may still decline.
      WindowModel::Post(window, Event::CloseWindow);
      return;
    }
    if (auto screen = FrontEnd::Installed()) screen->CarryOut(control->Action, window);
  }
}

}  // namespace

void EventLoop::Run(int32_t window, const EventHandler& handler) {
  const int32_t thread = runtime::core::CurrentThreadNumber();
  if (WindowModel::GetPropInt(window, 0, Prop::Thread) != thread) return;

  auto nextTick = Clock::time_point::max();
  for (;;) {
    if (!WindowModel::Exists(window)) break;
    const auto period = TimerPeriod(window);
    const auto now = Clock::now();
    if (period.count() <= 0) nextTick = Clock::time_point::max();
    else if (nextTick == Clock::time_point::max()) nextTick = now + period;
    const auto deadline = std::min(nextTick, now + TimerCheckPeriod);

    std::optional<PostedEvent> next = EventQueues::Next(thread, window, deadline);
    if (!next) {
      if (!WindowModel::Exists(window)) break;
      if (nextTick == Clock::time_point::max() || Clock::now() < nextTick) continue;
      nextTick = Clock::now() + period;
      next = PostedEvent{.Number = Event::Timer, .Window = window};
    }
    PostedEvent event = *next;
    event.Window = window;
    if (event.Number == Event::CompletionRequest) {
      WindowModel::ValidateForCompletion(window);
      continue;
    }
    if (event.FromUser) ThreadKeyCode = event.KeyCode;
    // The row the user chose is the selection when the program takes the choice, even
    // if a redisplay of earlier work showed another row in between.
    if (event.FromUser && event.Number == Event::NewSelection && event.Argument > 0 &&
        event.Argument <= static_cast<int32_t>(WindowModel::ListRows(window, event.Control).size()))
      WindowModel::SetPropInt(window, event.Control, Prop::Selected, event.Argument);
    // An accepted entry hands its text to its variable first; a refused text turns
    // the event into Rejected, and the variable keeps its value.
    if (event.Number == Event::Accepted && event.Control != 0 &&
        WindowModel::Update(window, event.Control) != 0) {
      event.Number = Event::Rejected;
    }

    int32_t result = EventResult::Normal;
    {
      HandlingScope scope(event);
      result = handler(event);
    }
    if (result == EventResult::EndLoop) break;
    if (result == EventResult::Consumed) continue;
    CompleteNormally(window, event);
  }
}

PostedEvent EventLoop::Current() { return Handling.empty() ? PostedEvent{} : Handling.back(); }
int32_t EventLoop::KeyCode() { return ThreadKeyCode; }
void EventLoop::SetKeyCode(int32_t key) { ThreadKeyCode = key; }

}  // namespace runtime::ui
