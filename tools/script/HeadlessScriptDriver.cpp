#include "tools/script/HeadlessScriptDriver.h"

#include <thread>
#include <utility>

#include "app/Program.h"
#include "runtime/core/Process.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "tools/script/Layout.h"

namespace tools::script {
namespace {

using runtime::ui::WindowModel;
using Clock = std::chrono::steady_clock;
constexpr auto PollPeriod = std::chrono::milliseconds(2);

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

}  // namespace

HeadlessScriptDriver::HeadlessScriptDriver(std::chrono::milliseconds timeout)
    : Timeout(timeout), Screen(std::make_shared<runtime::ui::headless::HeadlessFrontEnd>()) {
  Driver = std::make_unique<runtime::ui::headless::HeadlessDriver>(*Screen, Timeout);
}

HeadlessScriptDriver::~HeadlessScriptDriver() { runtime::ui::FrontEnd::Install(nullptr); }

bool HeadlessScriptDriver::Start(std::string& why) {
  runtime::ui::FrontEnd::Install(Screen);
  if (runtime::core::Process::Launch(app::Program::Table(), app::Program::MainProcedure)) return true;
  why = "the program could not be started";
  return false;
}

bool HeadlessScriptDriver::ShutDown(std::string_view frameTitle, std::string& why) {
  bool ok = true;
  const int32_t frame = WindowModel::FindByTitle(frameTitle);
  if (frame != 0) {
    const std::string refusal = WindowModel::Input(frame, 0, runtime::ui::Event::CloseWindow);
    const auto deadline = Clock::now() + Timeout;
    while (refusal.empty() && WindowModel::Exists(frame) && Clock::now() < deadline) std::this_thread::sleep_for(PollPeriod);
    if (WindowModel::Exists(frame)) {
      why = refusal.empty() ? "the frame did not close within " + std::to_string(Timeout.count()) +
                                  " ms (a window declined); the program was stopped"
                            : refusal + "; the program was stopped";
      ok = false;
      // Closing every window ends every loop, so the program's threads can finish.
      WindowModel::CloseAll();
    }
  }
  runtime::core::Process::Wait();
  return ok;
}

void HeadlessScriptDriver::SetTimeout(std::chrono::milliseconds timeout) {
  Timeout = timeout;
  Driver->SetTimeout(timeout);
  Screen->SetAnswerTimeout(timeout);
}

int32_t HeadlessScriptDriver::FindWindow(std::string_view title) { return Driver->FindWindow(title); }

DriverResult HeadlessScriptDriver::WaitClosedTitle(std::string_view title) {
  const auto deadline = Clock::now() + Timeout;
  while (WindowModel::FindByTitle(title) != 0) {
    if (Clock::now() >= deadline) {
      return DriverResult::Failure("window " + Quoted(title) + " still open after " + std::to_string(Timeout.count()) + " ms");
    }
    std::this_thread::sleep_for(PollPeriod);
  }
  return DriverResult::Success();
}

bool HeadlessScriptDriver::Exists(int32_t window) const { return WindowModel::Exists(window); }
DriverResult HeadlessScriptDriver::WaitIdle() { return Driver->WaitIdle(); }

DriverResult HeadlessScriptDriver::ChooseMenu(int32_t window, std::string_view item) { return Driver->ChooseMenu(window, item); }
DriverResult HeadlessScriptDriver::Press(int32_t window, std::string_view button) { return Driver->Press(window, button); }
DriverResult HeadlessScriptDriver::Type(int32_t window, std::string_view entry, std::string_view text) {
  return Driver->Type(window, entry, text);
}

DriverResult HeadlessScriptDriver::Edit(int32_t window, std::string_view entry, std::string_view text) {
  return Driver->Edit(window, entry, text);
}
DriverResult HeadlessScriptDriver::SelectRow(int32_t window, std::string_view list, int32_t row) {
  return Driver->SelectRow(window, list, row);
}
DriverResult HeadlessScriptDriver::DoubleClickRow(int32_t window, std::string_view list, int32_t row) {
  return Driver->DoubleClickRow(window, list, row);
}
DriverResult HeadlessScriptDriver::RightClickRow(int32_t window, std::string_view list, int32_t row) {
  return Driver->RightClickRow(window, list, row);
}
DriverResult HeadlessScriptDriver::Focus(int32_t window, std::string_view control) { return Driver->Focus(window, control); }
DriverResult HeadlessScriptDriver::PressKey(int32_t window, int32_t key) { return Driver->PressKey(window, key); }

DriverResult HeadlessScriptDriver::Close(int32_t window) {
  const std::string refusal = WindowModel::Input(window, 0, runtime::ui::Event::CloseWindow);
  if (refusal.empty()) return DriverResult::Success();
  return DriverResult::Failure(refusal);
}

DriverResult HeadlessScriptDriver::Reshape(int32_t window, Shape shape) {
  // What the desktop does when a person maximizes or restores a window: the state, then
  // the event. Without a screen the window keeps its size.
  if (!WindowModel::Exists(window)) return DriverResult::Failure("window " + std::to_string(window) + " is not open");
  const bool maximize = shape == Shape::Maximized;
  WindowModel::SetPropInt(window, 0, runtime::ui::Prop::Maximize, maximize ? 1 : 0);
  WindowModel::Post(window, maximize ? runtime::ui::Event::Maximized : runtime::ui::Event::Restored);
  return DriverResult::Success();
}

DriverResult HeadlessScriptDriver::CheckLayout(int32_t window) {
  const auto w = WindowModel::Snapshot(window);
  if (!w) return DriverResult::Failure("window " + std::to_string(window) + " is not open");
  std::vector<LaidOut> placed;
  for (const runtime::ui::Control& c : w->Controls) {
    if (c.Hidden || IsContainer(c.Type)) continue;
    placed.push_back({c.Name, c.X, c.Y, c.Width, c.Height});
  }
  const auto width = static_cast<int32_t>(WindowModel::GetPropInt(window, 0, runtime::ui::Prop::ClientWidth));
  const auto height = static_cast<int32_t>(WindowModel::GetPropInt(window, 0, runtime::ui::Prop::ClientHeight));
  return CheckPlaced(placed, width, height);
}

void HeadlessScriptDriver::AnswerMessageBox(int32_t button) { Driver->AnswerMessageBox(button); }
void HeadlessScriptDriver::AnswerPopup(int32_t number) { Driver->AnswerPopup(number); }
void HeadlessScriptDriver::AnswerPopup(std::string text) { Driver->AnswerPopup(std::move(text)); }

std::vector<ScriptDriver::ShownBox> HeadlessScriptDriver::MessageBoxes() const {
  std::vector<ShownBox> boxes;
  for (const auto& box : Screen->MessageBoxes()) boxes.push_back({box.Caption, box.Text});
  return boxes;
}

std::vector<std::string> HeadlessScriptDriver::PopupMenus() const {
  std::vector<std::string> menus;
  for (const auto& menu : Screen->PopupMenus()) menus.push_back(menu.Print());
  return menus;
}

std::string HeadlessScriptDriver::Print(int32_t window) { return runtime::ui::headless::HeadlessDriver::Print(window); }

bool HeadlessScriptDriver::ControlText(int32_t window, std::string_view control, std::string& text, std::string& why) {
  auto snapshot = WindowModel::Snapshot(window);
  const runtime::ui::Control* c = snapshot ? snapshot->Find(control) : nullptr;
  if (!c) {
    why = "window " + Quoted(snapshot ? snapshot->Title : "?") + " has no control " + Quoted(control);
    return false;
  }
  text = c->Text;
  return true;
}

std::string HeadlessScriptDriver::LastFailure() const { return Driver->LastFailure(); }
std::vector<std::string> HeadlessScriptDriver::Failures() const { return Screen->Failures(); }

}  // namespace tools::script

namespace tools::script {

void HeadlessScriptDriver::AnswerFileChooser(std::optional<std::string> path) { Screen->QueueFileAnswer(std::move(path)); }

void HeadlessScriptDriver::CancelProgress() { Screen->QueueProgressCancel(); }

}  // namespace tools::script
