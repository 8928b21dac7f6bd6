// Linked into every test program in place of app/ShippedHooks.cpp.

#include "tests/support/TestHooks.h"

#include <atomic>
#include <mutex>
#include <utility>

#include "app/BrowseUrlList.h"
#include "app/StartupTrace.h"

namespace testsupport {
namespace {

std::mutex ObserverLock;
StartupObserver TheObserver;  // GUARDED_BY(ObserverLock)
std::atomic<bool> Observed{false};

std::mutex ProcedureLock;
app::BrowseLauncher::Procedure TheProcedure;  // GUARDED_BY(ProcedureLock)

}  // namespace

void SetStartupObserver(StartupObserver observer) {
  std::lock_guard lock(ObserverLock);
  TheObserver = std::move(observer);
  Observed = static_cast<bool>(TheObserver);
}

void SetBrowseProcedure(app::BrowseLauncher::Procedure procedure) {
  std::lock_guard lock(ProcedureLock);
  TheProcedure = std::move(procedure);
}

}  // namespace testsupport

namespace app {

void StartupTrace::Note(std::string_view step) {
  if (!testsupport::Observed) return;
  std::lock_guard lock(testsupport::ObserverLock);
  if (testsupport::TheObserver) testsupport::TheObserver(step);
}

BrowseLauncher::Procedure BrowseLauncher::Get() {
  std::lock_guard lock(testsupport::ProcedureLock);
  if (testsupport::TheProcedure) return testsupport::TheProcedure;
  return BrowseUrlList::Procedure;
}

}  // namespace app
