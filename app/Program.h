#pragma once
// The program's descriptor and process entry: the start-up table of its units, in
// the order they are initialised, and the main procedure run on thread 1.

#include "runtime/core/StartupTable.h"

namespace app {

class Program {
 public:
  // Process entry: initialises the runtime with the start-up table and runs the main
  // procedure; returns the process exit status.
  static int Main();
  // The start-up table, application unit first.
  static runtime::core::StartupTable Table();
  // The main procedure (thread 1).
  static void MainProcedure();
};

}  // namespace app
