#pragma once
// The procedure the frame's browse item starts on a new thread. It is a setting of
// its own so that the frame does not depend on the browse window: the browse
// procedure registers itself here, and tests put in procedures of their own. The
// default is the URL list browse, BrowseUrlList.
//
// Thread safety: Set and Get may be called from any thread.

#include <functional>

namespace app {

class BrowseLauncher {
 public:
  using Procedure = std::function<void()>;

  // Makes `procedure` the one started; nullptr restores the default.
  static void Set(Procedure procedure);
  // A copy of the procedure to start (never empty).
  static Procedure Get();
};

}  // namespace app
