#include "tests/support/ProgramThread.h"

#include <utility>

namespace testsupport {

void ProgramThread::Loop() {
  for (;;) {
    std::packaged_task<void()> job;
    {
      std::unique_lock lock(Lock);
      Wake.wait(lock, [&] { return Stop || !Jobs.empty(); });
      if (Jobs.empty()) return;
      job = std::move(Jobs.front());
      Jobs.pop_front();
    }
    job();
  }
}

std::future<void> ProgramThread::Post(std::function<void()> work) {
  std::packaged_task<void()> job(std::move(work));
  std::future<void> done = job.get_future();
  {
    std::lock_guard lock(Lock);
    Jobs.push_back(std::move(job));
  }
  Wake.notify_one();
  return done;
}

void ProgramThread::Finish() {
  {
    std::lock_guard lock(Lock);
    Stop = true;
  }
  Wake.notify_one();
}

}  // namespace testsupport
