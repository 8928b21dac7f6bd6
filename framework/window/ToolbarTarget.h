#pragma once
// Something a ToolbarManager hands its events to: a browse or a form that reacts to
// the toolbar's navigation and action buttons. Operations in slot order. Belongs to
// its window's thread.

#include <cstdint>

namespace framework::window {

class ToolbarTarget {
 public:
  virtual ~ToolbarTarget() = default;

  // Forwarded by ToolbarManager::Refresh without arguments: show the buttons' state again.
  virtual void Refresh() = 0;
  // Becomes the active target (shows its buttons).
  virtual void Activate() = 0;
  // True when this is the target to use now (its control has the focus, its tab shows).
  virtual bool WantsToolbar() = 0;
  // A toolbar event: the window's navigation-request variable and the accepted control.
  virtual void TakeEvent(int32_t* request, int32_t value) = 0;
};

}  // namespace framework::window
