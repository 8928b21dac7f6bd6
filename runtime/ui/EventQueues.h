#pragma once
// The per-thread event queues and window stacks behind the event loops. Each thread
// that opens a window has a queue and a stack of its open windows, newest last; only
// the newest takes events, so a window opened from a handler runs its loop nested on
// the same thread and the older window's events wait until it closes. Events posted
// to a window that has closed are dropped.
//
// It also knows when everything is idle: every thread with a window is waiting in its
// loop (or for a message box or popup menu answer) with no event it could take, and no
// runtime thread is busy elsewhere.
//
// Thread safety: every operation may be called from any thread; one internal lock.

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/ui/PostedEvent.h"

namespace runtime::ui {

class EventQueues {
 public:
  using Clock = std::chrono::steady_clock;

  // The window joins (leaves) the top of its thread's stack.
  static void Push(int32_t thread, int32_t window);
  static void Remove(int32_t thread, int32_t window);
  // The newest window of the thread, 0 when it has none.
  static int32_t Newest(int32_t thread);
  // Every thread's stack, for front ends: the windows that take input.
  static std::vector<int32_t> InputWindows();

  // Queues the event for the thread.
  static void Post(int32_t thread, const PostedEvent& event);

  // Waits for the first queued event that `window` may take (addressed to it or to its
  // thread) while it is the newest window of `thread`. Returns nothing at `deadline`
  // or as soon as the window is no longer on the stack.
  static std::optional<PostedEvent> Next(int32_t thread, int32_t window, Clock::time_point deadline);

  // Marks the calling thread as waiting for the front end (message box, popup menu)
  // while the scope lives: it counts as idle.
  class Blocked {
   public:
    Blocked();
    ~Blocked();
    Blocked(const Blocked&) = delete;
    Blocked& operator=(const Blocked&) = delete;
  };

  // True when a loop of `thread` waits with no event it could take and the thread
  // waits for no front-end answer: whatever was posted to it has been handled.
  static bool ThreadSettled(int32_t thread);
  // Settled, or waiting for a front-end answer (a message box or popup menu): either
  // way the thread has handled everything up to the point where it waits for the user.
  static bool ThreadAtRest(int32_t thread);

  // True when everything is idle now; WaitIdle waits up to `timeout` for it.
  static bool Idle();
  static bool WaitIdle(std::chrono::milliseconds timeout);
  // Wakes the idle waiters after a change they cannot see (a window closed elsewhere).
  static void Changed();
};

}  // namespace runtime::ui
