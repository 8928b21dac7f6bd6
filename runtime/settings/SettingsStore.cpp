#include "runtime/settings/SettingsStore.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/settings/IniFile.h"

namespace runtime::settings {
namespace {

using runtime::core::RuntimeError;
using runtime::core::RuntimeErrorCode;

constexpr const char* StoreFolder = "vorkan42";
constexpr const char* StoreFile = "registry.ini";
constexpr mode_t PrivateFolderMode = 0700;  // settings are the user's own

std::optional<std::string> RootName(uint32_t root) {
  switch (root) {
    case SettingsStore::ClassesRoot: return "ClassesRoot";
    case SettingsStore::CurrentUser: return "CurrentUser";
    case SettingsStore::LocalMachine: return "LocalMachine";
    case SettingsStore::Users: return "Users";
    case SettingsStore::PerformanceData: return "PerformanceData";
    case SettingsStore::CurrentConfig: return "CurrentConfig";
    case SettingsStore::DynamicData: return "DynamicData";
    default: return std::nullopt;
  }
}

// "Root\part\part" with empty parts dropped, or nothing for an unknown root or an
// empty path.
std::optional<std::string> SectionOf(uint32_t root, std::string_view keyPath) {
  std::optional<std::string> section = RootName(root);
  if (!section) return std::nullopt;
  bool anyPart = false;
  size_t start = 0;
  while (start <= keyPath.size()) {
    size_t end = keyPath.find('\\', start);
    if (end == std::string_view::npos) end = keyPath.size();
    if (end > start) {
      *section += '\\';
      section->append(keyPath.substr(start, end - start));
      anyPart = true;
    }
    start = end + 1;
  }
  if (!anyPart) return std::nullopt;
  return section;
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  struct passwd entry{};
  struct passwd* found = nullptr;
  std::vector<char> buffer(16 * 1024);
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    return found->pw_dir;
  }
  return ".";
}

std::string ConfigFolder() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
    return config;
  }
  return HomeFolder() + "/.config";
}

// Creates the store's folder (and <config> itself) when missing.
bool EnsureFolder() {
  const std::string config = ConfigFolder();
  for (const std::string& folder : {config, config + "/" + StoreFolder}) {
    if (::mkdir(folder.c_str(), PrivateFolderMode) != 0 && errno != EEXIST) {
      RuntimeError::Set(errno == EACCES || errno == EROFS || errno == EPERM ? RuntimeErrorCode::AccessDenied
                                                                            : RuntimeErrorCode::NotFound);
      return false;
    }
  }
  return true;
}

}  // namespace

std::string SettingsStore::FilePath() { return ConfigFolder() + "/" + StoreFolder + "/" + StoreFile; }

std::string SettingsStore::Read(uint32_t root, std::string_view keyPath, std::string_view valueName,
                                std::string_view defaultValue) {
  const std::optional<std::string> section = SectionOf(root, keyPath);
  if (!section) return std::string(defaultValue);
  return IniFile::Read(FilePath(), *section, valueName, defaultValue);
}

bool SettingsStore::Write(uint32_t root, std::string_view keyPath, std::string_view valueName,
                          std::string_view value) {
  const std::optional<std::string> section = SectionOf(root, keyPath);
  if (!section) {
    RuntimeError::Set(RuntimeErrorCode::NotFound);
    return false;
  }
  if (!EnsureFolder()) return false;
  return IniFile::Write(FilePath(), *section, valueName, value);
}

bool SettingsStore::Delete(uint32_t root, std::string_view keyPath, std::string_view valueName) {
  const std::optional<std::string> section = SectionOf(root, keyPath);
  if (!section) {
    RuntimeError::Set(RuntimeErrorCode::NotFound);
    return false;
  }
  return IniFile::Delete(FilePath(), *section, valueName);
}

}  // namespace runtime::settings
