#include "app/CommandLineFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace app {
namespace {

bool Absolute(const char* path) { return path && path[0] == '/'; }

}  // namespace

std::string CommandLineFolder::DataFolder(const char* xdgDataHome, const char* home, std::string& error) {
  if (Absolute(xdgDataHome)) return std::string(xdgDataHome) + "/" + SubFolder;
  if (Absolute(home)) return std::string(home) + "/.local/share/" + SubFolder;
  error = "cannot find the data folder: neither XDG_DATA_HOME nor HOME names an absolute folder";
  return {};
}

bool CommandLineFolder::Enter(const std::string& folder, Create create, std::string& error) {
  if (create == Create::WhenMissing) {
    // Private to the person, as the XDG rule asks of the folders it names.
    const mode_t previous = ::umask(077);
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    ::umask(previous);
    if (code) {
      error = "cannot make the folder '" + folder + "': " + code.message();
      return false;
    }
  }
  if (::chdir(folder.c_str()) != 0) {
    error = "cannot work in the folder '" + folder + "': " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace app
