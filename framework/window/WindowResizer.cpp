#include "framework/window/WindowResizer.h"

#include <algorithm>
#include <initializer_list>

#include "runtime/ui/ControlType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace framework::window {
namespace {

using runtime::ui::ControlType;
using runtime::ui::Event;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

// Control types the runtime does not name yet; the strategy tables know them.
constexpr int32_t ReservedType21 = 21;
constexpr int32_t ReservedType25 = 25;
constexpr int32_t ReservedType34 = 34;
constexpr int32_t ReservedType39 = 39;
constexpr int32_t ReservedType40 = 40;
// Control types a resizer may manage.
constexpr int32_t FirstManagedType = 1;
constexpr int32_t LastManagedType = 127;

// Ratios and the values computed from them keep four decimal places: fixed point
// with this scale.
constexpr int64_t DecimalScale = 10000;
constexpr int64_t Half = DecimalScale / 2;

// Containers nest a few levels deep at most; a deeper chain can only be a loop.
constexpr int MaxDepth = 64;

bool OneOf(int32_t type, std::initializer_list<int32_t> types) {
  return std::find(types.begin(), types.end(), type) != types.end();
}

// value / divisor rounded to the nearest whole number, halves away from zero.
int64_t RoundDiv(int64_t value, int64_t divisor) {
  if (divisor < 0) value = -value, divisor = -divisor;
  return value >= 0 ? (value + divisor / 2) / divisor : -((-value + divisor / 2) / divisor);
}

// new / old with four decimal places; 1 when the old size is 0 (nothing to scale by).
int64_t Ratio(int32_t now, int32_t was) {
  if (was == 0) return DecimalScale;
  return RoundDiv(static_cast<int64_t>(now) * DecimalScale, was);
}

int64_t Dec(int64_t whole) { return whole * DecimalScale; }
// A decimal times a ratio, still a decimal.
int64_t Times(int64_t decimal, int64_t ratio) { return RoundDiv(decimal * ratio, DecimalScale); }
int32_t Whole(int64_t decimal) { return static_cast<int32_t>(RoundDiv(decimal, DecimalScale)); }

// One axis of ComputeRect. The vertical axis is the horizontal one with its rules and
// bits shifted: rules by a byte, bits by one.
struct Axis {
  int32_t C0Pos, C0Size, P0Pos, P0Size, P1Pos, P1Size;
  uint16_t Rule;
  bool LockSize, ConstantEdge, ConstantEdgeHalf;
};

struct AxisResult {
  int32_t Pos, Size;
};

AxisResult ComputeAxis(const Axis& a) {
  const int64_t ratio = Ratio(a.P1Size, a.P0Size);
  const int32_t rel = a.C0Pos - a.P0Pos;
  const bool grows = a.ConstantEdge || a.ConstantEdgeHalf;
  int64_t size = Dec(a.C0Size);
  if (!grows && !a.LockSize) size = Times(size, ratio);

  uint16_t rule = a.Rule;
  if (rule == WindowResizer::FixNearestX) {
    const int32_t toFar = a.P0Size - rel - a.C0Size;
    rule = rel < toFar ? WindowResizer::FixLeftOffset : WindowResizer::FixRight;
  }
  const int64_t scaleOrOne = a.LockSize ? DecimalScale : ratio;
  int64_t pos = 0;
  switch (rule) {
    case WindowResizer::FixLeft: pos = Dec(a.C0Pos); break;
    case WindowResizer::FixRight: {
      const int64_t distance = Times(Dec(a.P0Size - rel), scaleOrOne);
      pos = Dec(a.P1Pos + a.P1Size) - distance;
      break;
    }
    case WindowResizer::FixLeftOffset: pos = Dec(a.P1Pos + rel); break;
    case WindowResizer::FixXCentre:
      pos = Dec(a.P1Size) / 2 + Dec(a.P1Pos) + Times(Dec(rel) - Dec(a.P0Size) / 2, scaleOrOne);
      break;
    case WindowResizer::FixXCentreOffset:
      pos = (Dec(a.P1Size) / 2 + Dec(a.P1Pos - a.P0Pos)) - (Dec(a.P0Size) / 2 - Dec(a.C0Pos));
      break;
    default: pos = Times(Dec(rel), ratio) + Dec(a.P1Pos); break;
  }
  const int32_t newPos = Whole(pos);
  const int32_t gap = (a.P1Pos + a.P1Size + rel - a.P0Size) - newPos;
  if (a.ConstantEdge) size = Dec(a.C0Size + gap);
  else if (a.ConstantEdgeHalf) size = Dec(a.C0Size) + Dec(gap) / 2;
  return {newPos, Whole(size)};
}

constexpr uint16_t VerticalShift = 8;
constexpr uint16_t LowByte = 0xFF;

}  // namespace

WindowResizer::~WindowResizer() { Teardown(); }

bool WindowResizer::IsRegisteredEvent(int32_t eventNumber) {
  return eventNumber == Event::Resized || eventNumber == Event::Maximizing || eventNumber == Event::GainFocus ||
         eventNumber == Event::Iconizing;
}

WindowResizer::Strategies WindowResizer::DefaultStrategies(uint8_t appStrategy, int32_t type) {
  // The strategy table numbers controls as the window description does; this runtime
  // numbers them its own way. A button is the table's type 9, which keeps its size at the
  // nearer edges: laid out as the table's type 8 (a field kept at its top offset), the
  // buttons under a growing list would end up over it. An entry is the table's type 8:
  // scaled as a whole it would grow into the controls below it.
  const bool edgeHugger =
      OneOf(type, {ControlType::Prompt, ControlType::Check, ControlType::Button, ReservedType21});
  const uint16_t nearest = FixNearestY | FixNearestX;
  const uint16_t keepSize = LockWidth | LockHeight;
  const uint16_t offsets = FixTopOffset | FixLeftOffset;
  const uint16_t takeGaps = ConstantRight | ConstantBottom;
  switch (appStrategy) {
    case StrategyScale:
      if (edgeHugger) return {nearest, keepSize};
      if (OneOf(type, {ControlType::Entry, ControlType::Combo, ControlType::Spin, ReservedType34}))
        return {ScaleLeft, LockHeight};
      return {};
    case StrategySurround:
      if (OneOf(type, {ControlType::String, ControlType::Image, ControlType::Entry, ControlType::Radio,
                       ControlType::Combo, ControlType::Spin, ReservedType34}))
        return {FixTopOffset, LockHeight};
      if (OneOf(type, {ControlType::Region, ControlType::Line, ControlType::Group, ControlType::Option,
                       ControlType::List, ControlType::Sheet, ReservedType39}))
        return {offsets, takeGaps};
      if (edgeHugger) return {nearest, keepSize};
      return {};
    case StrategyFixed: return {FixTop | FixLeft, keepSize};
    case StrategyFixedSizes:
      if (OneOf(type, {ControlType::Region, ControlType::Line, ControlType::Group, ControlType::Option,
                       ControlType::List, ControlType::Text, ControlType::Sheet, ReservedType39, ReservedType40}))
        return {offsets, takeGaps};
      if (OneOf(type, {ControlType::String, ControlType::Image, ControlType::Radio})) return {offsets, keepSize};
      if (OneOf(type, {ControlType::Entry, ControlType::Combo, ControlType::Spin, ReservedType34}))
        return {offsets, static_cast<uint16_t>(LockHeight | ConstantRight)};
      if (edgeHugger) return {nearest, keepSize};
      return {};
    case StrategyCentred: return {FixYCentre | FixXCentre, keepSize};
    default: return {};
  }
}

void WindowResizer::Init(int32_t window, uint8_t appStrategy, MinimumSize minimum, MaximumSize maximum) {
  Window = window;
  ControlQueue = std::make_unique<std::vector<ControlEntry>>();
  ResizeList = std::make_unique<std::vector<MoveEntry>>();
  AppStrategy = appStrategy;
  Registered = true;
  WindowModel::SetPropInt(Window, 0, Prop::Immediate, 1);
  Capture();
  if (AppStrategy == StrategySurround || AppStrategy == StrategyFixedSizes) SetParents();
  if (minimum == MinimumSize::FirstSize) {
    WindowModel::SetPropInt(Window, 0, Prop::MinWidth, OrigWin.Width);
    WindowModel::SetPropInt(Window, 0, Prop::MinHeight, OrigWin.Height);
  }
  if (maximum == MaximumSize::FirstSize) {
    WindowModel::SetPropInt(Window, 0, Prop::MaxWidth, OrigWin.Width);
    WindowModel::SetPropInt(Window, 0, Prop::MaxHeight, OrigWin.Height);
  }
  DeferMoves = 1;
}

void WindowResizer::Teardown() {
  Registered = false;
  ControlQueue.reset();
  ResizeList.reset();
}

bool WindowResizer::TakeEvent(int32_t eventNumber) {
  if (!Registered || !IsRegisteredEvent(eventNumber)) return false;
  Resize();
  return true;
}

int32_t WindowResizer::GetParentId(int32_t control) {
  const ControlEntry* entry = Find(control);
  return entry ? entry->ParentId : 0;
}

void WindowResizer::Capture() {
  if (!ControlQueue) return;
  const Rect window = ReadRect(0);
  OrigWin = {window.XPos,
             window.YPos,
             window.Width,
             window.Height,
             static_cast<uint8_t>(WindowModel::GetPropInt(Window, 0, Prop::Maximize) != 0),
             static_cast<uint8_t>(WindowModel::GetPropInt(Window, 0, Prop::Iconize) != 0)};
  PreviousWin = window;
  const auto snapshot = WindowModel::Snapshot(Window);
  if (snapshot)
    for (const runtime::ui::Control& c : snapshot->Controls) {
      if (ControlEntry* known = Find(c.Number)) {
        known->Pos = {c.X, c.Y, c.Width, c.Height};
        continue;
      }
      if (WindowModel::GetPropInt(Window, c.Number, Prop::NoLayout) != 0) continue;
      if (c.Type < FirstManagedType || c.Type > LastManagedType) continue;
      if (OneOf(c.Type, {ControlType::Menu, ControlType::Item, ControlType::Toolbar, ControlType::MenuBar,
                         ReservedType25, ControlType::Tab}))
        continue;
      ControlEntry entry;
      entry.Id = c.Number;
      entry.Type = c.Type;
      // A list that fills its width is laid out like the table's type 8 (a field kept at
      // its top offset), which type 34 shares every strategy with.
      if (c.Type == ControlType::List && WindowModel::GetPropInt(Window, c.Number, Prop::FillsWidth) != 0)
        entry.Type = ReservedType34;
      const Strategies defaults = DefaultStrategies(AppStrategy, entry.Type);
      entry.PositionalStrategy = defaults.Positional;
      entry.ResizeStrategy = defaults.Resize;
      entry.Pos = {c.X, c.Y, c.Width, c.Height};
      ControlQueue->push_back(entry);
    }
  ResizeCalled = 0;
}

void WindowResizer::Resize() { Resize(0); }

void WindowResizer::Resize(int32_t parent) {
  if (!ControlQueue || !ResizeList) return;
  ResizeList->clear();
  const Rect now = ReadRect(0);
  if (ControlQueue->empty()) return;
  if (parent == 0 && now.Width == PreviousWin.Width && now.Height == PreviousWin.Height) return;
  const ControlEntry* owner = parent != 0 ? Find(parent) : nullptr;
  if (parent != 0 && !owner) return;

  int64_t remembered = 0;
  if (DeferMoves) {
    remembered = WindowModel::GetPropInt(Window, 0, Prop::DeferMoves);
    WindowModel::SetPropInt(Window, 0, Prop::DeferMoves, static_cast<int64_t>(ControlQueue->size()));
  }
  if (now.Width == OrigWin.Width && now.Height == OrigWin.Height) {
    for (const ControlEntry& entry : *ControlQueue) MoveControl(entry.Id, entry.Pos);
  } else {
    Rect p0{0, 0, OrigWin.Width, OrigWin.Height};
    Rect p1{0, 0, now.Width, now.Height};
    if (owner) {
      p0 = owner->Pos;
      p1 = ReadRect(parent);
    }
    ResizeChildren(parent, p0, p1, 0);
    if (!DeferMoves) SortByPriority(now);
    for (const MoveEntry& move : *ResizeList)
      if (!(move.After == move.Before)) MoveControl(move.ControlId, move.After);
  }
  if (DeferMoves) WindowModel::SetPropInt(Window, 0, Prop::DeferMoves, remembered < 0 ? remembered : 0);
  ResizeCalled = 1;
  PreviousWin = now;
  if (parent == 0) AfterWindowResize();
}

void WindowResizer::RestoreLayout() {
  if (!ControlQueue) return;
  WindowModel::SetPropInt(Window, 0, Prop::Maximize, OrigWin.Maximized);
  WindowModel::SetPropInt(Window, 0, Prop::Iconize, OrigWin.Iconized);
  WindowModel::SetPropInt(Window, 0, Prop::Width, OrigWin.Width);
  WindowModel::SetPropInt(Window, 0, Prop::Height, OrigWin.Height);
  for (const ControlEntry& entry : *ControlQueue) MoveControl(entry.Id, entry.Pos);
}

void WindowResizer::SetParents() {
  if (!ControlQueue) return;
  for (ControlEntry& entry : *ControlQueue) {
    entry.ParentId = 0;
    entry.HasChildren = 0;
  }
  // By index: SetParent changes other entries of the list.
  for (size_t i = 0; i < ControlQueue->size(); ++i) SetParent((*ControlQueue)[i]);
}

void WindowResizer::SetParent(ControlEntry& entry) {
  int32_t runtimeParent = static_cast<int32_t>(WindowModel::GetPropInt(Window, entry.Id, Prop::Parent));
  if (runtimeParent != 0) {
    // Tabs are never managed: a control on a tab follows the tab's sheet.
    for (int depth = 0; depth < MaxDepth && runtimeParent != 0 &&
                        WindowModel::GetPropInt(Window, runtimeParent, Prop::Type) == ControlType::Tab;
         ++depth)
      runtimeParent = static_cast<int32_t>(WindowModel::GetPropInt(Window, runtimeParent, Prop::Parent));
    if (runtimeParent != 0) RecordChild(entry.Id, runtimeParent);
    return;
  }
  if (!OneOf(entry.Type, {ControlType::Group, ControlType::Option, ControlType::Sheet, ControlType::Tab})) return;
  const int32_t container = entry.Id;
  const Rect area = entry.Pos;
  const int32_t ownParent = entry.ParentId;
  const auto inside = [](const Rect& outer, int32_t x, int32_t y) {
    return x >= outer.XPos && x < outer.XPos + outer.Width && y >= outer.YPos && y < outer.YPos + outer.Height;
  };
  for (size_t i = 0; i < ControlQueue->size(); ++i) {
    ControlEntry& other = (*ControlQueue)[i];
    if (other.Id == container || other.Id == ownParent) continue;
    if (!inside(area, other.Pos.XPos, other.Pos.YPos)) continue;
    // The innermost container wins, whichever was declared first.
    if (other.ParentId != 0) {
      const ControlEntry* current = Find(other.ParentId);
      if (current && !inside(current->Pos, area.XPos, area.YPos)) continue;
    }
    RecordChild(other.Id, container);
  }
}

WindowResizer::Rect WindowResizer::ComputeRect(const ControlEntry& entry, const Rect& c0, const Rect& p0,
                                               const Rect& p1) {
  const uint16_t rs = entry.ResizeStrategy;
  const uint16_t ps = entry.PositionalStrategy;
  const AxisResult x = ComputeAxis({c0.XPos, c0.Width, p0.XPos, p0.Width, p1.XPos, p1.Width,
                                    static_cast<uint16_t>(ps & LowByte), (rs & LockWidth) != 0,
                                    (rs & ConstantRight) != 0, (rs & ConstantRightHalf) != 0});
  const AxisResult y = ComputeAxis({c0.YPos, c0.Height, p0.YPos, p0.Height, p1.YPos, p1.Height,
                                    static_cast<uint16_t>((ps >> VerticalShift) & LowByte),
                                    (rs & LockHeight) != 0, (rs & ConstantBottom) != 0,
                                    (rs & ConstantBottomHalf) != 0});
  return {x.Pos, y.Pos, x.Size, y.Size};
}

// ---- Private ------------------------------------------------------------------

WindowResizer::ControlEntry* WindowResizer::Find(int32_t control) {
  if (!ControlQueue) return nullptr;
  for (ControlEntry& entry : *ControlQueue)
    if (entry.Id == control) return &entry;
  return nullptr;
}

WindowResizer::Rect WindowResizer::ReadRect(int32_t control) const {
  Rect r;
  r.XPos = static_cast<int32_t>(WindowModel::GetPropInt(Window, control, Prop::XPos));
  r.YPos = static_cast<int32_t>(WindowModel::GetPropInt(Window, control, Prop::YPos));
  const int32_t width = control == 0 ? Prop::ClientWidth : Prop::Width;
  const int32_t height = control == 0 ? Prop::ClientHeight : Prop::Height;
  r.Width = static_cast<int32_t>(WindowModel::GetPropInt(Window, control, width));
  r.Height = static_cast<int32_t>(WindowModel::GetPropInt(Window, control, height));
  return r;
}

void WindowResizer::MoveControl(int32_t control, const Rect& target) const {
  const Rect now = ReadRect(control);
  if (now == target) return;
  const bool keepWidth = WindowModel::GetPropInt(Window, control, Prop::NoWidth) != 0;
  const bool keepHeight = WindowModel::GetPropInt(Window, control, Prop::NoHeight) != 0;
  if (now.XPos != target.XPos) WindowModel::SetPropInt(Window, control, Prop::XPos, target.XPos);
  if (now.YPos != target.YPos) WindowModel::SetPropInt(Window, control, Prop::YPos, target.YPos);
  if (!keepWidth && now.Width != target.Width) WindowModel::SetPropInt(Window, control, Prop::Width, target.Width);
  if (!keepHeight && now.Height != target.Height)
    WindowModel::SetPropInt(Window, control, Prop::Height, target.Height);
}

void WindowResizer::RecordChild(int32_t child, int32_t parent) {
  if (child == parent) return;
  ControlEntry* entry = Find(child);
  if (!entry) return;
  entry->ParentId = parent;
  if (ControlEntry* owner = Find(parent)) owner->HasChildren = 1;
}

void WindowResizer::ResizeChildren(int32_t parent, const Rect& p0, const Rect& p1, int depth) {
  if (depth >= MaxDepth) return;
  // By index: the list does not change here, but entries hold their own copies.
  for (size_t i = 0; i < ControlQueue->size(); ++i) {
    const ControlEntry entry = (*ControlQueue)[i];
    if (entry.ParentId != parent) continue;
    const Rect after = ComputeRect(entry, entry.Pos, p0, p1);
    ResizeList->push_back(MoveEntry{0, entry.Id, entry.Type, ReadRect(entry.Id), after});
    const bool changed = !(after == entry.Pos);
    if (entry.HasChildren && (changed || WindowModel::GetPropInt(Window, entry.Id, Prop::MovesChildren) != 0))
      ResizeChildren(entry.Id, entry.Pos, after, depth + 1);
  }
}

void WindowResizer::SortByPriority(const Rect& now) {
  const bool widthChanged = now.Width != PreviousWin.Width;
  const bool heightChanged = now.Height != PreviousWin.Height;
  for (MoveEntry& move : *ResizeList) {
    if (widthChanged && heightChanged)
      move.Priority = move.After.XPos * move.After.XPos + move.After.YPos * move.After.YPos;
    else if (!widthChanged) move.Priority = move.After.YPos;
    else move.Priority = move.After.XPos;
  }
  const int64_t before = static_cast<int64_t>(PreviousWin.Width) * PreviousWin.Width +
                         static_cast<int64_t>(PreviousWin.Height) * PreviousWin.Height;
  const int64_t after = static_cast<int64_t>(now.Width) * now.Width + static_cast<int64_t>(now.Height) * now.Height;
  // Growing moves the controls nearest the origin first; shrinking the farthest first,
  // so that no control passes over another on the way.
  if (after > before)
    std::stable_sort(ResizeList->begin(), ResizeList->end(),
                     [](const MoveEntry& a, const MoveEntry& b) { return a.Priority < b.Priority; });
  else
    std::stable_sort(ResizeList->begin(), ResizeList->end(),
                     [](const MoveEntry& a, const MoveEntry& b) { return a.Priority > b.Priority; });
}

}  // namespace framework::window
