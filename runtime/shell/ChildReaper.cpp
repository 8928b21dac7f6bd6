#include "runtime/shell/ChildReaper.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <thread>

namespace runtime::shell {
namespace {

// Without a descriptor for a child (an old kernel), look for ended children this often.
constexpr int PollMilliseconds = 100;

int ChildDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

}  // namespace

ChildReaper& ChildReaper::Instance() {
  // Never destroyed: its thread may be waiting while the process ends.
  static ChildReaper* reaper = new ChildReaper();
  return *reaper;
}

ChildReaper::ChildReaper() : WakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void ChildReaper::Adopt(pid_t child) {
  const int fd = ChildDescriptor(child);
  {
    std::lock_guard<std::mutex> lock(Mutex);
    Children.push_back({child, fd});
    if (!Started) {
      Started = true;
      std::thread([this] { Run(); }).detach();
    }
  }
  const uint64_t one = 1;
  if (WakeFd >= 0) (void)::write(WakeFd, &one, sizeof one);
}

size_t ChildReaper::Waiting() {
  std::lock_guard<std::mutex> lock(Mutex);
  return Children.size();
}

bool ChildReaper::ReapEnded() {
  std::lock_guard<std::mutex> lock(Mutex);
  bool blind = WakeFd < 0;
  for (size_t i = 0; i < Children.size();) {
    int status = 0;
    pid_t got;
    do {
      got = ::waitpid(Children[i].Pid, &status, WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == Children[i].Pid || (got < 0 && errno == ECHILD)) {
      if (Children[i].Fd >= 0) ::close(Children[i].Fd);
      Children[i] = Children.back();
      Children.pop_back();
      continue;
    }
    blind = blind || Children[i].Fd < 0;
    ++i;
  }
  return blind;
}

void ChildReaper::Run() {
  std::vector<pollfd> watched;
  for (;;) {
    const bool blind = ReapEnded();
    watched.clear();
    if (WakeFd >= 0) watched.push_back({WakeFd, POLLIN, 0});
    {
      std::lock_guard<std::mutex> lock(Mutex);
      for (const Child& c : Children) {
        if (c.Fd >= 0) watched.push_back({c.Fd, POLLIN, 0});
      }
    }
    const int rc = ::poll(watched.data(), watched.size(), blind ? PollMilliseconds : -1);
    if (rc > 0 && WakeFd >= 0 && (watched[0].revents & POLLIN) != 0) {
      uint64_t count = 0;
      (void)::read(WakeFd, &count, sizeof count);
    }
  }
}

}  // namespace runtime::shell
