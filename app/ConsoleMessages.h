#pragma once
// The front end of a command run without a display: every message the program would
// show in a box is written to the standard error as lines ("caption: text"), and the
// box's default button is the answer, so a command never waits for a person.
//
// Thread safety: writes are serialised; called from any program thread.

#include <mutex>
#include <ostream>

#include "runtime/ui/FrontEnd.h"

namespace app {

class ConsoleMessages : public runtime::ui::FrontEnd {
 public:
  explicit ConsoleMessages(std::ostream& err) : Err(err) {}
  int32_t ShowMessageBox(const runtime::ui::MessageBoxRequest& request) override;

 private:
  std::mutex Lock;
  std::ostream& Err;  // guarded by Lock
};

}  // namespace app
