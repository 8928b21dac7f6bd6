#include "tests/support/TempWorkDir.h"

#include <stdlib.h>

#include <string>
#include <system_error>

namespace testsupport {

TempWorkDir::TempWorkDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vorkan42-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  Dir = pattern;
  Previous = std::filesystem::current_path();
  std::filesystem::current_path(Dir);
}

TempWorkDir::~TempWorkDir() {
  std::error_code ec;
  std::filesystem::current_path(Previous, ec);
  std::filesystem::remove_all(Dir, ec);
}

}  // namespace testsupport
