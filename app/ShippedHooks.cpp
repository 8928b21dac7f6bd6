// The shipped programs' side of the two points tests observe or replace (see
// StartupTrace.h and BrowseLauncher.h). Linked into each program, not into vk_app, so
// that test programs link tests/support/TestHooks.cpp instead.

#include "app/BrowseLauncher.h"
#include "app/BrowseUrlList.h"
#include "app/StartupTrace.h"

namespace app {

void StartupTrace::Note(std::string_view) {}

BrowseLauncher::Procedure BrowseLauncher::Get() { return BrowseUrlList::Procedure; }

}  // namespace app
