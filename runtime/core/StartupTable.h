#pragma once
// The process-wide start-up table: each compiled unit contributes up to four
// procedures (global initialiser and finaliser, thread initialiser and finaliser)
// and, when it declares files, a file set-up procedure. The program lists its units
// in a fixed order; the runtime runs
//   file set-ups, then global initialisers        in table order, once, before thread 1;
//   thread initialisers                           in table order, at the start of every thread;
//   thread finalisers                             in reverse order, when a thread's procedure returns;
//   global finalisers                             in reverse order, after the last thread ended.

#include <functional>
#include <string>
#include <vector>

namespace runtime::core {

struct StartupUnit {
  std::string Name;
  std::function<void()> GlobalInit;
  std::function<void()> GlobalFinal;
  std::function<void()> ThreadInit;
  std::function<void()> ThreadFinal;
  std::function<void()> FileSetup;
};

using StartupTable = std::vector<StartupUnit>;

}  // namespace runtime::core
