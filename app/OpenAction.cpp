#include "app/OpenAction.h"

#include <string>

#include "runtime/shell/Opener.h"

namespace app {

void OpenAction::Open(std::string_view url, int32_t times) {
  const std::string address(url);
  for (int32_t opened = 0; opened < times; ++opened) (void)runtime::shell::Opener::OpenAddress(address);
}

}  // namespace app
