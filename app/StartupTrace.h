#pragma once
// A note of each start-up and shutdown step as it happens, for tests that check the
// order. Without an observer (the normal run) a note costs one atomic load.

#include <functional>
#include <string_view>

namespace app {

class StartupTrace {
 public:
  using Observer = std::function<void(std::string_view step)>;
  // Install before the program starts and remove after it ended; not while it runs.
  static void SetObserver(Observer observer);
  static void Note(std::string_view step);
};

}  // namespace app
