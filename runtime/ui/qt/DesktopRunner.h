#pragma once
// Runs a program on the desktop: the process's main thread becomes the GUI thread and
// runs Qt's event loop, the program is launched on its own threads (thread 1 runs the
// main procedure), and the event loop ends when thread 1 has finished. Without a
// display to connect to, Run says so in one line on the standard error and returns a
// non-zero status without starting anything.
//
// Call Run once, from main, on the process's main thread.

#include <string>

#include "runtime/core/Process.h"
#include "runtime/core/StartupTable.h"

namespace runtime::ui::qt {

class DesktopRunner {
 public:
  static constexpr int NoDisplayStatus = 2;
  static constexpr int NotStartedStatus = 1;

  // True when DISPLAY names an X server that accepts a connection, or WAYLAND_DISPLAY a
  // compositor socket that does.
  static bool DisplayAvailable();
  // The folder of the help pages (HelpPages::Folder).
  static std::string HelpFolder();
  // Returns the process's exit status.
  static int Run(int argc, char** argv, runtime::core::StartupTable table, runtime::core::Procedure mainProcedure);
};

}  // namespace runtime::ui::qt
