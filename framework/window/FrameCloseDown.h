#pragma once
// Closing the application frame: before the frame closes, every window of the other
// threads is asked to close down (event CloseDown) through its own normal close path,
// newest window of each thread first, so that a form with unsaved changes can still
// ask or decline. When a window declines, the frame stays open.
//
// Thread safety: called on the frame's own thread while it handles its close request;
// it only posts to other threads and watches the window model.

#include <chrono>
#include <cstdint>

namespace framework::window {

class FrameCloseDown {
 public:
  static constexpr std::chrono::milliseconds PollPeriod{2};
  // How long the frame waits for the other threads to finish their procedures once
  // their windows have closed (they save their window positions meanwhile).
  static constexpr std::chrono::milliseconds ThreadEndWait{30000};

  // True when every window of another thread closed (and their threads ended, or
  // ThreadEndWait passed); false as soon as one declines: its thread handled the
  // request and the window is still open.
  static bool CloseOthers(int32_t frame);
};

}  // namespace framework::window
