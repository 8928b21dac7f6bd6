#pragma once
// Waits for the children the opener starts, all of them on one thread of its own, so
// that opening an address many times costs one process each and no thread each, and
// no finished child stays behind as a zombie. Only the children handed to it are
// waited for; other children of the process are left to whoever started them.
//
// One instance per process (Instance()); its thread starts with the first child and
// lives as long as the process. Thread-safe: any thread may hand children over.

#include <sys/types.h>

#include <cstddef>
#include <mutex>
#include <vector>

namespace runtime::shell {

class ChildReaper {
 public:
  static ChildReaper& Instance();

  // Takes `child` (a process this process started) to be waited for.
  void Adopt(pid_t child);
  // How many adopted children have not been waited for yet.
  size_t Waiting();

 private:
  ChildReaper();
  struct Child {
    pid_t Pid;
    int Fd;  // a descriptor that becomes readable when the child ends; -1 when none
  };
  void Run();
  // Waits for every adopted child that has ended; true when some have no descriptor.
  bool ReapEnded();

  std::mutex Mutex;
  std::vector<Child> Children;  // guarded by Mutex
  bool Started = false;         // guarded by Mutex
  int WakeFd = -1;              // an eventfd: a new child was adopted
};

}  // namespace runtime::shell
