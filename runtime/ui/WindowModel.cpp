#include "runtime/ui/WindowModel.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <map>
#include <memory>
#include <utility>

#include "runtime/core/CriticalSection.h"
#include "runtime/core/SyncGuard.h"
#include "runtime/core/ThreadContext.h"
#include "runtime/text/Picture.h"
#include "runtime/ui/ControlType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventLoop.h"
#include "runtime/ui/EventQueues.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/Prop.h"

namespace runtime::ui {
namespace {

using runtime::core::SyncGuard;

// A list's visible rows when no front end has reported them: the rows its height
// holds at this many dialog units per row.
constexpr int32_t RowHeight = 10;
constexpr int32_t MaxAlertSlot = 255;
constexpr std::string_view CheckedText = "1";
constexpr std::string_view UncheckedText = "0";

struct Model {
  runtime::core::CriticalSection Lock;
  std::map<int32_t, Window> Open;  // by number = opening order
  int32_t NextId = 1;
};

Model& Shared() {
  static Model model;
  return model;
}

Window* FindWindow(Model& m, int32_t window) {
  auto it = m.Open.find(window);
  return it == m.Open.end() ? nullptr : &it->second;
}

std::string Number(int64_t value) { return std::to_string(value); }

int64_t ToInt(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  int64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

bool Truthy(std::string_view value) { return ToInt(value) != 0; }

Control MakeControl(const ControlDefinition& d) {
  Control c;
  c.Number = d.Number;
  c.Type = d.Type;
  c.Name = d.Name;
  c.Text = d.Text;
  c.Message = d.Message;
  c.Tip = d.Tip;
  c.Format = d.Format;
  c.Picture = d.Picture;
  c.Icon = d.Icon;
  c.X = d.X;
  c.Y = d.Y;
  c.Width = d.Width;
  c.Height = d.Height;
  c.Parent = d.Parent;
  c.Hidden = d.Hidden;
  c.Disabled = d.Disabled;
  c.Default = d.Default;
  c.ReadOnly = d.ReadOnly;
  c.Action = d.Action;
  return c;
}

int32_t VisibleRowsOf(const Control& c) {
  if (c.VisibleRows > 0) return c.VisibleRows;
  return std::max(1, c.Height / RowHeight);
}

bool IsBindable(const Control& c) {
  return c.Type == ControlType::Entry || c.Type == ControlType::Text || c.Type == ControlType::Check ||
         c.Type == ControlType::Spin || c.Type == ControlType::Combo;
}

// The variable's value as the control shows it.
std::string ScreenTextOf(const Control& c) {
  if (c.Type == ControlType::Check) return std::string(c.Use.GetInteger() != 0 ? CheckedText : UncheckedText);
  if (c.Picture.empty()) return c.Use.GetText();
  return runtime::text::Picture::Format(c.Use, c.Picture);
}

// The screen text into the variable; false when refused.
bool TakeScreenText(Control& c) {
  if (c.Use.IsNull() || !IsBindable(c)) return true;
  if (c.Type == ControlType::Check) return c.Use.SetInteger(Truthy(c.Text) ? 1 : 0);
  if (c.Picture.empty()) return c.Use.SetText(c.Text);
  return runtime::text::Picture::Deformat(c.Text, c.Picture, c.Use);
}

std::shared_ptr<FrontEnd> Screen() { return FrontEnd::Installed(); }

void TellChanged(int32_t window) {
  if (auto screen = Screen()) screen->WindowChanged(window);
}

// Properties a window keeps in its own fields; false when `prop` is not one.
bool GetWindowProp(const Window& w, int32_t prop, std::string& out) {
  switch (prop) {
    case Prop::Text: out = w.Title; return true;
    case Prop::XPos: out = Number(w.X); return true;
    case Prop::YPos: out = Number(w.Y); return true;
    case Prop::Width: out = Number(w.Width); return true;
    case Prop::Height: out = Number(w.Height); return true;
    // What the window shows: its layouts follow a maximized window's real size.
    case Prop::ClientWidth: out = Number(w.Maximized && w.ShownWidth > 0 ? w.ShownWidth : w.Width); return true;
    case Prop::ClientHeight: out = Number(w.Maximized && w.ShownHeight > 0 ? w.ShownHeight : w.Height); return true;
    case Prop::Resize: out = Number(w.Resizable); return true;
    case Prop::Iconize: out = Number(w.Iconized); return true;
    case Prop::Maximize: out = Number(w.Maximized); return true;
    case Prop::Thread: out = Number(w.Thread); return true;
    case Prop::Icon: out = w.Icon; return true;
    case Prop::Focus: out = Number(w.Focus); return true;
    case Prop::Timer: out = Number(w.TimerPeriod); return true;
    case Prop::MdiChild: out = Number(w.MdiChild); return true;
    case Prop::Font: out = w.Font; return true;
    case Prop::FontSize: out = Number(w.FontSize); return true;
    default: return false;
  }
}

int32_t MinimumOf(const Window& w, int32_t prop) {
  auto it = w.Other.find({prop, 0});
  return it == w.Other.end() ? 0 : static_cast<int32_t>(std::max<int64_t>(0, ToInt(it->second)));
}

// A width or height a person could use. A stored size of nothing, below zero, below
// the window's minimum or under half of what its definition asks for (a settings file
// edited by hand, a window shrunk to a sliver) would open a window nobody can work in:
// it becomes the larger of the minimum and the definition's size.
int32_t UsableSide(int64_t wanted, int32_t defined, int32_t minimum) {
  const int64_t floor = std::max<int64_t>({1, minimum, defined / 2});
  if (wanted >= floor) return static_cast<int32_t>(std::min<int64_t>(wanted, std::numeric_limits<int32_t>::max()));
  if (defined <= 0 && minimum <= 0) return 0;  // no size of its own: the front end chooses
  return std::max(defined, minimum);
}

// What became of a property set on a window or a control.
enum class PropSet : uint8_t {
  Set,
  Refused,
  NotOwn,  // not a property the model keeps a field for: kept by number
};

PropSet SetWindowProp(Window& w, int32_t prop, std::string_view value) {
  const int64_t n = ToInt(value);
  switch (prop) {
    case Prop::Text: w.Title = std::string(value); return PropSet::Set;
    case Prop::XPos: w.X = static_cast<int32_t>(n); return PropSet::Set;
    case Prop::YPos: w.Y = static_cast<int32_t>(n); return PropSet::Set;
    case Prop::Width: w.Width = UsableSide(n, w.DefinedWidth, MinimumOf(w, Prop::MinWidth)); return PropSet::Set;
    case Prop::Height: w.Height = UsableSide(n, w.DefinedHeight, MinimumOf(w, Prop::MinHeight)); return PropSet::Set;
    case Prop::ClientWidth: w.ShownWidth = static_cast<int32_t>(std::max<int64_t>(0, n)); return PropSet::Set;
    case Prop::ClientHeight: w.ShownHeight = static_cast<int32_t>(std::max<int64_t>(0, n)); return PropSet::Set;
    case Prop::Resize: w.Resizable = n != 0; return PropSet::Set;
    case Prop::Iconize:
      w.Iconized = n != 0;
      if (w.Iconized) w.Maximized = false;
      return PropSet::Set;
    case Prop::Maximize:
      w.Maximized = n != 0;
      if (w.Maximized) w.Iconized = false;
      return PropSet::Set;
    case Prop::Icon: w.Icon = std::string(value); return PropSet::Set;
    case Prop::Timer: w.TimerPeriod = static_cast<int32_t>(std::max<int64_t>(0, n)); return PropSet::Set;
    case Prop::Font: w.Font = std::string(value); return PropSet::Set;
    case Prop::FontSize: w.FontSize = static_cast<int32_t>(n); return PropSet::Set;
    case Prop::Focus: w.Focus = w.Find(static_cast<int32_t>(n)) ? static_cast<int32_t>(n) : w.Focus; return PropSet::Set;
    case Prop::Thread: case Prop::MdiChild: return PropSet::Refused;
    default: return PropSet::NotOwn;
  }
}

bool GetControlProp(const Control& c, int32_t prop, int32_t index, std::string& out) {
  switch (prop) {
    case Prop::Text: out = c.Text; return true;
    case Prop::Type: out = Number(c.Type); return true;
    case Prop::XPos: out = Number(c.X); return true;
    case Prop::YPos: out = Number(c.Y); return true;
    case Prop::Width: out = Number(c.Width); return true;
    case Prop::Height: out = Number(c.Height); return true;
    case Prop::Default: out = Number(c.Default); return true;
    case Prop::Disable: out = Number(c.Disabled); return true;
    case Prop::Hide: out = Number(c.Hidden); return true;
    case Prop::Visible: out = Number(!c.Hidden); return true;
    case Prop::ReadOnly: out = Number(c.ReadOnly); return true;
    case Prop::Icon: out = c.Icon; return true;
    case Prop::Message: out = c.Message; return true;
    case Prop::Tip: out = c.Tip; return true;
    case Prop::Format: out = c.Format; return true;
    case Prop::Picture: out = c.Picture; return true;
    case Prop::Name: out = c.Name; return true;
    case Prop::Parent: out = Number(c.Parent); return true;
    case Prop::Alert: {
      auto it = c.Alerts.find(index);
      out = Number(it == c.Alerts.end() ? 0 : it->second);
      return true;
    }
    default: break;
  }
  if (c.Type != ControlType::List) return false;
  switch (prop) {
    case Prop::Items: out = Number(VisibleRowsOf(c)); return true;
    case Prop::Selected: out = Number(c.SelectedRow); return true;
    case Prop::ThumbPosition: out = Number(c.Thumb); return true;
    case Prop::VScroll: out = Number(c.ThumbShown); return true;
    case Prop::ColumnHeader: case Prop::ColumnPicture: case Prop::ColumnField: {
      const auto columns = ListFormat::Parse(c.Format);
      out.clear();
      if (index >= 1 && index <= static_cast<int32_t>(columns.size())) {
        const ListColumn& column = columns[static_cast<size_t>(index - 1)];
        if (prop == Prop::ColumnHeader) out = column.Header;
        else if (prop == Prop::ColumnPicture) out = column.Picture;
        else out = Number(column.Field);
      }
      return true;
    }
    default: return false;
  }
}

PropSet SetControlProp(Control& c, int32_t prop, int32_t index, std::string_view value) {
  const int64_t n = ToInt(value);
  switch (prop) {
    case Prop::Text: c.Text = std::string(value); return PropSet::Set;
    case Prop::XPos: c.X = static_cast<int32_t>(n); return PropSet::Set;
    case Prop::YPos: c.Y = static_cast<int32_t>(n); return PropSet::Set;
    case Prop::Width: c.Width = static_cast<int32_t>(n); return PropSet::Set;
    case Prop::Height: c.Height = static_cast<int32_t>(n); return PropSet::Set;
    case Prop::Default: c.Default = n != 0; return PropSet::Set;
    case Prop::Disable: c.Disabled = n != 0; return PropSet::Set;
    case Prop::Hide: c.Hidden = n != 0; return PropSet::Set;
    case Prop::ReadOnly: c.ReadOnly = n != 0; return PropSet::Set;
    case Prop::Icon: c.Icon = std::string(value); return PropSet::Set;
    case Prop::Message: c.Message = std::string(value); return PropSet::Set;
    case Prop::Tip: c.Tip = std::string(value); return PropSet::Set;
    case Prop::Format: c.Format = std::string(value); return PropSet::Set;
    case Prop::Picture: c.Picture = std::string(value); return PropSet::Set;
    case Prop::Parent: c.Parent = static_cast<int32_t>(n); return PropSet::Set;
    case Prop::Alert:
      if (index < 1 || index > MaxAlertSlot) return PropSet::Refused;
      if (n == 0) c.Alerts.erase(index);
      else c.Alerts[index] = static_cast<int32_t>(n);
      return PropSet::Set;
    case Prop::Type: case Prop::Visible: case Prop::Name: return PropSet::Refused;
    default: break;
  }
  if (c.Type != ControlType::List) return PropSet::NotOwn;
  switch (prop) {
    case Prop::Items: c.VisibleRows = static_cast<int32_t>(std::max<int64_t>(0, n)); return PropSet::Set;
    case Prop::Selected: c.SelectedRow = static_cast<int32_t>(std::max<int64_t>(0, n)); return PropSet::Set;
    case Prop::ThumbPosition: c.Thumb = static_cast<int32_t>(n); return PropSet::Set;
    case Prop::VScroll: c.ThumbShown = n != 0; return PropSet::Set;
    case Prop::ColumnHeader: case Prop::ColumnPicture: case Prop::ColumnField: return PropSet::Refused;
    default: return PropSet::NotOwn;
  }
}

}  // namespace

// --- Windows -------------------------------------------------------------------

int32_t WindowModel::Open(const WindowDefinition& d, int32_t owner) {
  Model& m = Shared();
  const int32_t thread = runtime::core::CurrentThreadNumber();
  int32_t id = 0;
  {
    SyncGuard guard(m.Lock);
    id = m.NextId++;
    Window w;
    w.Id = id;
    w.DefinitionName = d.Name;
    w.Title = d.Caption;
    w.Icon = d.Icon;
    w.Font = d.Font;
    w.FontSize = d.FontSize;
    w.X = d.X == WindowDefinition::DefaultPosition ? 0 : d.X;
    w.Y = d.Y == WindowDefinition::DefaultPosition ? 0 : d.Y;
    w.Width = d.Width;
    w.Height = d.Height;
    w.DefinedWidth = d.Width;
    w.DefinedHeight = d.Height;
    w.Maximized = d.Maximized;
    w.Resizable = d.Resizable;
    w.SystemMenu = d.SystemMenu;
    w.Frame = d.Frame;
    w.Owner = FindWindow(m, owner) ? owner : 0;
    w.Thread = thread;
    // An MDI child sits inside the frame only when a frame is open.
    if (d.MdiChild)
      for (auto& [other, window] : m.Open)
        if (window.Frame) w.MdiChild = true;
    for (const ControlDefinition& c : d.Controls) w.Controls.push_back(MakeControl(c));
    m.Open.emplace(id, std::move(w));
  }
  const int32_t below = EventQueues::Newest(thread);
  EventQueues::Push(thread, id);
  if (below != 0) EventQueues::Post(thread, PostedEvent{.Number = Event::LoseFocus, .Window = below});
  EventQueues::Post(thread, PostedEvent{.Number = Event::OpenWindow, .Window = id});
  if (auto screen = Screen()) screen->WindowOpened(id);
  return id;
}

void WindowModel::Close(int32_t window) {
  Model& m = Shared();
  int32_t thread = 0;
  {
    SyncGuard guard(m.Lock);
    Window* w = FindWindow(m, window);
    if (!w) return;
    thread = w->Thread;
    m.Open.erase(window);
  }
  const bool wasNewest = EventQueues::Newest(thread) == window;
  EventQueues::Remove(thread, window);
  const int32_t below = EventQueues::Newest(thread);
  if (wasNewest && below != 0) EventQueues::Post(thread, PostedEvent{.Number = Event::GainFocus, .Window = below});
  if (auto screen = Screen()) screen->WindowClosed(window);
}

bool WindowModel::Exists(int32_t window) {
  Model& m = Shared();
  SyncGuard guard(m.Lock);
  return FindWindow(m, window) != nullptr;
}

std::vector<int32_t> WindowModel::Windows() {
  Model& m = Shared();
  SyncGuard guard(m.Lock);
  std::vector<int32_t> ids;
  for (auto& [id, w] : m.Open) ids.push_back(id);
  return ids;
}

std::optional<Window> WindowModel::Snapshot(int32_t window) {
  Model& m = Shared();
  SyncGuard guard(m.Lock);
  Window* w = FindWindow(m, window);
  if (!w) return std::nullopt;
  Window copy = *w;
  for (Control& c : copy.Controls) {
    c.Use = {};
    c.Source = nullptr;
  }
  return copy;
}

int32_t WindowModel::FindByTitle(std::string_view title) {
  Model& m = Shared();
  SyncGuard guard(m.Lock);
  for (auto it = m.Open.rbegin(); it != m.Open.rend(); ++it)
    if (it->second.Title == title) return it->first;
  return 0;
}

bool WindowModel::TakesInput(int32_t window) {
  Model& m = Shared();
  int32_t thread = 0;
  {
    SyncGuard guard(m.Lock);
    Window* w = FindWindow(m, window);
    if (!w) return false;
    thread = w->Thread;
  }
  return EventQueues::Newest(thread) == window;
}

// --- Controls and properties ---------------------------------------------------

int32_t WindowModel::ControlNumber(int32_t window, std::string_view name) {
  Model& m = Shared();
  SyncGuard guard(m.Lock);
  Window* w = FindWindow(m, window);
  if (!w) return 0;
  const Control* c = w->Find(name);
  return c ? c->Number : 0;
}

int32_t WindowModel::CreateControl(int32_t window, ControlDefinition definition) {
  Model& m = Shared();
  {
    SyncGuard guard(m.Lock);
    Window* w = FindWindow(m, window);
    if (!w) return 0;
    if (definition.Number == 0) {
      int32_t next = 1;
      while (w->Find(next)) ++next;
      definition.Number = next;
    } else if (w->Find(definition.Number)) {
      return 0;
    }
    w->Controls.push_back(MakeControl(definition));
  }
  TellChanged(window);
  return definition.Number;
}

bool WindowModel::DestroyControl(int32_t window, int32_t control) {
  Model& m = Shared();
  {
    SyncGuard guard(m.Lock);
    Window* w = FindWindow(m, window);
    if (!w) return false;
    auto it = std::find_if(w->Controls.begin(), w->Controls.end(), [&](const Control& c) { return c.Number == control; });
    if (it == w->Controls.end()) return false;
    w->Controls.erase(it);
    if (w->Focus == control) w->Focus = 0;
  }
  TellChanged(window);
  return true;
}

std::string WindowModel::GetProp(int32_t window, int32_t control, int32_t prop, int32_t index) {
  Model& m = Shared();
  SyncGuard guard(m.Lock);
  Window* w = FindWindow(m, window);
  if (!w) return {};
  std::string out;
  if (control == 0) {
    if (GetWindowProp(*w, prop, out)) return out;
    auto it = w->Other.find({prop, index});
    return it == w->Other.end() ? std::string() : it->second;
  }
  const Control* c = w->Find(control);
  if (!c) return {};
  if (GetControlProp(*c, prop, index, out)) return out;
  auto it = c->Other.find({prop, index});
  return it == c->Other.end() ? std::string() : it->second;
}

int64_t WindowModel::GetPropInt(int32_t window, int32_t control, int32_t prop, int32_t index) {
  return ToInt(GetProp(window, control, prop, index));
}

bool WindowModel::SetProp(int32_t window, int32_t control, int32_t prop, std::string_view value, int32_t index) {
  Model& m = Shared();
  {
    SyncGuard guard(m.Lock);
    Window* w = FindWindow(m, window);
    if (!w) return false;
    PropSet result = PropSet::NotOwn;
    if (control == 0) {
      result = SetWindowProp(*w, prop, value);
      if (result == PropSet::NotOwn) w->Other[{prop, index}] = std::string(value);
    } else {
      Control* c = w->Find(control);
      if (!c) return false;
      result = SetControlProp(*c, prop, index, value);
      if (result == PropSet::NotOwn) c->Other[{prop, index}] = std::string(value);
    }
    if (result == PropSet::Refused) return false;
  }
  // The timer's next tick is decided by the loop, which must learn of a new period.
  if (control == 0 && prop == Prop::Timer) EventQueues::Changed();
  TellChanged(window);
  return true;
}

bool WindowModel::SetPropInt(int32_t window, int32_t control, int32_t prop, int64_t value, int32_t index) {
  return SetProp(window, control, prop, std::to_string(value), index);
}

bool WindowModel::Enable(int32_t window, int32_t control) { return control != 0 && SetPropInt(window, control, Prop::Disable, 0); }
bool WindowModel::Disable(int32_t window, int32_t control) { return control != 0 && SetPropInt(window, control, Prop::Disable, 1); }
bool WindowModel::Hide(int32_t window, int32_t control) { return control != 0 && SetPropInt(window, control, Prop::Hide, 1); }
bool WindowModel::Unhide(int32_t window, int32_t control) { return control != 0 && SetPropInt(window, control, Prop::Hide, 0); }

bool WindowModel::Select(int32_t window, int32_t control) {
  Model& m = Shared();
  int32_t thread = 0;
  {
    SyncGuard guard(m.Lock);
    Window* w = FindWindow(m, window);
    if (!w || (control != 0 && !w->Find(control))) return false;
    w->Focus = control;
    thread = w->Thread;
  }
  if (control != 0) EventQueues::Post(thread, PostedEvent{.Number = Event::Selected, .Control = control, .Window = window});
  TellChanged(window);
  return true;
}

bool WindowModel::Bind(int32_t window, int32_t control, runtime::data::FieldRef use, std::string_view picture) {
  Model& m = Shared();
  SyncGuard guard(m.Lock);
  Window* w = FindWindow(m, window);
  Control* c = w ? w->Find(control) : nullptr;
  if (!c || !IsBindable(*c)) return false;
  c->Use = use;
  if (!picture.empty()) c->Picture = std::string(picture);
  return true;
}

void WindowModel::Display(int32_t window, int32_t control) {
  Model& m = Shared();
  {
    SyncGuard guard(m.Lock);
    Window* w = FindWindow(m, window);
    if (!w) return;
    for (Control& c : w->Controls) {
      if (control != 0 && c.Number != control) continue;
      if (!c.Use.IsNull() && IsBindable(c)) c.Text = ScreenTextOf(c);
      if (c.Source) {
        // A source is the program's own code: it may read the model, which the
        // re-entrant lock allows on this thread.
        const int32_t count = static_cast<int32_t>(ToInt(c.Source(-1, 0)));
        int32_t columns = static_cast<int32_t>(ToInt(c.Source(-2, 0)));
        if (columns <= 0) columns = std::max<int32_t>(1, static_cast<int32_t>(ListFormat::Parse(c.Format).size()));
        c.Rows.clear();
        for (int32_t row = 1; row <= count; ++row) {
          std::vector<std::string> cells;
          for (int32_t column = 1; column <= columns; ++column) cells.push_back(c.Source(row, column));
          c.Rows.push_back(std::move(cells));
        }
      }
    }
  }
  TellChanged(window);
}

int32_t WindowModel::Update(int32_t window, int32_t control) {
  Model& m = Shared();
  SyncGuard guard(m.Lock);
  Window* w = FindWindow(m, window);
  if (!w) return 0;
  for (Control& c : w->Controls) {
    if (control != 0 && c.Number != control) continue;
    if (c.ReadOnly) continue;
    if (!TakeScreenText(c)) return c.Number;
  }
  return 0;
}

bool WindowModel::SetListRows(int32_t window, int32_t control, std::vector<std::vector<std::string>> rows) {
  Model& m = Shared();
  {
    SyncGuard guard(m.Lock);
    Window* w = FindWindow(m, window);
    Control* c = w ? w->Find(control) : nullptr;
    if (!c || c->Type != ControlType::List) return false;
    c->Rows = std::move(rows);
    c->SelectedRow = std::min<int32_t>(c->SelectedRow, static_cast<int32_t>(c->Rows.size()));
  }
  TellChanged(window);
  return true;
}

std::vector<std::vector<std::string>> WindowModel::ListRows(int32_t window, int32_t control) {
  Model& m = Shared();
  SyncGuard guard(m.Lock);
  Window* w = FindWindow(m, window);
  const Control* c = w ? w->Find(control) : nullptr;
  return c ? c->Rows : std::vector<std::vector<std::string>>{};
}

bool WindowModel::SetListSource(int32_t window, int32_t control, ListSource source) {
  Model& m = Shared();
  SyncGuard guard(m.Lock);
  Window* w = FindWindow(m, window);
  Control* c = w ? w->Find(control) : nullptr;
  if (!c || c->Type != ControlType::List) return false;
  c->Source = std::move(source);
  return true;
}

int32_t WindowModel::Choice(int32_t window, int32_t control) {
  return static_cast<int32_t>(GetPropInt(window, control, Prop::Selected));
}

// --- Events --------------------------------------------------------------------

bool WindowModel::Post(int32_t window, int32_t event, int32_t control, int32_t argument) {
  Model& m = Shared();
  int32_t thread = 0;
  {
    SyncGuard guard(m.Lock);
    Window* w = FindWindow(m, window);
    if (!w) return false;
    thread = w->Thread;
  }
  EventQueues::Post(thread, PostedEvent{.Number = event, .Control = control, .Window = window, .Argument = argument});
  return true;
}

void WindowModel::PostToThread(int32_t thread, int32_t event, int32_t control, int32_t argument) {
  EventQueues::Post(thread, PostedEvent{.Number = event, .Control = control, .Argument = argument});
}

void WindowModel::Notify(int32_t thread, int32_t code, int64_t parameter) {
  EventQueues::Post(thread, PostedEvent{.Number = Event::Notify,
                                        .NotifyCode = code,
                                        .NotifyThread = runtime::core::CurrentThreadNumber(),
                                        .NotifyParameter = parameter});
}

bool WindowModel::SelectForCompletion(int32_t window) {
  // Always through the queue: the variables may be touched only by the window's own
  // thread, and the validation must come after the events already posted.
  return Post(window, Event::CompletionRequest);
}

void WindowModel::ValidateForCompletion(int32_t window) {
  Model& m = Shared();
  int32_t refused = 0;
  int32_t thread = 0;
  {
    SyncGuard guard(m.Lock);
    Window* w = FindWindow(m, window);
    if (!w) return;
    thread = w->Thread;
    for (Control& c : w->Controls) {
      if (c.ReadOnly || c.Disabled || c.Hidden) continue;
      if (!TakeScreenText(c)) {
        refused = c.Number;
        break;
      }
    }
  }
  if (refused != 0) {
    Select(window, refused);
    EventQueues::Post(thread, PostedEvent{.Number = Event::Rejected, .Control = refused, .Window = window});
  } else {
    EventQueues::Post(thread, PostedEvent{.Number = Event::Completed, .Window = window});
  }
}

PostedEvent WindowModel::CurrentEvent() { return EventLoop::Current(); }
int32_t WindowModel::KeyCode() { return EventLoop::KeyCode(); }
void WindowModel::SetKeyCode(int32_t key) { EventLoop::SetKeyCode(key); }

void WindowModel::SetWaitCursor(bool on) {
  if (auto screen = Screen()) screen->SetWaitCursor(on);
}

void WindowModel::Beep(int32_t frequency, int32_t duration) {
  if (auto screen = Screen()) screen->Beep(frequency, duration);
}

// --- Input from front ends -----------------------------------------------------

namespace {

// Why the control may not take input now ("" when it may). Model lock held.
std::string InputRefusal(Model& m, int32_t window, int32_t control, int32_t& thread) {
  Window* w = FindWindow(m, window);
  if (!w) return "window " + std::to_string(window) + " is not open";
  thread = w->Thread;
  if (control == 0) return {};
  const Control* c = w->Find(control);
  if (!c) return "window '" + w->Title + "' has no control " + std::to_string(control);
  const std::string name = c->Name.empty() ? std::to_string(control) : c->Name;
  if (c->Disabled) return "control " + name + " of window '" + w->Title + "' is disabled";
  if (c->Hidden) return "control " + name + " of window '" + w->Title + "' is hidden";
  return {};
}

std::string NotTakingInput(int32_t window) {
  const int32_t thread = static_cast<int32_t>(WindowModel::GetPropInt(window, 0, Prop::Thread));
  const int32_t newest = EventQueues::Newest(thread);
  return "window '" + WindowModel::GetProp(window, 0, Prop::Text) + "' does not take input: window '" +
         WindowModel::GetProp(newest, 0, Prop::Text) + "' is open over it";
}

}  // namespace

std::string WindowModel::Input(int32_t window, int32_t control, int32_t event, int32_t key) {
  Model& m = Shared();
  int32_t thread = 0;
  {
    SyncGuard guard(m.Lock);
    std::string refusal = InputRefusal(m, window, control, thread);
    if (!refusal.empty()) return refusal;
  }
  if (EventQueues::Newest(thread) != window) return NotTakingInput(window);
  EventQueues::Post(thread, PostedEvent{.Number = event, .Control = control, .Window = window, .KeyCode = key, .FromUser = true});
  return {};
}

std::string WindowModel::TypeText(int32_t window, int32_t control, std::string_view text) {
  Model& m = Shared();
  int32_t thread = 0;
  {
    SyncGuard guard(m.Lock);
    std::string refusal = InputRefusal(m, window, control, thread);
    if (!refusal.empty()) return refusal;
    Window* w = FindWindow(m, window);
    Control* c = w->Find(control);
    if (!IsBindable(*c)) return "control " + c->Name + " of window '" + w->Title + "' does not take typing";
    if (c->ReadOnly) return "control " + c->Name + " of window '" + w->Title + "' is read-only";
    if (EventQueues::Newest(thread) != window) return NotTakingInput(window);
    c->Text = std::string(text);
    w->Focus = control;
  }
  EventQueues::Post(thread, PostedEvent{.Number = Event::Accepted, .Control = control, .Window = window, .FromUser = true});
  TellChanged(window);
  return {};
}

std::string WindowModel::EditText(int32_t window, int32_t control, std::string_view text) {
  Model& m = Shared();
  int32_t thread = 0;
  {
    SyncGuard guard(m.Lock);
    std::string refusal = InputRefusal(m, window, control, thread);
    if (!refusal.empty()) return refusal;
    Control* c = FindWindow(m, window)->Find(control);
    const auto immediate = c->Other.find({Prop::Immediate, 0});
    const bool wantsKeys = immediate != c->Other.end() && immediate->second != "0" && !immediate->second.empty();
    // Other entries take their text when left: a keystroke must not reach a program
    // that would redisplay the entry from its variable meanwhile.
    if (!IsBindable(*c) || c->ReadOnly || !wantsKeys) return {};
    if (EventQueues::Newest(thread) != window) return NotTakingInput(window);
    c->Text = std::string(text);
  }
  EventQueues::Post(thread, PostedEvent{.Number = Event::EntryChanged, .Control = control, .Window = window, .FromUser = true});
  return {};
}

std::string WindowModel::ChooseRow(int32_t window, int32_t control, int32_t row, int32_t key) {
  Model& m = Shared();
  int32_t thread = 0;
  {
    SyncGuard guard(m.Lock);
    std::string refusal = InputRefusal(m, window, control, thread);
    if (!refusal.empty()) return refusal;
    Window* w = FindWindow(m, window);
    Control* c = w->Find(control);
    if (c->Type != ControlType::List) return "control " + c->Name + " of window '" + w->Title + "' is not a list";
    const int32_t rows = static_cast<int32_t>(c->Rows.size());
    if (row < 1 || row > rows)
      return "list " + c->Name + " of window '" + w->Title + "' has no row " + std::to_string(row) + " (it shows " +
             std::to_string(rows) + ")";
    if (EventQueues::Newest(thread) != window) return NotTakingInput(window);
    c->SelectedRow = row;
    c->Other[{Prop::MouseDownRow, 0}] = std::to_string(row);
    w->Focus = control;
  }
  EventQueues::Post(thread,
                    PostedEvent{.Number = Event::NewSelection, .Control = control, .Window = window, .KeyCode = key,
                                .FromUser = true, .Argument = row});
  TellChanged(window);
  return {};
}

void WindowModel::SetVisibleRows(int32_t window, int32_t control, int32_t rows) {
  SetPropInt(window, control, Prop::Items, rows);
}

void WindowModel::CloseAll() {
  for (int32_t id : Windows()) Close(id);
}

}  // namespace runtime::ui
