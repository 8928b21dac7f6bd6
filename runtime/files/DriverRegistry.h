#pragma once
// The process-wide list of keyed-file drivers by name ("SQLITE" is always there).
// A driver is registered as a factory that makes one Driver object per open file.
// Tests register fault-injecting drivers under names of their own.
// Safe from any thread: the list is guarded by its own lock.

#include <functional>
#include <memory>
#include <string>

#include "runtime/files/Driver.h"

namespace runtime::files {

class DriverRegistry {
 public:
  using Factory = std::function<std::unique_ptr<Driver>()>;

  // The name of the built-in SQLite driver.
  static constexpr const char* SqliteName = "SQLITE";

  // Adds or replaces the driver `name` (names compare without regard to case).
  static void Register(const std::string& name, Factory factory);
  // Removes `name`; the built-in driver cannot be removed. Files already using the
  // driver keep their Driver objects.
  static void Unregister(const std::string& name);
  // A new Driver object of driver `name` ("" means the program's default driver), or
  // null when no such driver is registered.
  static std::unique_ptr<Driver> Make(const std::string& name);
  // Which driver "" means: the built-in one unless the program chose another place for
  // its files (DatabaseChoice).
  static void SetDefault(const std::string& name);
  static std::string Default();
};

}  // namespace runtime::files
