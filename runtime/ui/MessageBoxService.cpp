#include "runtime/ui/MessageBoxService.h"

#include <mutex>
#include <utility>

#include "runtime/ui/EventQueues.h"

namespace runtime::ui {
namespace {

std::mutex InstallLock;
std::shared_ptr<FrontEnd>& Current() {
  static std::shared_ptr<FrontEnd> current;
  return current;
}

}  // namespace

void MessageBoxService::Install(std::shared_ptr<FrontEnd> frontEnd) {
  std::lock_guard lock(InstallLock);
  Current() = std::move(frontEnd);
}

std::shared_ptr<FrontEnd> MessageBoxService::Installed() {
  std::lock_guard lock(InstallLock);
  return Current();
}

int32_t MessageBoxService::ShowMessage(const MessageBoxRequest& request) {
  // The lock covers only taking the reference: a box may stay open for minutes, and
  // other threads must be able to show theirs meanwhile.
  std::shared_ptr<FrontEnd> frontEnd = Installed();
  if (!frontEnd) return request.DefaultButton;
  // While the box waits, the thread counts as idle to whoever waits for quiet.
  EventQueues::Blocked waiting;
  return frontEnd->ShowMessageBox(request);
}

}  // namespace runtime::ui
