#pragma once
// What an event handler tells the event loop. Constants only.

#include <cstdint>

namespace runtime::ui {

struct EventResult {
  static constexpr int32_t Normal = 0;    // the runtime completes the event normally
  static constexpr int32_t EndLoop = 3;   // end the event loop now; the window stays open
  static constexpr int32_t Consumed = 5;  // nothing more is done with the event; the loop goes on
};

}  // namespace runtime::ui
