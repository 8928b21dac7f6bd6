#pragma once
// The store that stands in for a system registry: values addressed by a root key
// number, a key path with "\" between its parts ("Software\Vorkan42\Main") and a value
// name, read, written and deleted as text. It lives in one INI file,
// "<config>/vorkan42/registry.ini", where <config> is $XDG_CONFIG_HOME when that is an
// absolute path, else ~/.config; each key is a section named after its root and path
// ("CurrentUser\Software\Vorkan42\Main"). Key paths and value names compare without
// regard to case; empty parts of a key path ("a\\b\") are dropped.
//
// Thread-safe and safe between processes: the file is an IniFile, with its locking
// and atomic replacement. The location is looked up on every call, so a test may
// point XDG_CONFIG_HOME somewhere else between calls.

#include <cstdint>
#include <string>
#include <string_view>

namespace runtime::settings {

class SettingsStore {
 public:
  // The root keys, with the numbers the program passes.
  static constexpr uint32_t ClassesRoot = 0x80000000;
  static constexpr uint32_t CurrentUser = 0x80000001;
  static constexpr uint32_t LocalMachine = 0x80000002;
  static constexpr uint32_t Users = 0x80000003;
  static constexpr uint32_t PerformanceData = 0x80000004;
  static constexpr uint32_t CurrentConfig = 0x80000005;
  static constexpr uint32_t DynamicData = 0x80000006;

  // The value, or `defaultValue` when the root is unknown or the key or value is missing.
  // Does not touch the thread's RuntimeError.
  static std::string Read(uint32_t root, std::string_view keyPath, std::string_view valueName,
                          std::string_view defaultValue);
  // Stores `value` as text, creating the key as needed. False on failure with the
  // RuntimeError set as IniFile::Write does; an unknown root or an empty key path
  // fails with 2.
  static bool Write(uint32_t root, std::string_view keyPath, std::string_view valueName,
                    std::string_view value);
  // Removes the value; a missing one is success.
  static bool Delete(uint32_t root, std::string_view keyPath, std::string_view valueName);

  // The file that holds the store (its folder may not exist yet).
  static std::string FilePath();
};

}  // namespace runtime::settings
