#include "runtime/shell/Opener.h"

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/shell/ChildReaper.h"

extern char** environ;

namespace runtime::shell {
namespace {

using runtime::core::RuntimeError;
using runtime::core::RuntimeErrorCode;

constexpr char OptionMark = '-';
constexpr const char* CurrentFolderPrefix = "./";

int32_t CodeFor(int error) {
  switch (error) {
    case ENOENT: return RuntimeErrorCode::NotFound;
    case EACCES: case EPERM: return RuntimeErrorCode::AccessDenied;
    case EAGAIN: case ENOMEM: return RuntimeErrorCode::ThreadNotStarted;  // out of processes
    default: return RuntimeErrorCode::NotSupported;
  }
}

}  // namespace

std::vector<std::string> Opener::Arguments(const std::string& address) {
  std::string text = address;
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  if (text.empty() || text.find('\0') != std::string::npos) return {};
  if (text.front() == OptionMark) text.insert(0, CurrentFolderPrefix);
  return {Program, text};
}

bool Opener::OpenAddress(const std::string& address) {
  const std::vector<std::string> arguments = Arguments(address);
  if (arguments.empty()) {
    RuntimeError::Set(RuntimeErrorCode::NotFound, "no address to open");
    return false;
  }
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  pid_t child = 0;
  const int rc = posix_spawnp(&child, Program, nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    RuntimeError::Set(CodeFor(rc), std::string(Program) + " could not be started: " + std::strerror(rc));
    return false;
  }
  // The opener may stay until the browser it started has gone (some desktops run the
  // browser in its place); the reaper waits for it whenever that is.
  ChildReaper::Instance().Adopt(child);
  RuntimeError::Clear();
  return true;
}

}  // namespace runtime::shell
