#pragma once
// The event loop of one window, run on the thread that opened it. Each event the
// window takes goes to the handler, whose result the loop obeys (EventResult):
//   Normal (0)   the runtime completes the event: CloseWindow and CloseDown close
//                the window, a frame menu item with a standard action carries it out;
//   Consumed (5) nothing more is done; the loop goes on;
//   EndLoop (3)  the loop ends now; the window stays open for its owner to close.
// Any other value counts as Normal. The loop also ends when the window closes.
//
// Before the handler sees it, an Accepted entry moves its screen text into its
// variable; when the picture refuses the text the handler gets Rejected instead (and
// the variable keeps its value). The window's timer (Prop::Timer) yields Timer events.
// A handler that opens another window and runs its loop nests it on the same thread;
// this loop takes nothing until that window has closed.
//
// Thread safety: Run is called on the window's own thread; Current reads the calling
// thread's event in hand.

#include <cstdint>
#include <functional>

#include "runtime/ui/PostedEvent.h"

namespace runtime::ui {

using EventHandler = std::function<int32_t(const PostedEvent& event)>;

class EventLoop {
 public:
  // Runs the loop until the handler ends it or the window closes. Returns at once when
  // the window does not exist or belongs to another thread.
  static void Run(int32_t window, const EventHandler& handler);

  // The event the calling thread's innermost loop is handling (empty outside one).
  static PostedEvent Current();
  static int32_t KeyCode();
  static void SetKeyCode(int32_t key);
};

}  // namespace runtime::ui
