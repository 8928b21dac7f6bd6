#pragma once
// Runs the program in the current folder through a ScriptDriver (headless or desktop)
// and carries out the steps of a script against its windows, the way a user would. Steps act on the
// current window: the frame "Application" at the start, then the window named by the
// last wait-window or window step. The first failing step ends the script: its line
// and the reason go to the error stream. At the end the frame is closed through its
// normal close path and the program shuts down.
//
// Thread safety: Run is called once, from one thread; the program runs on its runtime
// threads meanwhile (and, on the desktop, the widgets on the GUI thread).

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "tools/script/ScriptDriver.h"
#include "tools/script/ScriptStep.h"

namespace tools::script {

class ScriptRunner {
 public:
  static constexpr std::chrono::milliseconds DefaultTimeout{30000};
  static constexpr const char* FrameTitle = "Application";

  // Exit statuses of the program.
  static constexpr int ExitSuccess = 0;
  static constexpr int ExitStepFailed = 1;
  static constexpr int ExitBadScript = 2;

  ScriptRunner(ScriptDriver& driver, std::ostream& out, std::ostream& err, std::string scriptName);

  // Starts the program, runs the steps, shuts the program down; the exit status.
  int Run(const std::vector<ScriptStep>& steps);

 private:
  // Carries out one step; false with the reason in `why`.
  bool Execute(const ScriptStep& step, std::string& why);
  // The window a step names (its optional title argument at `index`), or the current one.
  int32_t Target(const ScriptStep& step, size_t index, std::string& why);
  bool FromDriver(const DriverResult& result, std::string& why);

  std::ostream& Out;
  std::ostream& Err;
  std::string ScriptName;
  ScriptDriver& Driver;
  std::chrono::milliseconds Timeout = DefaultTimeout;
  int32_t Current = 0;
  size_t MessagesSeen = 0;  // message boxes already matched by expect-message
  size_t MenusPrinted = 0;  // popup menus already printed by print-popup
};

}  // namespace tools::script
