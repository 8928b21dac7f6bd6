#pragma once
// The numbers of the runtime's events, as window procedures see them in their event
// loops. The numbers are fixed: the framework, the scripts and stored key maps use
// them. Numbers not named here are never posted by the runtime; program code may post
// any number of its own (they arrive unchanged). Constants only.

#include <cstdint>

namespace runtime::ui {

struct Event {
  // Control events.
  static constexpr int32_t Accepted = 1;      // a control's input is complete (button pressed, entry left)
  static constexpr int32_t NewSelection = 2;  // a list row, tab or choice changed
  static constexpr int32_t ScrollUp = 3;      // one row up
  static constexpr int32_t ScrollDown = 4;    // one row down
  static constexpr int32_t PageUp = 5;
  static constexpr int32_t PageDown = 6;
  static constexpr int32_t ScrollTop = 7;
  static constexpr int32_t ScrollBottom = 8;
  static constexpr int32_t Locate = 9;        // the user asks a list to locate
  static constexpr int32_t PreAlertKey = 14;  // an alert key is about to be handled
  static constexpr int32_t AlertKey = 15;     // a key registered as alert key on the control
  static constexpr int32_t Dragging = 16;
  static constexpr int32_t Drag = 17;
  static constexpr int32_t Drop = 18;
  static constexpr int32_t ScrollDrag = 20;   // the list's thumb was dragged
  static constexpr int32_t TabChanging = 21;
  static constexpr int32_t Expanding = 22;
  static constexpr int32_t Contracting = 23;
  static constexpr int32_t Rejected = 26;     // the control refused its input
  static constexpr int32_t DroppingDown = 27;
  static constexpr int32_t ColumnResize = 29;
  static constexpr int32_t EntryChanged = 30; // an entry's text changed while being typed in (Immediate entries)
  static constexpr int32_t Selected = 257;    // a control received the focus
  static constexpr int32_t Selecting = 258;   // a control is about to receive the focus

  // Window events (they concern no control).
  static constexpr int32_t CloseWindow = 513;
  static constexpr int32_t CloseDown = 514;   // the application is closing
  static constexpr int32_t OpenWindow = 515;
  static constexpr int32_t OpenFailed = 516;
  static constexpr int32_t LoseFocus = 517;
  static constexpr int32_t GainFocus = 518;
  static constexpr int32_t Suspend = 520;
  static constexpr int32_t Resume = 521;
  static constexpr int32_t Notify = 522;      // a notification from a thread (code, sender, parameter)
  static constexpr int32_t Timer = 523;
  static constexpr int32_t Docked = 544;
  static constexpr int32_t Undocked = 545;
  static constexpr int32_t Moved = 546;
  static constexpr int32_t Sized = 547;
  static constexpr int32_t Restored = 548;
  static constexpr int32_t Completed = 549;   // every control validated: the window's input is complete
  static constexpr int32_t Maximized = 553;
  static constexpr int32_t Iconized = 554;
  static constexpr int32_t DoResize = 561;    // the window's size changed; layouts follow
  static constexpr int32_t Maximizing = 562;
  static constexpr int32_t Iconizing = 563;
  static constexpr int32_t Resized = 1023;    // posted by the program after a resize, for layouts

  // Runtime-internal: asks the window's own thread to validate every control for
  // completion. Never reaches a handler.
  static constexpr int32_t CompletionRequest = 0x7FFF0001;
};

}  // namespace runtime::ui
