#include "app/StartupTrace.h"

#include <atomic>
#include <mutex>

namespace app {
namespace {

std::mutex ObserverLock;
StartupTrace::Observer TheObserver;  // GUARDED_BY(ObserverLock)
std::atomic<bool> Observed{false};

}  // namespace

void StartupTrace::SetObserver(Observer observer) {
  std::lock_guard lock(ObserverLock);
  TheObserver = std::move(observer);
  Observed = static_cast<bool>(TheObserver);
}

void StartupTrace::Note(std::string_view step) {
  if (!Observed) return;
  std::lock_guard lock(ObserverLock);
  if (TheObserver) TheObserver(step);
}

}  // namespace app
