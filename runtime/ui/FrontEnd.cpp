#include "runtime/ui/FrontEnd.h"

#include <mutex>
#include <utility>

namespace runtime::ui {
namespace {

std::mutex InstallLock;
std::shared_ptr<FrontEnd>& Current() {
  static std::shared_ptr<FrontEnd> current;
  return current;
}

}  // namespace

void FrontEnd::Install(std::shared_ptr<FrontEnd> frontEnd) {
  std::lock_guard lock(InstallLock);
  Current() = std::move(frontEnd);
}

std::shared_ptr<FrontEnd> FrontEnd::Installed() {
  std::lock_guard lock(InstallLock);
  return Current();
}

}  // namespace runtime::ui
