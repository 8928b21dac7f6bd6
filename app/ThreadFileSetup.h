#pragma once
// The per-thread object that builds a thread's UrlList managers. Threads other than
// thread 1 build them when this is constructed in the thread initialiser; thread 1
// builds them in the main procedure, after the INI manager is set up. Destruction
// kills and frees them on every thread.

#include "runtime/core/PerThread.h"

namespace app {

class ThreadFileSetup {
 public:
  ThreadFileSetup();
  ~ThreadFileSetup();
  ThreadFileSetup(const ThreadFileSetup&) = delete;
  ThreadFileSetup& operator=(const ThreadFileSetup&) = delete;

  // Thread 1's managers, built by the main procedure.
  static void BuildForMainThread();
};

}  // namespace app
