#include "app/Program.h"

#include <cfenv>

#include "runtime/core/Process.h"

namespace app {

runtime::core::StartupTable Program::Table() { return {}; }

void Program::MainProcedure() {}

int Program::Main() {
  std::feclearexcept(FE_ALL_EXCEPT);  // a clean floating-point state before anything runs
  if (!runtime::core::Process::Run(Table(), MainProcedure)) return 1;
  return 0;
}

}  // namespace app
