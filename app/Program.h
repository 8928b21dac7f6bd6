#pragma once
// The program's descriptor: the start-up table of its units, in the order they are
// initialised, and the main procedure run on thread 1. The process entry (main.cpp)
// hands both to the front end's runner.

#include <functional>

#include "runtime/core/StartupTable.h"

namespace app {

class Program {
 public:
  // The settings file in the working folder.
  static constexpr const char* IniFileName = ".\\Vorkan42.INI";

  // The start-up table, application unit first.
  static runtime::core::StartupTable Table();
  // The main procedure (thread 1): error manager, matcher, INI manager ".\Vorkan42.INI",
  // thread 1's UrlList managers, the frame, then the INI manager torn down.
  static void MainProcedure();

  // The frame procedure the main procedure runs and waits for (the frame Main unless
  // replaced; nullptr brings Main back).
  using FrameProcedure = std::function<void()>;
  static void SetFrame(FrameProcedure frame);
};

}  // namespace app
