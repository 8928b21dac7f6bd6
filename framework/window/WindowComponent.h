#pragma once
// What a window controller drives besides itself: browses, edit-in-place, the error
// window's list and anything else registered with WindowController::RegisterComponent.
// The controller calls these operations, in this slot order, while it resets the
// window, registers alert keys, dispatches events, updates buffers and tears down.
//
// Every operation has a base behaviour that does nothing and reports nothing done,
// so a component overrides only what it takes part in.
//
// Thread safety: a component belongs to its window's thread; the controller calls it
// only from there.

#include <cstdint>

#include "runtime/ui/PostedEvent.h"

namespace framework::window {

// Whether a reset redoes work its component believes is up to date.
enum class ResetMode : uint8_t { IfChanged, Forced };

class WindowComponent {
 public:
  virtual ~WindowComponent() = default;

  // Releases what the component holds; the controller calls it once, at its own Teardown.
  virtual void Teardown() {}
  // Brings the component up to date; ResetMode::Forced when it must redo its work even
  // if it believes nothing changed.
  virtual void Reset(ResetMode mode) { (void)mode; }
  // True when the component wants a reset after the event just handled.
  virtual bool ResetRequired() { return false; }
  virtual void RegisterAlertKeys() {}
  // The event in hand: 0 go on, 5 consumed, 3 end the window's loop.
  virtual int32_t HandleEvent(const runtime::ui::PostedEvent& event) {
    (void)event;
    return 0;
  }
  // Copies screen values into the component's buffers.
  virtual void Update() {}
  // Redisplays the component's controls.
  virtual void RefreshControls() {}
  // The primary buffer protocol of components registered as editing the primary record.
  virtual bool PrimaryBufferSaveRequired() { return false; }
  virtual bool PrimaryBufferRestoreRequired() { return false; }
  virtual void PrimaryBufferSaved() {}
  virtual void PrimaryBufferRestored() {}
};

}  // namespace framework::window
