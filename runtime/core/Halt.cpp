#include "runtime/core/Halt.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

namespace runtime::core {
namespace {

std::mutex HooksLock;
std::map<int, HaltHook>& Hooks() {
  static std::map<int, HaltHook> hooks;
  return hooks;
}
int NextHookId = 1;
std::atomic<bool> Halting{false};

}  // namespace

int AddHaltHook(HaltHook hook) {
  std::lock_guard lock(HooksLock);
  int id = NextHookId++;
  Hooks().emplace(id, std::move(hook));
  return id;
}

void RemoveHaltHook(int id) {
  std::lock_guard lock(HooksLock);
  Hooks().erase(id);
}

void Halt(int code, const std::string& text) {
  if (!Halting.exchange(true)) {
    std::map<int, HaltHook> hooks;
    {
      std::lock_guard lock(HooksLock);
      hooks = Hooks();
    }
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) it->second(code, text);
  }
  std::fflush(nullptr);
  // Other threads may still be inside their procedures; running static destructors
  // under them would crash, so the process ends without them. Committed records are
  // already durable on disk.
  std::_Exit(code);
}

}  // namespace runtime::core
