// Process entry: a clean floating-point state, then the program's start-up table run
// around the main procedure, with the desktop's event loop on this thread.
#include <cfenv>

#include <iostream>
#include <string>
#include <vector>

#include "app/Program.h"
#include "app/UrlCommands.h"
#include "runtime/ui/qt/DesktopRunner.h"

int main(int argc, char** argv) {
  std::feclearexcept(FE_ALL_EXCEPT);
  // A command runs without a display and ends the process with its own status.
  if (argc > 1 && app::UrlCommands::IsCommand(argv[1])) {
    return app::UrlCommands::Run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
  }
  return runtime::ui::qt::DesktopRunner::Run(argc, argv, app::Program::Table(), app::Program::MainProcedure);
}
