// Process entry: runs the program's start-up table around the main procedure, with the
// desktop's event loop on this thread.
#include "app/Program.h"
#include "runtime/ui/qt/DesktopRunner.h"

int main(int argc, char** argv) {
  return runtime::ui::qt::DesktopRunner::Run(argc, argv, app::Program::Table(), app::Program::MainProcedure);
}
