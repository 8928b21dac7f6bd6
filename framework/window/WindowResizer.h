#pragma once
// Keeps a window's controls in step with the window's size. Init records every
// control's first rectangle and gives it a positional and a resize strategy from its
// control type and the window's overall strategy (AppStrategy); SetParents builds a
// tree in which controls inside a container (group, option, sheet) move with it. On
// each size change Resize computes every control's rectangle from its parent's first
// and present rectangles with ratios of four decimal places, and applies the moves.
// Back at its first size, the window gets every control's first rectangle exactly.
//
// A window controller holds one through SetResizer, hands it the window events it
// registered for (TakeEvent), and tears it down with itself.
//
// Thread safety: belongs to its window's thread, like the controller.
//
// Virtual operations are declared in their fixed slot order.

#include <cstdint>
#include <memory>
#include <vector>

namespace framework::window {

class WindowResizer {
 public:
  // AppStrategy: chooses the default strategies of each control type.
  static constexpr uint8_t StrategyScale = 1;       // scale, prompts and checks to the nearest edges
  static constexpr uint8_t StrategySurround = 2;    // fixed tops, containers and lists take the gaps
  static constexpr uint8_t StrategyFixed = 3;       // nothing moves
  static constexpr uint8_t StrategyFixedSizes = 4;  // as 2, but buttons and texts keep their sizes
  static constexpr uint8_t StrategyCentred = 5;     // everything keeps its place about the centre

  // PositionalStrategy: the low byte is the horizontal rule, the high byte the vertical.
  static constexpr uint16_t ScaleLeft = 0;
  static constexpr uint16_t FixLeft = 1;            // keep the first coordinate
  static constexpr uint16_t FixRight = 2;           // keep the distance from the parent's right
  static constexpr uint16_t FixLeftOffset = 4;      // keep the offset from the parent's left
  static constexpr uint16_t FixXCentre = 8;         // keep the place about the parent's centre
  static constexpr uint16_t FixNearestX = 16;       // 4 or 2, whichever edge is nearer
  static constexpr uint16_t FixXCentreOffset = 32;  // keep the offset from the centre unscaled
  static constexpr uint16_t ScaleTop = 0;
  static constexpr uint16_t FixTop = 256;
  static constexpr uint16_t FixBottom = 512;
  static constexpr uint16_t FixTopOffset = 1024;
  static constexpr uint16_t FixYCentre = 2048;
  static constexpr uint16_t FixNearestY = 4096;
  static constexpr uint16_t FixYCentreOffset = 8192;

  // ResizeStrategy bits.
  static constexpr uint16_t LockWidth = 1;
  static constexpr uint16_t LockHeight = 2;
  static constexpr uint16_t ConstantRight = 4;       // the gap to the parent's right stays
  static constexpr uint16_t ConstantBottom = 8;
  static constexpr uint16_t ConstantRightHalf = 16;  // the width grows by half the gap
  static constexpr uint16_t ConstantBottomHalf = 32;

  // Two-valued options of Init.
  enum class MinimumSize : uint8_t { Free, FirstSize };  // FirstSize: never smaller than at Init
  enum class MaximumSize : uint8_t { Free, FirstSize };  // FirstSize: never larger than at Init

  // The width or height passed to the runtime when a control keeps its natural one.
  static constexpr int32_t Absent = INT32_MIN;

  struct Rect {
    int32_t XPos = 0;
    int32_t YPos = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    bool operator==(const Rect&) const = default;
  };
  struct WindowRect {
    int32_t XPos = 0;
    int32_t YPos = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    uint8_t Maximized = 0;
    uint8_t Iconized = 0;
  };
  struct ControlEntry {
    int32_t Id = 0;
    int32_t Type = 0;
    uint8_t HasChildren = 0;
    uint16_t PositionalStrategy = 0;
    uint16_t ResizeStrategy = 0;
    Rect Pos;  // the first rectangle
    int32_t ParentId = 0;  // 0: the window
  };
  struct MoveEntry {
    int32_t Priority = 0;
    int32_t ControlId = 0;
    int32_t Type = 0;
    Rect Before;
    Rect After;
  };
  struct Strategies {
    uint16_t Positional = 0;
    uint16_t Resize = 0;
  };

  WindowResizer() = default;
  virtual ~WindowResizer();
  WindowResizer(const WindowResizer&) = delete;
  WindowResizer& operator=(const WindowResizer&) = delete;

  // Takes `window` over: creates the lists, registers for the window events that
  // change its size (RegisteredEvents), marks the window's layout as managed, captures,
  // sets the parents for strategies 2 and 4, fixes the minimum and maximum size as
  // asked, and batches the moves from then on.
  void Init(int32_t window, uint8_t appStrategy, MinimumSize minimum, MaximumSize maximum);
  // Unregisters and disposes the lists. Safe to call twice.
  void Teardown();
  // What a controller calls with each window event: a registered one runs the
  // whole-window Resize. True when it was one.
  bool TakeEvent(int32_t eventNumber);
  // The window events the resizer registers for.
  static bool IsRegisteredEvent(int32_t eventNumber);

  // The default strategies for a control type under an AppStrategy.
  static Strategies DefaultStrategies(uint8_t appStrategy, int32_t type);

  // ---- Virtual operations, in slot order ----

  // The control's ParentId; 0 when it is not managed.
  virtual int32_t GetParentId(int32_t control);
  // The window's first state and every control's present rectangle; new controls are
  // added with their defaults. ResizeCalled := 0.
  virtual void Capture();
  // The whole window: nothing when its size has not changed since the last resize.
  virtual void Resize();
  // The children of `parent` (0: the window) follow the parent's change of size.
  virtual void Resize(int32_t parent);
  // Hooks for derived resizers; the second runs after each whole-window resize.
  virtual void ResizeHook() {}
  virtual void AfterWindowResize() {}
  // The window back in its first state and size, every control at its first rectangle.
  virtual void RestoreLayout();
  // Builds the parent tree afresh; the same result however often it runs.
  virtual void SetParents();
  // Finds the parent of one entry (and, for a container, its children).
  virtual void SetParent(ControlEntry& entry);
  // The rectangle of a control whose first rectangle was `c0`, inside a parent that
  // was `p0` and is now `p1`, by the control's strategies.
  virtual Rect ComputeRect(const ControlEntry& entry, const Rect& c0, const Rect& p0, const Rect& p1);

  // ---- Fields, in declaration order ----
  uint8_t AppStrategy = 0;
  uint8_t AutoTransparent = 0;  // kept for derived resizers; unused here
  WindowRect OrigWin;
  std::unique_ptr<std::vector<ControlEntry>> ControlQueue;
  uint8_t DeferMoves = 0;
  Rect PreviousWin;
  uint8_t ResizeCalled = 0;
  std::unique_ptr<std::vector<MoveEntry>> ResizeList;

 private:
  ControlEntry* Find(int32_t control);
  // The control's present rectangle; for the window (0) its inner size.
  Rect ReadRect(int32_t control) const;
  // Moves the control to `target` unless it is there already.
  void MoveControl(int32_t control, const Rect& target) const;
  // Makes `child` a child of `parent` (never of itself).
  void RecordChild(int32_t child, int32_t parent);
  // Appends the moves of the children of `parent` and, depth first, their children.
  void ResizeChildren(int32_t parent, const Rect& p0, const Rect& p1, int depth);
  void SortByPriority(const Rect& now);

  int32_t Window = 0;
  bool Registered = false;
};

}  // namespace framework::window
