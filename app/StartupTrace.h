#pragma once
// A note of each start-up and shutdown step as it happens. The shipped programs link
// app/ShippedHooks.cpp, where a note does nothing; test programs link
// tests/support/TestHooks.cpp, where a test may observe the notes to check their order.

#include <string_view>

namespace app {

class StartupTrace {
 public:
  static void Note(std::string_view step);
};

}  // namespace app
