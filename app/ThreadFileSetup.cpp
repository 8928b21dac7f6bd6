#include "app/ThreadFileSetup.h"

#include "app/AppGlobals.h"
#include "app/StartupTrace.h"
#include "app/UrlListManagers.h"
#include "runtime/core/ThreadContext.h"

namespace app {
namespace {

constexpr int32_t MainThread = 1;

void BuildManagers() {
  UrlListManagers::Build(AppGlobals::Errors());
  StartupTrace::Note("thread: UrlList managers built");
}

void KillManagers() {
  UrlListManagers::Kill();
  StartupTrace::Note("thread: UrlList managers killed");
}

}  // namespace

ThreadFileSetup::ThreadFileSetup() {
  if (runtime::core::CurrentThreadNumber() != MainThread) BuildManagers();
}

ThreadFileSetup::~ThreadFileSetup() { KillManagers(); }

void ThreadFileSetup::BuildForMainThread() { BuildManagers(); }

}  // namespace app
