#pragma once
// The keyed-file driver for files kept on a database server (libpq), for teams that
// share one list from several machines. The "path" names the file: its last element,
// in lower case, is the table ("URLLIST" becomes the table urllist), in the schema the
// connection string's search path gives. It answers the managers exactly as the local
// driver does: the same error codes, the same cursor, positions and saved cursors, a
// change counter in every row compared inside UPDATE and DELETE (89), a layout table
// checked before anything is written (47, the table never altered), one index per key
// with the local driver's ordering rule, and a role that may only read opening
// read-only (5 for writes).
//
// Round trips: every read (a key, a position, the next or previous record) is one
// statement and one round trip; a write outside a transaction is one; inside one,
// a write is wrapped in a savepoint so a refused write (a duplicate) leaves the
// transaction usable, as it does locally.
//
// Transactions: files on one thread share the thread's connection to the server
// (PgConnection), so Begin on several of them makes one server transaction, and the
// first Commit commits them all. Begin locks the file's table against other writers
// (readers go on), as the local driver's transaction takes the file's write lock, and
// waits at most the timeout given for it (43). While a thread's transaction runs,
// every write the thread makes on that server belongs to it.
//
// Thread safety: as every Driver, one thread at a time per object.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/files/Driver.h"
#include "runtime/files/PgConnection.h"
#include "runtime/files/PgSchema.h"
#include "runtime/files/SavedCursor.h"
#include "runtime/files/SqlValue.h"

namespace runtime::files {

class PgDriver : public Driver {
 public:
  // The name the driver is registered under.
  static constexpr const char* Name = "PGSQL";
  static constexpr int32_t DefaultBusySeconds = 10;

  // `conninfo`: a libpq connection string. `refusal`, when not empty, is why this
  // connection may not be used: every open and create then fails with it.
  explicit PgDriver(std::string conninfo, std::string refusal = {});
  ~PgDriver() override;
  PgDriver(const PgDriver&) = delete;
  PgDriver& operator=(const PgDriver&) = delete;

  std::string DefaultExtension() const override { return {}; }
  bool SupportsTransactions() const override { return true; }

  DriverStatus Create(const FileDefinition& definition, const std::string& path) override;
  DriverStatus Open(const FileDefinition& definition, const std::string& path, uint8_t mode) override;
  DriverStatus Close() override;
  DriverStatus BuildKeys(const FileDefinition& definition, const std::string& path) override;

  DriverStatus GetByKey(int key, void* buffer) override;
  DriverStatus GetByPosition(const std::string& position, void* buffer) override;
  DriverStatus SetKeyPosition(int key, size_t components, const void* buffer) override;
  DriverStatus ResetToPosition(const std::string& position) override;
  DriverStatus Next(void* buffer) override;
  DriverStatus Previous(void* buffer) override;
  DriverStatus Position(int key, std::string& position) override;
  void ForgetCurrent() override;

  // A run is one statement; read brackets hold nothing, as every statement reads one
  // state of the file by itself and a page is one statement.
  DriverStatus ReadRun(RunDirection direction, size_t count, std::vector<RunRecord>& run) override;
  DriverStatus TakeRunRecord(const RunRecord& record, void* buffer) override;

  DriverStatus Add(const void* buffer) override;
  DriverStatus Put(const void* buffer) override;
  DriverStatus Delete() override;
  DriverStatus Watch() override;
  DriverStatus CheckDuplicate(int key, const void* buffer, bool& duplicate) override;

  DriverStatus SaveCursor(std::string& state) override;
  DriverStatus RestoreCursor(const std::string& state) override;
  DriverStatus Records(int64_t& count) override;
  DriverStatus Send(const std::string& option, std::string& answer) override;

  DriverStatus Begin(int32_t timeoutSeconds) override;
  DriverStatus Commit() override;
  DriverStatus Rollback() override;
  bool InTransaction() const override { return InTx; }

  // Round trips this driver's connection has made (for measurements).
  int64_t RoundTrips() const { return Conn ? Conn->RoundTrips() : 0; }

 private:
  using Row = CursorRow;
  using Boundary = CursorBoundary;  // where Next and Previous start when no record is current
  struct ParsedPosition {
    int Key = 0;
    int64_t Id = 0;
    std::vector<SqlValue> Values;  // empty, or every component of the key
  };
  // What Open finds on the server for a file.
  struct Found {
    bool LayoutTable = false;
    bool Table = false;
    std::vector<bool> Indexes;  // per key
    bool HasLayout = false;
    std::string Layout;
  };
  enum class KeysMissing : uint8_t { Refuse, Allow };

  DriverStatus OpenConnection(const FileDefinition& definition, const std::string& path, uint8_t mode,
                              KeysMissing keys);
  DriverStatus Inspect(PgConnection& conn, const PgSchema& schema, Found& found);
  DriverStatus CreateOn(PgConnection& conn, const PgSchema& schema);
  DriverStatus Query(const std::string& sql, const std::vector<std::string>& params, PgResult& result, PgRetry retry);
  // A write: the lock wait set, and inside a transaction wrapped in a savepoint.
  DriverStatus Write(const std::string& sql, const std::vector<std::string>& params, PgResult& result);
  // Reads up to `count` records after (before) the cursor in one statement.
  DriverStatus Seek(bool forward, int64_t count, std::vector<Row>& rows);
  DriverStatus Step(bool forward, void* buffer);
  Row RowAt(const PgResult& result, int row, int firstColumn) const;
  void Take(const Row& row, void* buffer);
  bool ParsePosition(const std::string& text, ParsedPosition& out) const;
  DriverStatus FetchRow(int64_t id, Row& row, bool& found);
  std::string KeyWhere(int key, int firstParam) const;
  int KeyCount() const { return static_cast<int>(Def->Keys.size()); }

  std::string Conninfo;
  std::string Refusal;
  std::shared_ptr<PgConnection> Conn;
  const FileDefinition* Def = nullptr;
  std::unique_ptr<PgSchema> Schema;
  bool ReadOnly = false;
  bool InTx = false;
  uint64_t TxGeneration = 0;
  int32_t BusySeconds = DefaultBusySeconds;
  bool QuickScan = false;
  std::string FindText;  // FIND=: reads keep only records whose find field holds it

  int OrderKey = 0;
  bool AtBoundary = true;
  Boundary Bound;
  bool HasCurrent = false;
  bool CurrentGone = false;  // deleted through this driver; still the cursor position
  Row Current;
  bool WatchArmed = false;
  bool Watching = false;
  int64_t WatchedId = 0;
  int64_t WatchedVersion = 0;
};

}  // namespace runtime::files
