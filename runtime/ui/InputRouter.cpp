#include "runtime/ui/InputRouter.h"

#include <utility>

#include "runtime/ui/ControlType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/FrameAction.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace runtime::ui {
namespace {

constexpr int32_t ShiftF10 = runtime::ui::Key::Shift + runtime::ui::Key::F1 + 9;

bool HasAlert(const Control& c, int32_t key) {
  for (const auto& [slot, k] : c.Alerts)
    if (k == key) return true;
  return false;
}

bool WindowHasAlert(const Window& w, int32_t key) {
  for (const auto& [at, value] : w.Other)
    if (at.first == Prop::Alert && value == std::to_string(key)) return true;
  return false;
}

bool TakesTyping(int32_t type) {
  return type == ControlType::Entry || type == ControlType::Text || type == ControlType::Spin || type == ControlType::Combo;
}

RoutedInput Deliver(std::string refusal) { return RoutedInput{.Routed = true, .Refusal = std::move(refusal)}; }

RoutedInput Send(int32_t window, int32_t control, int32_t event, int32_t key) {
  return Deliver(WindowModel::Input(window, control, event, key));
}

}  // namespace

int32_t InputRouter::ScrollEventOf(int32_t key) {
  switch (key) {
    case runtime::ui::Key::Up: return Event::ScrollUp;
    case runtime::ui::Key::Down: return Event::ScrollDown;
    case runtime::ui::Key::PgUp: return Event::PageUp;
    case runtime::ui::Key::PgDn: return Event::PageDown;
    case runtime::ui::Key::Home: return Event::ScrollTop;
    case runtime::ui::Key::End: return Event::ScrollBottom;
    default: return 0;
  }
}

RoutedInput InputRouter::Key(int32_t window, int32_t key, int32_t focused, EntryAccepted entry) {
  using runtime::ui::Key;
  const auto w = WindowModel::Snapshot(window);
  if (!w) return Deliver("window " + std::to_string(window) + " is not open");
  if (key == ShiftF10) key = Key::MenuKey;
  if (key == Key::None) return {};

  const Control* focus = w->Find(focused == ModelFocus ? w->Focus : focused);
  if (focus && HasAlert(*focus, key)) return Send(window, focus->Number, Event::AlertKey, key);
  if (WindowHasAlert(*w, key)) return Send(window, 0, Event::AlertKey, key);
  if (!focus)
    for (const Control& c : w->Controls)
      if (!c.Hidden && !c.Disabled && HasAlert(c, key)) return Send(window, c.Number, Event::AlertKey, key);

  switch (key) {
    case Key::Enter:
      for (const Control& c : w->Controls)
        if (c.Default && c.Type == ControlType::Button && !c.Hidden && !c.Disabled)
          return Send(window, c.Number, Event::Accepted, key);
      if (focus && TakesTyping(focus->Type)) {
        if (entry == EntryAccepted::Already) return Deliver({});
        return Send(window, focus->Number, Event::Accepted, key);
      }
      return {};
    case Key::Esc: return Send(window, 0, Event::CloseWindow, key);
    case Key::F1:
      if (auto screen = FrontEnd::Installed()) screen->CarryOut(FrameAction::HelpContents, window);
      return Deliver({});
    case Key::MenuKey:
      if (focus && focus->Type == ControlType::List) {
        if (focus->SelectedRow < 1) return Send(window, focus->Number, Event::NewSelection, key);
        return Deliver(WindowModel::ChooseRow(window, focus->Number, focus->SelectedRow, key));
      }
      return {};
    default: break;
  }
  // In an entry the arrow, Home and End keys move the cursor.
  if (const int32_t scroll = ScrollEventOf(key); scroll != 0 && !(focus && TakesTyping(focus->Type))) {
    const Control* list = focus && focus->Type == ControlType::List ? focus : nullptr;
    if (!list)
      for (const Control& c : w->Controls)
        if (c.Type == ControlType::List && !c.Hidden) {
          list = &c;
          break;
        }
    if (list) return Send(window, list->Number, scroll, key);
  }
  return {};
}

RoutedInput InputRouter::Click(int32_t window, int32_t list, int32_t row) {
  return Deliver(WindowModel::ChooseRow(window, list, row, runtime::ui::Key::MouseLeft));
}

RoutedInput InputRouter::DoubleClick(int32_t window, int32_t list, int32_t row) {
  using runtime::ui::Key;
  if (std::string refusal = WindowModel::ChooseRow(window, list, row, Key::MouseLeft2); !refusal.empty())
    return Deliver(std::move(refusal));
  WindowModel::SetPropInt(window, list, Prop::ListAction, DoubleClickAction);
  const auto w = WindowModel::Snapshot(window);
  const Control* c = w ? w->Find(list) : nullptr;
  const bool alert = c && HasAlert(*c, Key::MouseLeft2);
  return Send(window, list, alert ? Event::AlertKey : Event::Accepted, Key::MouseLeft2);
}

RoutedInput InputRouter::RightClick(int32_t window, int32_t list, int32_t row) {
  using runtime::ui::Key;
  const auto w = WindowModel::Snapshot(window);
  const Control* c = w ? w->Find(list) : nullptr;
  if (c && HasAlert(*c, Key::MouseRightUp))
    if (RoutedInput r = Send(window, list, Event::AlertKey, Key::MouseRightUp); !r) return r;
  if (row < 1) return Send(window, list, Event::NewSelection, Key::MouseRightUp);
  return Deliver(WindowModel::ChooseRow(window, list, row, Key::MouseRightUp));
}

}  // namespace runtime::ui
