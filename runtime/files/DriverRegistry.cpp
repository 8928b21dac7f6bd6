#include "runtime/files/DriverRegistry.h"

#include <map>
#include <mutex>

#include "runtime/files/SqliteDriver.h"
#include "runtime/text/AsciiCase.h"

namespace runtime::files {
namespace {

std::string Upper(std::string s) {
  return runtime::text::AsciiCase::ToUpper(std::move(s));
}

struct Drivers {
  std::mutex Mutex;
  std::map<std::string, DriverRegistry::Factory> ByName;  // GUARDED_BY(Mutex)
  std::string DefaultName = DriverRegistry::SqliteName;   // GUARDED_BY(Mutex)
};

// Built on first use, so files opened from static initialisers find the built-in driver.
Drivers& TheDrivers() {
  static Drivers drivers;
  static std::once_flag builtIn;
  std::call_once(builtIn, [] {
    drivers.ByName[DriverRegistry::SqliteName] = [] { return std::make_unique<SqliteDriver>(); };
  });
  return drivers;
}

}  // namespace

void DriverRegistry::Register(const std::string& name, Factory factory) {
  Drivers& d = TheDrivers();
  std::lock_guard lock(d.Mutex);
  d.ByName[Upper(name)] = std::move(factory);
}

void DriverRegistry::Unregister(const std::string& name) {
  const std::string key = Upper(name);
  if (key == SqliteName) return;
  Drivers& d = TheDrivers();
  std::lock_guard lock(d.Mutex);
  d.ByName.erase(key);
}

std::unique_ptr<Driver> DriverRegistry::Make(const std::string& name) {
  Drivers& d = TheDrivers();
  Factory factory;
  {
    std::lock_guard lock(d.Mutex);
    auto found = d.ByName.find(name.empty() ? d.DefaultName : Upper(name));
    if (found == d.ByName.end()) return nullptr;
    factory = found->second;
  }
  return factory();
}

void DriverRegistry::SetDefault(const std::string& name) {
  Drivers& d = TheDrivers();
  std::lock_guard lock(d.Mutex);
  d.DefaultName = name.empty() ? std::string(SqliteName) : Upper(name);
}

std::string DriverRegistry::Default() {
  Drivers& d = TheDrivers();
  std::lock_guard lock(d.Mutex);
  return d.DefaultName;
}

}  // namespace runtime::files
