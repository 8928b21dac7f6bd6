#pragma once
// A schema of its own on the test server for one test, so tests running at once
// never meet: made on construction, dropped with everything in it on destruction.
// The server comes from VORKAN42_TEST_CONNECTION (scripts/test.sh starts one and sets
// it); without it Available() is false and server tests skip.

#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>

namespace testfiles {

class ServerSchema {
 public:
  static constexpr const char* Variable = "VORKAN42_TEST_CONNECTION";

  static bool Available() { return !Base().empty(); }
  static std::string Base() {
    const char* v = std::getenv(Variable);
    return v != nullptr ? v : "";
  }

  ServerSchema() {
    if (!Available()) return;
    static std::atomic<int> counter{0};
    Name = "vk_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    Exec("DROP SCHEMA IF EXISTS " + Name + " CASCADE; CREATE SCHEMA " + Name);
  }
  ~ServerSchema() {
    if (!Name.empty()) Exec("DROP SCHEMA IF EXISTS " + Name + " CASCADE");
  }
  ServerSchema(const ServerSchema&) = delete;
  ServerSchema& operator=(const ServerSchema&) = delete;

  // The connection string that puts the test's tables in its schema, as `role`
  // (empty: the server's test role).
  std::string Connection(const std::string& role = "") const {
    std::string c = Base() + " options='-c search_path=" + Name + "'";
    if (!role.empty()) c += " user=" + role;
    return c;
  }
  const std::string& SchemaName() const { return Name; }

  // Runs `sql` in the test's schema; the first cell of the result, or "" (and the
  // error text in Error) on failure.
  std::string Exec(const std::string& sql) {
    Error.clear();
    PGconn* c = PQconnectdb(Name.empty() ? Base().c_str() : Connection().c_str());
    std::string out;
    if (PQstatus(c) != CONNECTION_OK) {
      Error = PQerrorMessage(c);
    } else {
      PQsetNoticeProcessor(c, [](void*, const char*) {}, nullptr);
      PGresult* r = PQexec(c, sql.c_str());
      const ExecStatusType s = PQresultStatus(r);
      if (s == PGRES_TUPLES_OK && PQntuples(r) > 0) out = PQgetvalue(r, 0, 0);
      if (s != PGRES_TUPLES_OK && s != PGRES_COMMAND_OK) Error = PQresultErrorMessage(r);
      PQclear(r);
    }
    PQfinish(c);
    return out;
  }

  std::string Error;

 private:
  std::string Name;
};

}  // namespace testfiles
