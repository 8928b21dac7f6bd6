#pragma once
// The procedure the frame's browse item starts on a new thread. It is a function of
// its own so that the frame does not depend on the browse window. The shipped
// programs link app/ShippedHooks.cpp, which starts the URL list browse,
// BrowseUrlList; test programs link tests/support/TestHooks.cpp, where a test may put
// in a procedure of its own.
//
// Thread safety: Get may be called from any thread.

#include <functional>

namespace app {

class BrowseLauncher {
 public:
  using Procedure = std::function<void()>;

  // A copy of the procedure to start (never empty).
  static Procedure Get();
};

}  // namespace app
