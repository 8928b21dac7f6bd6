#include "app/BrowseLauncher.h"

#include <mutex>
#include <utility>

#include "app/BrowseUrlList.h"

namespace app {
namespace {

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

BrowseLauncher::Procedure& Current() {
  static BrowseLauncher::Procedure procedure;
  return procedure;
}

}  // namespace

void BrowseLauncher::Set(Procedure procedure) {
  std::lock_guard lock(Lock());
  Current() = std::move(procedure);
}

BrowseLauncher::Procedure BrowseLauncher::Get() {
  std::lock_guard lock(Lock());
  if (Current()) return Current();
  return BrowseUrlList::Procedure;
}

}  // namespace app
