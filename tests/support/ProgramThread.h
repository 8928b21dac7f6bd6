#pragma once
// Stands in for the program's thread 1 (its frame procedure) in tests that run the
// program's own start-up: Loop runs the jobs other threads Post, in order, until
// Finish. Each Post gives a future that is ready once its job has run.
//
// Thread safety: Post and Finish may be called from any thread; Loop runs on one.

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>

namespace testsupport {

class ProgramThread {
 public:
  // Runs posted jobs until Finish was called and no job is left.
  void Loop();
  std::future<void> Post(std::function<void()> work);
  void Finish();

 private:
  std::mutex Lock;
  std::condition_variable Wake;
  std::deque<std::packaged_task<void()>> Jobs;  // GUARDED_BY(Lock)
  bool Stop = false;                            // GUARDED_BY(Lock)
};

}  // namespace testsupport
