#include "tools/script/ScriptRunner.h"

#include <ostream>
#include <thread>
#include <utility>

#include "app/Program.h"
#include "runtime/core/Process.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/MessageBoxService.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "tools/script/ScriptParser.h"

namespace tools::script {
namespace {

using runtime::ui::Prop;
using runtime::ui::WindowModel;
using Clock = std::chrono::steady_clock;
constexpr auto PollPeriod = std::chrono::milliseconds(2);

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

ScriptRunner::ScriptRunner(std::ostream& out, std::ostream& err, std::string scriptName)
    : Out(out), Err(err), ScriptName(std::move(scriptName)) {}

int ScriptRunner::Run(const std::vector<ScriptStep>& steps) {
  Screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
  runtime::ui::MessageBoxService::Install(Screen);
  Driver = std::make_unique<runtime::ui::headless::HeadlessDriver>(*Screen, Timeout);

  if (!runtime::core::Process::Launch(app::Program::Table(), app::Program::MainProcedure)) {
    Err << ScriptName << ": the program could not be started\n";
    return ExitStepFailed;
  }
  int status = ExitSuccess;
  Current = Driver->FindWindow(FrameTitle);
  if (Current == 0) {
    Err << ScriptName << ": the frame " << Quoted(FrameTitle) << " did not open: " << Driver->LastFailure() << "\n";
    status = ExitStepFailed;
  }
  for (const ScriptStep& step : steps) {
    if (status != ExitSuccess) break;
    std::string why;
    if (!Execute(step, why)) {
      Err << ScriptName << ":" << step.Line << ": " << step.Command << ": " << why << "\n";
      status = ExitStepFailed;
    }
  }
  Out.flush();
  std::string why;
  if (!ShutDown(why)) {
    Err << ScriptName << ": at the end: " << why << "\n";
    status = ExitStepFailed;
  }
  // A message box nobody answered is a fault of the script even when every step passed.
  if (status == ExitSuccess)
    for (const std::string& failure : Screen->Failures()) {
      Err << ScriptName << ": " << failure << "\n";
      status = ExitStepFailed;
    }
  runtime::ui::MessageBoxService::Install(nullptr);
  return status;
}

int32_t ScriptRunner::Target(const ScriptStep& step, size_t index, std::string& why) {
  if (index < step.Args.size()) {
    const int32_t window = Driver->FindWindow(step.Args[index]);
    if (window == 0) why = Driver->LastFailure();
    return window;
  }
  if (Current == 0 || !WindowModel::Exists(Current)) {
    why = "no current window (the last one has closed; use wait-window)";
    return 0;
  }
  return Current;
}

bool ScriptRunner::FromDriver(const runtime::ui::headless::DriverResult& result, std::string& why) {
  if (!result) why = result.Message;
  return result.Ok;
}

bool ScriptRunner::Execute(const ScriptStep& step, std::string& why) {
  const std::string& command = step.Command;
  const std::vector<std::string>& a = step.Args;
  int number = 0;

  if (command == "wait-window" || command == "window") {
    const int32_t window = Driver->FindWindow(a[0]);
    if (window == 0) {
      why = Driver->LastFailure();
      return false;
    }
    Current = window;
    return true;
  }
  if (command == "wait-closed") {
    const auto deadline = Clock::now() + Timeout;
    while (WindowModel::FindByTitle(a[0]) != 0) {
      if (Clock::now() >= deadline) {
        why = "window " + Quoted(a[0]) + " still open after " + std::to_string(Timeout.count()) + " ms";
        return false;
      }
      std::this_thread::sleep_for(PollPeriod);
    }
    return true;
  }
  if (command == "echo") {
    Out << a[0] << "\n";
    return true;
  }
  if (command == "timeout") {
    ScriptParser::Number(a[0], number);
    Timeout = std::chrono::milliseconds(number);
    Driver->SetTimeout(Timeout);
    Screen->SetAnswerTimeout(Timeout);
    return true;
  }
  if (command == "wait-idle") return FromDriver(Driver->WaitIdle(), why);
  if (command == "answer") {
    Driver->AnswerMessageBox(ScriptParser::Button(a[0]));
    return true;
  }
  if (command == "popup") {
    if (ScriptParser::Number(a[0], number)) Driver->AnswerPopup(number);
    else Driver->AnswerPopup(a[0]);
    return true;
  }
  if (command == "expect-message") {
    // Boxes are matched in the order they were shown, each once.
    const auto deadline = Clock::now() + Timeout;
    for (;;) {
      const auto boxes = Screen->MessageBoxes();
      for (size_t i = MessagesSeen; i < boxes.size(); ++i) {
        const bool captionMatches = boxes[i].Caption == a[0];
        const bool textMatches = a.size() < 2 || boxes[i].Text.find(a[1]) != std::string::npos;
        if (captionMatches && textMatches) {
          MessagesSeen = i + 1;
          return true;
        }
      }
      if (Clock::now() >= deadline) {
        why = "no message box " + Quoted(a[0]) + (a.size() > 1 ? " saying " + Quoted(a[1]) : "") + " within " +
              std::to_string(Timeout.count()) + " ms; shown since the last match: ";
        std::string shown;
        for (size_t i = MessagesSeen; i < boxes.size(); ++i)
          shown += (shown.empty() ? "" : ", ") + Quoted(boxes[i].Caption + ": " + boxes[i].Text);
        why += shown.empty() ? "none" : shown;
        return false;
      }
      std::this_thread::sleep_for(PollPeriod);
    }
  }
  if (command == "print") {
    const int32_t window = Target(step, 0, why);
    if (window == 0) return false;
    Out << runtime::ui::headless::HeadlessDriver::Print(window);
    return true;
  }
  if (command == "close") {
    const int32_t window = Target(step, 0, why);
    if (window == 0) return false;
    const std::string refusal = WindowModel::Input(window, 0, runtime::ui::Event::CloseWindow);
    if (!refusal.empty()) why = refusal;
    return refusal.empty();
  }

  const int32_t window = Target(step, a.size(), why);
  if (window == 0) return false;
  if (command == "menu") return FromDriver(Driver->ChooseMenu(window, a[0]), why);
  if (command == "press") return FromDriver(Driver->Press(window, a[0]), why);
  if (command == "type") return FromDriver(Driver->Type(window, a[0], a[1]), why);
  if (command == "focus") return FromDriver(Driver->Focus(window, a[0]), why);
  if (command == "select" || command == "double-click" || command == "right-click") {
    ScriptParser::Number(a[1], number);
    if (command == "select") return FromDriver(Driver->SelectRow(window, a[0], number), why);
    if (command == "double-click") return FromDriver(Driver->DoubleClickRow(window, a[0], number), why);
    return FromDriver(Driver->RightClickRow(window, a[0], number), why);
  }
  if (command == "key") {
    if (a.size() == 2 && !FromDriver(Driver->Focus(window, a[0]), why)) return false;
    return FromDriver(Driver->PressKey(window, ScriptParser::KeyCode(a.back())), why);
  }
  if (command == "expect-text") {
    auto snapshot = WindowModel::Snapshot(window);
    const runtime::ui::Control* control = snapshot ? snapshot->Find(a[0]) : nullptr;
    if (!control) {
      why = "window " + Quoted(snapshot ? snapshot->Title : "?") + " has no control " + Quoted(a[0]);
      return false;
    }
    if (control->Text != a[1]) {
      why = "control " + Quoted(a[0]) + " shows " + Quoted(control->Text) + ", not " + Quoted(a[1]);
      return false;
    }
    return true;
  }
  why = "unknown command";
  return false;
}

bool ScriptRunner::ShutDown(std::string& why) {
  bool ok = true;
  const int32_t frame = WindowModel::FindByTitle(FrameTitle);
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

}  // namespace tools::script
