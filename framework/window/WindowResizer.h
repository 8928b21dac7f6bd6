#pragma once
// Keeps a window's controls in place when the window changes size. A window
// controller holds one through SetResizer and tears it down with itself.
//
// Only the part the controller calls is here so far; the layout strategies arrive
// with the windows that resize.
//
// Thread safety: belongs to its window's thread.

namespace framework::window {

class WindowResizer {
 public:
  WindowResizer() = default;
  virtual ~WindowResizer() = default;
  WindowResizer(const WindowResizer&) = delete;
  WindowResizer& operator=(const WindowResizer&) = delete;

  // Releases what the resizer holds. Safe to call twice.
  virtual void Teardown() {}
};

}  // namespace framework::window
