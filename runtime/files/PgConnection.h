#pragma once
// One connection to a database server (libpq), as the server driver uses it: statements
// prepared once per connection, every call bounded in time, server failures turned into
// the runtime's error codes with the server's own message, a lost connection made again
// once, and one transaction shared by the files that use the connection.
//
// Files on one thread share that thread's connection to a server (ForThread), so a
// transaction over several of them is one transaction of the server; a file that
// several threads share gets a connection of its own (Private). Like a Driver, a
// connection is used by one thread at a time; the per-thread table needs no lock.
//
// Error codes (RuntimeErrorCode): 40 a unique key clash; 5 the role may not do it;
// 43 busy (a lock not granted in time, a deadlock); 90 anything else, with the
// server's SQLSTATE as the driver's code and its message, naming the server when the
// connection could not be made or was lost.

#include <libpq-fe.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/files/DriverStatus.h"
#include "runtime/files/PgResult.h"

namespace runtime::files {

// Whether a statement may be sent again after the connection was lost under it.
enum class PgRetry : uint8_t {
  Never,  // a write: the server may have done it before the connection went
  Once,   // a read, or a statement with no lasting effect
};

class PgConnection {
 public:
  // How long making a connection may take, unless the connection string says otherwise.
  static constexpr int32_t ConnectSeconds = 10;
  // How long a call waits for the server's answer beyond the time it may wait for a lock.
  static constexpr int32_t AnswerSeconds = 20;
  static constexpr int32_t DefaultLockSeconds = 10;
  // The driver's code for a connection that could not be made or was lost.
  static constexpr const char* ConnectionFailure = "08006";
  // The driver's code for a server that did not answer in time.
  static constexpr const char* NoAnswer = "57014";

  explicit PgConnection(std::string conninfo);
  ~PgConnection();
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  static std::shared_ptr<PgConnection> ForThread(const std::string& conninfo);
  static std::shared_ptr<PgConnection> Private(const std::string& conninfo);

  // Makes the connection when there is none. Ok when connected.
  [[nodiscard]] DriverStatus Connect();
  // Runs `sql` with text parameters ($1, $2 ...), prepared on first use.
  [[nodiscard]] DriverStatus Run(const std::string& sql, const std::vector<std::string>& params, PgResult& result,
                                 PgRetry retry);
  // Runs a statement without parameters and without preparing it.
  [[nodiscard]] DriverStatus Command(const std::string& sql, PgRetry retry);
  // How long a write waits for another station's lock (sent only when it changes).
  [[nodiscard]] DriverStatus SetLockTimeout(int32_t seconds);

  // The connection's transaction, shared by the files that take part: the first Begin
  // starts it, the first Commit or Rollback ends it for all; a member's later Commit or
  // Rollback of the same transaction is a no-op. `generation` identifies it.
  [[nodiscard]] DriverStatus Begin(uint64_t& generation);
  [[nodiscard]] DriverStatus Commit(uint64_t generation);
  [[nodiscard]] DriverStatus Rollback(uint64_t generation);
  bool InTransaction() const { return TxOpen; }

  // "server /tmp/x port 5432, database vorkan42, role ann": for messages; never a password.
  std::string ServerName() const;
  // Round trips to the server so far, on this connection and in the whole process.
  int64_t RoundTrips() const { return Trips; }
  // Statements run so far (a statement prepared on its first use counts once).
  int64_t StatementsRun() const { return Statements; }
  static int64_t TotalRoundTrips() { return AllTrips.load(); }

 private:
  DriverStatus Execute(const std::string& sql, const std::vector<std::string>& params, PgResult& result, bool& sent);
  DriverStatus Await(PgResult& result, bool& lost);
  DriverStatus Failure(const PgResult& result) const;
  // "<what> the database server ... port ..., database ..., role ...: <why>".
  DriverStatus Lost(const std::string& what, const std::string& why) const;
  void Drop();
  int32_t CallSeconds() const { return LockSeconds + AnswerSeconds; }

  std::string Conninfo;
  PGconn* Conn = nullptr;
  std::map<std::string, std::string> Prepared;  // statement text -> name
  int32_t LockSeconds = DefaultLockSeconds;
  int32_t ServerLockSeconds = -1;  // what the server has; -1: not sent on this connection
  bool TxOpen = false;
  uint64_t Generation = 0;
  uint64_t LostGeneration = 0;  // a transaction that ended with the connection
  int64_t Trips = 0;
  int64_t Statements = 0;
  static std::atomic<int64_t> AllTrips;
};

}  // namespace runtime::files
