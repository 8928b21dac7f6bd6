#pragma once
// The test programs' side of app::StartupTrace and app::BrowseLauncher: a test may
// observe the start-up notes and replace the procedure the frame's browse item starts.
// Install before the program starts and remove after it ended; not while it runs.

#include <functional>
#include <string_view>

#include "app/BrowseLauncher.h"

namespace testsupport {

using StartupObserver = std::function<void(std::string_view step)>;
// nullptr removes the observer.
void SetStartupObserver(StartupObserver observer);

// Makes `procedure` the one the frame's browse item starts; nullptr restores the
// program's own browse.
void SetBrowseProcedure(app::BrowseLauncher::Procedure procedure);

}  // namespace testsupport
