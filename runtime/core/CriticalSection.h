#pragma once
// A re-entrant lock owned by an object. The thread that holds it may enter it
// again (the error manager's history update re-enters its own section, for one).
// Enter and Leave must pair on the same thread; prefer SyncGuard over the raw calls.

#include <mutex>

namespace runtime::core {

class CriticalSection {
 public:
  CriticalSection() = default;
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void Enter() { Mutex.lock(); }
  void Leave() { Mutex.unlock(); }

  // Lets standard lock helpers (std::scoped_lock, std::condition_variable_any) use the section.
  void lock() { Enter(); }
  void unlock() { Leave(); }

 private:
  std::recursive_mutex Mutex;
};

}  // namespace runtime::core
