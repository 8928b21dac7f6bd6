#pragma once
// Where the program keeps its data files: the local files (the default), or a
// database server named by a libpq connection string. The INI file's entry
// Connection= in section [Database] names the server; the environment variable
// VORKAN42_CONNECTION, when set, takes precedence (empty: the local files). A password
// never belongs in the INI file: one written there is refused with a message that says
// where it goes instead, and nothing connects.
//
// Apply makes the choice the driver of every file whose definition leaves the driver
// to the program (an empty DriverName); call it once at start-up, before such files
// are used. Safe from any thread (the registry has its own lock).

#include <string>

namespace runtime::files {

class DatabaseChoice {
 public:
  static constexpr const char* IniSection = "Database";
  static constexpr const char* IniEntry = "Connection";
  static constexpr const char* EnvironmentVariable = "VORKAN42_CONNECTION";

  struct Choice {
    std::string Connection;  // empty: the local files
    std::string Refusal;     // why the connection may not be used; empty when it may
  };

  // The choice from the INI entry's value and the environment.
  static Choice Resolve(const std::string& iniValue);
  // Registers the server driver for the choice and makes it the program's default, or
  // goes back to the local files.
  static void Apply(const Choice& choice);
  // "" when `conninfo` may stand in the INI file, else why not (it holds a password, or
  // it is no connection string).
  static std::string IniProblem(const std::string& conninfo);
};

}  // namespace runtime::files
