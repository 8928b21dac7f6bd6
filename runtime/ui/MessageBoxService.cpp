#include "runtime/ui/MessageBoxService.h"

#include "runtime/ui/EventQueues.h"
#include "runtime/ui/FrontEnd.h"

namespace runtime::ui {

int32_t MessageBoxService::ShowMessage(const MessageBoxRequest& request) {
  // Only the reference is taken under the install lock: a box may stay open for
  // minutes, and other threads must be able to show theirs meanwhile.
  std::shared_ptr<FrontEnd> frontEnd = FrontEnd::Installed();
  if (!frontEnd) return request.DefaultButton;
  // While the box waits, the thread counts as idle to whoever waits for quiet.
  EventQueues::Blocked waiting;
  return frontEnd->ShowMessageBox(request);
}

}  // namespace runtime::ui
