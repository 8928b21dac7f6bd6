#include "app/ConsoleMessages.h"

namespace app {

int32_t ConsoleMessages::ShowMessageBox(const runtime::ui::MessageBoxRequest& request) {
  std::lock_guard guard(Lock);
  Err << request.Caption << ":";
  for (const std::string& line : request.Lines()) Err << " " << line;
  Err << "\n";
  return request.DefaultButton;
}

}  // namespace app
