// Process entry: a clean floating-point state, then the program's start-up table run
// around the main procedure, with the desktop's event loop on this thread.
#include <cfenv>

#include "app/Program.h"
#include "runtime/ui/qt/DesktopRunner.h"

int main(int argc, char** argv) {
  std::feclearexcept(FE_ALL_EXCEPT);
  return runtime::ui::qt::DesktopRunner::Run(argc, argv, app::Program::Table(), app::Program::MainProcedure);
}
