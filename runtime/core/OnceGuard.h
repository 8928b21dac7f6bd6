#pragma once
// A once-per-thread guard for work a window procedure does the first time it runs on
// a thread. Its per-thread counter is 0 (not done), -1 (running) or 1 (done).
//
//   switch (guard.Begin()) { case OnceGuard::Run: ...work...; guard.Done(); break; ... }
//
// Begin on a thread where the work is still running (it re-entered itself) sets
// runtime error 411 and returns Reentered; the work is not started again.

#include <cstdint>

#include "runtime/core/PerThread.h"

namespace runtime::core {

class OnceGuard {
 public:
  enum Outcome { AlreadyDone, Run, Reentered };

  Outcome Begin();
  void Done();
  // The running thread's counter (0, -1 or 1).
  int32_t Value();

 private:
  PerThread<int32_t> Counter;
};

}  // namespace runtime::core
