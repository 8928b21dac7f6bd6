#include "runtime/ui/EventQueues.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "runtime/core/Process.h"
#include "runtime/core/ThreadContext.h"

namespace runtime::ui {
namespace {

struct ThreadQueue {
  std::deque<PostedEvent> Events;
  std::vector<int32_t> Stack;  // open windows, newest last
  std::condition_variable Wake;
  int32_t Waiting = 0;         // loops of this thread blocked in Next
  int32_t BlockedCount = 0;    // front-end requests this thread waits for
};

struct State {
  std::mutex Lock;
  std::condition_variable IdleChanged;
  std::map<int32_t, std::unique_ptr<ThreadQueue>> Threads;
};

State& Shared() {
  static State state;
  return state;
}

ThreadQueue& QueueOf(State& s, int32_t thread) {
  auto& slot = s.Threads[thread];
  if (!slot) slot = std::make_unique<ThreadQueue>();
  return *slot;
}

bool OnStack(const ThreadQueue& q, int32_t window) {
  return std::find(q.Stack.begin(), q.Stack.end(), window) != q.Stack.end();
}

// The first event the newest window may take; drops events for closed windows.
std::deque<PostedEvent>::iterator Deliverable(ThreadQueue& q) {
  const int32_t newest = q.Stack.empty() ? 0 : q.Stack.back();
  for (auto it = q.Events.begin(); it != q.Events.end();) {
    if (it->Window != 0 && !OnStack(q, it->Window)) {
      it = q.Events.erase(it);
      continue;
    }
    if (newest != 0 && (it->Window == 0 || it->Window == newest)) return it;
    ++it;
  }
  return q.Events.end();
}

bool IdleLocked(State& s) {
  int32_t runtimeWaiting = 0;
  for (auto& [thread, q] : s.Threads) {
    const bool waiting = q->Waiting > 0 || q->BlockedCount > 0;
    if (!q->Stack.empty() || q->BlockedCount > 0) {
      if (!waiting) return false;
      if (q->BlockedCount == 0 && Deliverable(*q) != q->Events.end()) return false;
    }
    if (waiting && thread < runtime::core::ForeignThreadNumberBase) ++runtimeWaiting;
  }
  // A runtime thread that is neither in a loop nor waiting for an answer is working
  // (a browse thread that has not opened its window yet, for one).
  return runtime::core::Process::ActiveThreads() <= runtimeWaiting;
}

}  // namespace

void EventQueues::Push(int32_t thread, int32_t window) {
  State& s = Shared();
  std::lock_guard lock(s.Lock);
  ThreadQueue& q = QueueOf(s, thread);
  q.Stack.push_back(window);
  q.Wake.notify_all();
  s.IdleChanged.notify_all();
}

void EventQueues::Remove(int32_t thread, int32_t window) {
  State& s = Shared();
  std::lock_guard lock(s.Lock);
  ThreadQueue& q = QueueOf(s, thread);
  q.Stack.erase(std::remove(q.Stack.begin(), q.Stack.end(), window), q.Stack.end());
  q.Events.erase(std::remove_if(q.Events.begin(), q.Events.end(),
                                [&](const PostedEvent& e) { return e.Window == window; }),
                 q.Events.end());
  q.Wake.notify_all();
  s.IdleChanged.notify_all();
}

int32_t EventQueues::Newest(int32_t thread) {
  State& s = Shared();
  std::lock_guard lock(s.Lock);
  auto it = s.Threads.find(thread);
  if (it == s.Threads.end() || it->second->Stack.empty()) return 0;
  return it->second->Stack.back();
}

std::vector<int32_t> EventQueues::InputWindows() {
  State& s = Shared();
  std::lock_guard lock(s.Lock);
  std::vector<int32_t> result;
  for (auto& [thread, q] : s.Threads)
    if (!q->Stack.empty()) result.push_back(q->Stack.back());
  return result;
}

void EventQueues::Post(int32_t thread, const PostedEvent& event) {
  State& s = Shared();
  std::lock_guard lock(s.Lock);
  ThreadQueue& q = QueueOf(s, thread);
  q.Events.push_back(event);
  q.Wake.notify_all();
  s.IdleChanged.notify_all();
}

std::optional<PostedEvent> EventQueues::Next(int32_t thread, int32_t window, Clock::time_point deadline) {
  State& s = Shared();
  std::unique_lock lock(s.Lock);
  ThreadQueue& q = QueueOf(s, thread);
  for (;;) {
    if (!OnStack(q, window)) return std::nullopt;
    if (q.Stack.back() == window) {
      auto it = Deliverable(q);
      if (it != q.Events.end()) {
        PostedEvent event = *it;
        q.Events.erase(it);
        return event;
      }
    }
    ++q.Waiting;
    s.IdleChanged.notify_all();
    const bool timedOut = q.Wake.wait_until(lock, deadline) == std::cv_status::timeout;
    --q.Waiting;
    if (timedOut) {
      // One last look: an event that arrived with the deadline still counts.
      if (OnStack(q, window) && q.Stack.back() == window) {
        auto it = Deliverable(q);
        if (it != q.Events.end()) {
          PostedEvent event = *it;
          q.Events.erase(it);
          return event;
        }
      }
      return std::nullopt;
    }
  }
}

EventQueues::Blocked::Blocked() {
  State& s = Shared();
  std::lock_guard lock(s.Lock);
  ++QueueOf(s, runtime::core::CurrentThreadNumber()).BlockedCount;
  s.IdleChanged.notify_all();
}

EventQueues::Blocked::~Blocked() {
  State& s = Shared();
  std::lock_guard lock(s.Lock);
  --QueueOf(s, runtime::core::CurrentThreadNumber()).BlockedCount;
  s.IdleChanged.notify_all();
}

bool EventQueues::ThreadSettled(int32_t thread) {
  State& s = Shared();
  std::lock_guard lock(s.Lock);
  auto it = s.Threads.find(thread);
  if (it == s.Threads.end()) return false;
  ThreadQueue& q = *it->second;
  return q.Waiting > 0 && q.BlockedCount == 0 && Deliverable(q) == q.Events.end();
}

bool EventQueues::ThreadAtRest(int32_t thread) {
  State& s = Shared();
  std::lock_guard lock(s.Lock);
  auto it = s.Threads.find(thread);
  if (it == s.Threads.end()) return false;
  ThreadQueue& q = *it->second;
  return q.BlockedCount > 0 || (q.Waiting > 0 && Deliverable(q) == q.Events.end());
}

bool EventQueues::Idle() {
  State& s = Shared();
  std::lock_guard lock(s.Lock);
  return IdleLocked(s);
}

bool EventQueues::WaitIdle(std::chrono::milliseconds timeout) {
  State& s = Shared();
  std::unique_lock lock(s.Lock);
  const auto deadline = Clock::now() + timeout;
  // Idle must hold for a short moment: a thread that just finished a handler may be
  // about to post or open the next window. Thread starts are not seen by the lock, so
  // the state is sampled again at a short period as well.
  constexpr auto SettlePeriod = std::chrono::milliseconds(5);
  while (Clock::now() < deadline) {
    if (IdleLocked(s)) {
      s.IdleChanged.wait_for(lock, SettlePeriod);
      if (IdleLocked(s)) return true;
      continue;
    }
    s.IdleChanged.wait_for(lock, SettlePeriod);
  }
  return IdleLocked(s);
}

void EventQueues::Changed() {
  State& s = Shared();
  std::lock_guard lock(s.Lock);
  s.IdleChanged.notify_all();
}

}  // namespace runtime::ui
