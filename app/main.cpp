// Process entry: a clean floating-point state; the command line (help, version, the
// folder to work in, commands that need no display); then the program's start-up table
// run around the main procedure, with the desktop's event loop on this thread.
#include <cfenv>
#include <iostream>

#include "app/CommandLine.h"
#include "app/Program.h"
#include "runtime/ui/qt/DesktopRunner.h"

int main(int argc, char** argv) {
  std::feclearexcept(FE_ALL_EXCEPT);
  if (const auto status = app::CommandLine::Handle(argc, argv, std::cout, std::cerr)) return *status;
  // The desktop sees only the program's name: every argument has been read above, and
  // none is meant for the toolkit.
  constexpr int DesktopArgumentCount = 1;
  return runtime::ui::qt::DesktopRunner::Run(DesktopArgumentCount, argv, app::Program::Table(),
                                             app::Program::MainProcedure);
}
