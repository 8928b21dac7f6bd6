#include "runtime/files/DatabaseChoice.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <memory>

#include "runtime/files/DriverRegistry.h"
#include "runtime/files/PgDriver.h"

namespace runtime::files {

std::string DatabaseChoice::IniProblem(const std::string& conninfo) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
  if (options == nullptr) {
    std::string why = error != nullptr ? error : "out of memory";
    PQfreemem(error);
    while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
    return std::string("The entry ") + IniEntry + "= in section [" + IniSection + "] is no connection string: " + why;
  }
  bool password = false;
  for (PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
    if (o->val != nullptr && std::string(o->keyword) == "password") password = true;
  }
  PQconninfoFree(options);
  if (password) {
    return std::string("The entry ") + IniEntry + "= in section [" + IniSection +
           "] holds a password; keep it in ~/.pgpass instead";
  }
  return {};
}

DatabaseChoice::Choice DatabaseChoice::Resolve(const std::string& iniValue) {
  if (const char* env = std::getenv(EnvironmentVariable); env != nullptr) return {env, {}};
  if (iniValue.empty()) return {};
  return {iniValue, IniProblem(iniValue)};
}

void DatabaseChoice::Apply(const Choice& choice) {
  if (choice.Connection.empty()) {
    DriverRegistry::SetDefault(DriverRegistry::SqliteName);
    return;
  }
  DriverRegistry::Register(PgDriver::Name, [choice] {
    return std::make_unique<PgDriver>(choice.Connection, choice.Refusal);
  });
  DriverRegistry::SetDefault(PgDriver::Name);
}

}  // namespace runtime::files
