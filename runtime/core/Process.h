#pragma once
// The runtime's process: runs the start-up table around the main procedure and
// starts further procedures on threads of their own.
//
// Launch runs the file set-ups and global initialisers on the calling thread, then
// starts thread 1, which runs the thread initialisers, the main procedure and the
// thread finalisers. Wait joins thread 1, then every other runtime thread still
// running, then runs the global finalisers. The calling thread is free in between:
// the desktop front end runs its event loop there. Run is Launch followed by Wait.
//
// One program runs at a time in a process; Launch while one runs is refused.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "runtime/core/StartupTable.h"

namespace runtime::core {

using Procedure = std::function<void()>;

class Process {
 public:
  // Stack given to thread 1 and to threads started with a size below this floor:
  // the requested sizes are a lower bound, since SQLite and the C++ library need more
  // than the program's own frames.
  static constexpr size_t MinimumStack = 4 * 1024 * 1024;

  // Returns false (and starts nothing) when a program is already running.
  static bool Launch(StartupTable table, Procedure mainProcedure);
  // Waits for the program started by Launch and for every thread started with Start.
  // Without a launched program it only joins the started threads.
  static void Wait();
  static bool Run(StartupTable table, Procedure mainProcedure);

  // Starts `procedure` on a new thread with the next thread number; returns that
  // number, or 0 when the thread could not be created (runtime error set).
  static int32_t Start(Procedure procedure, size_t stackSize);

  // True while a launched program has not finished Wait.
  static bool Running();
  // Number of runtime threads (thread 1 included) whose procedure has not returned.
  static int32_t ActiveThreads();
};

}  // namespace runtime::core
