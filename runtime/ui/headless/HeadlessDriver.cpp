#include "runtime/ui/headless/HeadlessDriver.h"

#include <cstdio>
#include <map>
#include <thread>
#include <utility>

#include "runtime/ui/ControlType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventQueues.h"
#include "runtime/ui/InputRouter.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/PopupMenu.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace runtime::ui::headless {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto PollPeriod = std::chrono::milliseconds(2);

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

std::string OpenTitles() {
  std::string titles;
  for (int32_t id : WindowModel::Windows()) {
    if (!titles.empty()) titles += ", ";
    titles += Quoted(WindowModel::GetProp(id, 0, Prop::Text));
  }
  return titles.empty() ? "none" : titles;
}

std::string TitleOf(int32_t window) { return Quoted(WindowModel::GetProp(window, 0, Prop::Text)); }

int MenuDepth(const Window& w, const Control& c) {
  int depth = 0;
  const Control* at = &c;
  while (at && at->Parent != 0 && (at->Type == ControlType::Menu || at->Type == ControlType::Item) && depth < 16) {
    at = w.Find(at->Parent);
    ++depth;
  }
  return depth;
}

}  // namespace

HeadlessDriver::HeadlessDriver(HeadlessFrontEnd& screen, std::chrono::milliseconds timeout)
    : Screen(screen), Timeout(timeout) {}

DriverResult HeadlessDriver::Fail(std::string message) {
  Last = message;
  std::fprintf(stderr, "headless driver: %s\n", message.c_str());
  Screen.AddFailure(message);
  return DriverResult::Failure(std::move(message));
}

DriverResult HeadlessDriver::FromRefusal(std::string refusal) {
  if (refusal.empty()) return DriverResult::Success();
  return Fail(std::move(refusal));
}

int32_t HeadlessDriver::FindWindow(std::string_view title) {
  const auto deadline = Clock::now() + Timeout;
  for (;;) {
    if (int32_t id = WindowModel::FindByTitle(title)) {
      // A window is found as soon as it exists, but its procedure still shows its
      // record and restores its position once its loop starts; what the user typed
      // before that would be overwritten. Wait until its thread is at rest.
      const auto snapshot = WindowModel::Snapshot(id);
      while (snapshot && !EventQueues::ThreadAtRest(snapshot->Thread) && WindowModel::Exists(id) &&
             Clock::now() < deadline)
        std::this_thread::sleep_for(PollPeriod);
      return id;
    }
    if (Clock::now() >= deadline) break;
    std::this_thread::sleep_for(PollPeriod);
  }
  Fail("no window titled " + Quoted(title) + " within " + std::to_string(Timeout.count()) +
       " ms; open windows: " + OpenTitles());
  return 0;
}

DriverResult HeadlessDriver::WaitClosed(int32_t window) {
  const std::string title = TitleOf(window);
  const auto deadline = Clock::now() + Timeout;
  while (WindowModel::Exists(window)) {
    if (Clock::now() >= deadline)
      return Fail("window " + title + " still open after " + std::to_string(Timeout.count()) + " ms");
    std::this_thread::sleep_for(PollPeriod);
  }
  return DriverResult::Success();
}

int32_t HeadlessDriver::Resolve(int32_t window, std::string_view control, std::string& failure) {
  auto w = WindowModel::Snapshot(window);
  if (!w) {
    failure = "window " + std::to_string(window) + " is not open";
    return 0;
  }
  if (const Control* c = w->Find(control)) return c->Number;
  for (const Control& c : w->Controls)
    if (!c.Text.empty() && (c.Text == control || PopupMenu::PlainText(c.Text) == control)) return c.Number;
  if (const Control* c = w->Find("?" + std::string(control))) return c->Number;
  std::string known;
  for (const Control& c : w->Controls) {
    if (c.Name.empty() && c.Text.empty()) continue;
    if (!known.empty()) known += ", ";
    known += c.Name.empty() ? Quoted(c.Text) : c.Name;
  }
  failure = "window " + Quoted(w->Title) + " has no control " + Quoted(control) + "; it has " + known;
  return 0;
}

DriverResult HeadlessDriver::ChooseMenu(int32_t window, std::string_view item) {
  std::string failure;
  const int32_t number = Resolve(window, item, failure);
  if (number == 0) return Fail(failure);
  if (WindowModel::GetPropInt(window, number, Prop::Type) != ControlType::Item)
    return Fail(Quoted(item) + " of window " + TitleOf(window) + " is not a menu item");
  return FromRefusal(WindowModel::Input(window, number, Event::Accepted));
}

DriverResult HeadlessDriver::Press(int32_t window, std::string_view button) {
  std::string failure;
  const int32_t number = Resolve(window, button, failure);
  if (number == 0) return Fail(failure);
  return FromRefusal(WindowModel::Input(window, number, Event::Accepted, Key::MouseLeft));
}

DriverResult HeadlessDriver::Type(int32_t window, std::string_view entry, std::string_view text) {
  std::string failure;
  const int32_t number = Resolve(window, entry, failure);
  if (number == 0) return Fail(failure);
  return FromRefusal(WindowModel::TypeText(window, number, text));
}

DriverResult HeadlessDriver::Edit(int32_t window, std::string_view entry, std::string_view text) {
  std::string failure;
  const int32_t number = Resolve(window, entry, failure);
  if (number == 0) return Fail(failure);
  // A person clicks into the entry before typing.
  if (DriverResult focused = Focus(window, entry); !focused) return focused;
  if (!WindowModel::GetProp(window, number, Prop::Text).empty())
    if (auto refusal = WindowModel::EditText(window, number, {}); !refusal.empty()) return FromRefusal(refusal);
  // One keystroke per character: a UTF-8 sequence's continuation bytes go with its lead.
  for (size_t end = 1; end <= text.size(); ++end) {
    if (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) continue;
    if (auto refusal = WindowModel::EditText(window, number, text.substr(0, end)); !refusal.empty())
      return FromRefusal(refusal);
  }
  return DriverResult::Success();
}

DriverResult HeadlessDriver::SelectRow(int32_t window, std::string_view list, int32_t row) {
  std::string failure;
  const int32_t number = Resolve(window, list, failure);
  if (number == 0) return Fail(failure);
  return FromRefusal(InputRouter::Click(window, number, row).Refusal);
}

DriverResult HeadlessDriver::DoubleClickRow(int32_t window, std::string_view list, int32_t row) {
  std::string failure;
  const int32_t number = Resolve(window, list, failure);
  if (number == 0) return Fail(failure);
  return FromRefusal(InputRouter::DoubleClick(window, number, row).Refusal);
}

DriverResult HeadlessDriver::RightClickRow(int32_t window, std::string_view list, int32_t row) {
  std::string failure;
  const int32_t number = Resolve(window, list, failure);
  if (number == 0) return Fail(failure);
  return FromRefusal(InputRouter::RightClick(window, number, row).Refusal);
}

DriverResult HeadlessDriver::Focus(int32_t window, std::string_view control) {
  std::string failure;
  const int32_t number = Resolve(window, control, failure);
  if (number == 0) return Fail(failure);
  if (!WindowModel::TakesInput(window)) return Fail("window " + TitleOf(window) + " does not take input");
  WindowModel::SetKeyCode(Key::MouseLeft);
  WindowModel::Select(window, number);
  return DriverResult::Success();
}

DriverResult HeadlessDriver::PressKey(int32_t window, int32_t key) {
  if (!WindowModel::Exists(window)) return Fail("window " + std::to_string(window) + " is not open");
  const RoutedInput routed = InputRouter::Key(window, key);
  if (!routed.Routed) return Fail("key " + std::to_string(key) + " does nothing in window " + TitleOf(window));
  return FromRefusal(routed.Refusal);
}

DriverResult HeadlessDriver::ResizeList(int32_t window, std::string_view list, int32_t rows) {
  std::string failure;
  const int32_t number = Resolve(window, list, failure);
  if (number == 0) return Fail(failure);
  WindowModel::SetVisibleRows(window, number, rows);
  WindowModel::Post(window, Event::Sized);
  return DriverResult::Success();
}

DriverResult HeadlessDriver::WaitIdle() {
  if (EventQueues::WaitIdle(Timeout)) return DriverResult::Success();
  return Fail("threads still busy after " + std::to_string(Timeout.count()) + " ms; open windows: " + OpenTitles());
}

std::string HeadlessDriver::Print(int32_t window) {
  auto w = WindowModel::Snapshot(window);
  if (!w) return "no window " + std::to_string(window) + "\n";
  std::string out = "window \"" + w->Title + "\" " + std::to_string(w->Width) + "x" + std::to_string(w->Height);
  if (w->Maximized) out += " maximized";
  if (w->Iconized) out += " iconized";
  if (w->MdiChild) out += " in-frame";
  if (!WindowModel::TakesInput(window)) out += " covered";
  out += "\n";
  for (const Control& c : w->Controls) {
    out += std::string(2 + 2 * static_cast<size_t>(MenuDepth(*w, c)), ' ');
    out += std::to_string(c.Number);
    if (!c.Name.empty()) out += " " + c.Name;
    out += " ";
    out += ControlType::NameOf(c.Type);
    if (!c.Text.empty() || c.Type == ControlType::Entry) out += " \"" + c.Text + "\"";
    if (c.Type == ControlType::List)
      out += " rows " + std::to_string(c.Rows.size()) + " selected " + std::to_string(c.SelectedRow);
    if (c.Action != FrameAction::None) out += std::string(" action ") + FrameActionName(c.Action);
    if (c.Default) out += " default";
    if (c.Disabled) out += " disabled";
    if (c.Hidden) out += " hidden";
    if (c.ReadOnly) out += " readonly";
    if (w->Focus == c.Number) out += " focus";
    out += "\n";
    for (size_t row = 0; row < c.Rows.size(); ++row) {
      out += static_cast<int32_t>(row + 1) == c.SelectedRow ? "    > " : "      ";
      out += std::to_string(row + 1);
      for (const std::string& cell : c.Rows[row]) out += " | " + cell;
      out += "\n";
    }
  }
  return out;
}

}  // namespace runtime::ui::headless
