#include "tools/script/ScriptRunner.h"

#include <ostream>
#include <string>
#include <thread>
#include <utility>

#include "runtime/core/Halt.h"
#include "tools/script/ScriptParser.h"

namespace tools::script {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto PollPeriod = std::chrono::milliseconds(2);

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

ScriptRunner::ScriptRunner(ScriptDriver& driver, std::ostream& out, std::ostream& err, std::string scriptName)
    : Out(out), Err(err), ScriptName(std::move(scriptName)), Driver(driver) {}

int ScriptRunner::Run(const std::vector<ScriptStep>& steps) {
  // A fatal error ends the process from inside the program, with exit status 1; say
  // why before it goes.
  const int haltHook = runtime::core::AddHaltHook([this](int, const std::string& text) {
    Err << ScriptName << ": the program halted: " << text << std::endl;
  });
  Driver.SetTimeout(Timeout);
  if (std::string why; !Driver.Start(why)) {
    Err << ScriptName << ": " << why << "\n";
    runtime::core::RemoveHaltHook(haltHook);
    return ExitStepFailed;
  }
  int status = ExitSuccess;
  Current = Driver.FindWindow(FrameTitle);
  if (Current == 0) {
    Err << ScriptName << ": the frame " << Quoted(FrameTitle) << " did not open: " << Driver.LastFailure() << "\n";
    status = ExitStepFailed;
  }
  for (const ScriptStep& step : steps) {
    if (status != ExitSuccess) break;
    std::string why;
    if (!Execute(step, why)) {
      Err << ScriptName << ":" << step.Line << ": " << step.Command << ": " << why << "\n";
      status = ExitStepFailed;
    }
    // What was printed so far survives a run that is stopped from outside.
    Out.flush();
  }
  std::string why;
  if (!Driver.ShutDown(FrameTitle, why)) {
    Err << ScriptName << ": at the end: " << why << "\n";
    status = ExitStepFailed;
  }
  // A message box nobody answered is a fault of the script even when every step passed.
  if (status == ExitSuccess)
    for (const std::string& failure : Driver.Failures()) {
      Err << ScriptName << ": " << failure << "\n";
      status = ExitStepFailed;
    }
  runtime::core::RemoveHaltHook(haltHook);
  return status;
}

int32_t ScriptRunner::Target(const ScriptStep& step, size_t index, std::string& why) {
  if (index < step.Args.size()) {
    const int32_t window = Driver.FindWindow(step.Args[index]);
    if (window == 0) why = Driver.LastFailure();
    return window;
  }
  if (Current == 0 || !Driver.Exists(Current)) {
    why = "no current window (the last one has closed; use wait-window)";
    return 0;
  }
  return Current;
}

bool ScriptRunner::FromDriver(const DriverResult& result, std::string& why) {
  if (!result) why = result.Message;
  return result.Ok;
}

bool ScriptRunner::Execute(const ScriptStep& step, std::string& why) {
  const std::string& command = step.Command;
  const std::vector<std::string>& a = step.Args;
  int number = 0;

  if (command == "wait-window" || command == "window") {
    const int32_t window = Driver.FindWindow(a[0]);
    if (window == 0) {
      why = Driver.LastFailure();
      return false;
    }
    Current = window;
    return true;
  }
  if (command == "wait-closed") return FromDriver(Driver.WaitClosedTitle(a[0]), why);
  if (command == "echo") {
    Out << a[0] << "\n";
    return true;
  }
  if (command == "timeout") {
    ScriptParser::Number(a[0], number);
    Timeout = std::chrono::milliseconds(number);
    Driver.SetTimeout(Timeout);
    return true;
  }
  if (command == "wait-idle") return FromDriver(Driver.WaitIdle(), why);
  if (command == "answer") {
    Driver.AnswerMessageBox(ScriptParser::Button(a[0]));
    return true;
  }
  if (command == "choose-file") {
    Driver.AnswerFileChooser(a[0].empty() ? std::nullopt : std::optional<std::string>(a[0]));
    return true;
  }
  if (command == "cancel-progress") {
    Driver.CancelProgress();
    return true;
  }
  if (command == "popup") {
    if (ScriptParser::Number(a[0], number)) Driver.AnswerPopup(number);
    else Driver.AnswerPopup(a[0]);
    return true;
  }
  if (command == "expect-message") {
    // Boxes are matched in the order they were shown, each once.
    const auto deadline = Clock::now() + Timeout;
    for (;;) {
      const auto boxes = Driver.MessageBoxes();
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
  if (command == "print-popup") {
    // The next popup menu not printed yet, waiting for it to be shown.
    const auto deadline = Clock::now() + Timeout;
    for (;;) {
      const auto menus = Driver.PopupMenus();
      if (MenusPrinted < menus.size()) {
        Out << menus[MenusPrinted++];
        return true;
      }
      if (Clock::now() >= deadline) {
        why = "no popup menu shown within " + std::to_string(Timeout.count()) + " ms";
        return false;
      }
      std::this_thread::sleep_for(PollPeriod);
    }
  }
  if (command == "print") {
    const int32_t window = Target(step, 0, why);
    if (window == 0) return false;
    Out << Driver.Print(window);
    return true;
  }
  if (command == "close") {
    const int32_t window = Target(step, 0, why);
    if (window == 0) return false;
    return FromDriver(Driver.Close(window), why);
  }

  if (command == "maximize" || command == "restore" || command == "expect-layout") {
    const int32_t window = Target(step, 0, why);
    if (window == 0) return false;
    if (command == "expect-layout") return FromDriver(Driver.CheckLayout(window), why);
    const auto shape = command == "maximize" ? ScriptDriver::Shape::Maximized : ScriptDriver::Shape::Normal;
    return FromDriver(Driver.Reshape(window, shape), why);
  }

  const int32_t window = Target(step, a.size(), why);
  if (window == 0) return false;
  if (command == "menu") return FromDriver(Driver.ChooseMenu(window, a[0]), why);
  if (command == "press") return FromDriver(Driver.Press(window, a[0]), why);
  if (command == "type") return FromDriver(Driver.Type(window, a[0], a[1]), why);
  if (command == "edit") return FromDriver(Driver.Edit(window, a[0], a[1]), why);
  if (command == "focus") return FromDriver(Driver.Focus(window, a[0]), why);
  if (command == "select" || command == "double-click" || command == "right-click") {
    ScriptParser::Number(a[1], number);
    if (command == "select") return FromDriver(Driver.SelectRow(window, a[0], number), why);
    if (command == "double-click") return FromDriver(Driver.DoubleClickRow(window, a[0], number), why);
    return FromDriver(Driver.RightClickRow(window, a[0], number), why);
  }
  if (command == "key") {
    if (a.size() == 2 && !FromDriver(Driver.Focus(window, a[0]), why)) return false;
    return FromDriver(Driver.PressKey(window, ScriptParser::KeyCode(a.back())), why);
  }
  if (command == "expect-text") {
    std::string shown;
    if (!Driver.ControlText(window, a[0], shown, why)) return false;
    if (shown != a[1]) {
      why = "control " + Quoted(a[0]) + " shows " + Quoted(shown) + ", not " + Quoted(a[1]);
      return false;
    }
    return true;
  }
  why = "unknown command";
  return false;
}

}  // namespace tools::script
