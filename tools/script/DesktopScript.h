#pragma once
// vorkan42-script --desktop: the process's main thread becomes the GUI thread and runs
// Qt's event loop with the program's desktop front end, while the script's steps run on
// a thread of their own through DesktopScriptDriver. Without a display it says so in one
// line and returns ExitBadScript.
//
// Call Run once, from main, on the process's main thread.

#include <string>
#include <vector>

#include "tools/script/ScriptStep.h"

namespace tools::script {

class DesktopScript {
 public:
  static constexpr const char* Option = "--desktop";
  static int Run(int argc, char** argv, const std::vector<ScriptStep>& steps, const std::string& scriptName);
};

}  // namespace tools::script
