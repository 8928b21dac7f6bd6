#pragma once
// The default keyed-file driver: each data file is one SQLite database ("URLLIST"
// becomes "URLLIST.vkdb") in WAL mode with full synchronous commits and a busy
// timeout, so a crash never loses a committed record and several threads (each with
// its own connection) and processes can share the file. One table holds the records,
// one index per key gives the order, and a metadata table keeps the layout written at
// create; a file whose layout differs from the definition is refused (47) and never
// altered. Reads are index seeks from the cursor's key values, so positioning and
// reading cost the same whatever the file's size: a run of records (and a single
// Next or Previous, a run of one) is one statement, a UNION ALL of one index range per
// level of the cursor (the records equal to it on the leading components and beyond
// it on the next), each read in key order up to the run's length.
//
// Read transactions cost no statement of their own: between BeginRead and EndRead the
// last read statement is kept open (not reset) instead of being reset, which keeps the
// connection's snapshot for the next one; EndRead resets it. A run statement ends in
// a row of nulls, so it always stops on a row and keeps the snapshot even when it
// reached the end of the file. A run announced as the first half of a page around a
// row (ExpectRunBefore) also reads, in the same statement, the records before its
// start; the reads back that follow in the bracket are answered from them.
//
// Thread safety: as every Driver, one thread at a time per object.

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/files/Driver.h"
#include "runtime/files/SavedCursor.h"
#include "runtime/files/SqlValue.h"
#include "runtime/files/SqliteFind.h"
#include "runtime/files/SqliteSchema.h"

namespace runtime::files {

class SqliteDriver : public Driver {
 public:
  static constexpr const char* Extension = ".vkdb";
  // How long a write waits for another connection's write by default ("Recover=" changes it).
  static constexpr int32_t DefaultBusySeconds = 10;
  static constexpr int32_t MillisecondsPerSecond = 1000;
  // Each connection's page cache, in KiB. Small on purpose: a page of the browse reads a
  // few pages of the file, and the system's file cache serves the rest about as fast, so
  // a bigger cache only makes the program grow with the file's size.
  static constexpr int32_t PageCacheKiB = 512;

  // Keys that ignore case compare with this collation: bytes with ASCII letters taken
  // as upper case, the same rule as the expression language's UPPER, so the order of
  // an index and the program's own comparisons never disagree (SQLite's NOCASE folds
  // to lower case, which puts "_" and "[" on the other side of the letters).
  static constexpr const char* NoCaseCollation = "VK_UPPER";
  // Makes the collation known to a connection; every connection to a data file needs
  // it before touching a key that ignores case (integrity checks included).
  static void RegisterCollations(sqlite3* db);

  SqliteDriver() = default;
  ~SqliteDriver() override;
  SqliteDriver(const SqliteDriver&) = delete;
  SqliteDriver& operator=(const SqliteDriver&) = delete;

  std::string DefaultExtension() const override { return Extension; }
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
  DriverStatus ReadRun(RunDirection direction, size_t count, std::vector<RunRecord>& run) override;
  DriverStatus TakeRunRecord(const RunRecord& record, void* buffer) override;
  void ExpectRunBefore(size_t count) override { BeforeWanted = count; }
  DriverStatus BeginRead() override;
  DriverStatus EndRead() override;

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

 private:
  using Row = CursorRow;
  using Boundary = CursorBoundary;  // where Next and Previous start when no record is current
  // Resets a cached statement when a call is done with it, or keeps it open as the
  // holder of a read transaction.
  class StatementUse;
  // The records one statement read around the cursor (ExpectRunBefore), in the order's
  // forward direction: reads from a record among them, in the same read transaction,
  // are taken from here without a statement.
  // Record `index` of a run being read, in place of what the vector held there (or a
  // spare record): a run read after another reuses the storage of its records.
  RunRecord& RunSlot(std::vector<RunRecord>& run, size_t index);
  // Cuts a run to `length` records, keeping the others as spare records.
  void CutRun(std::vector<RunRecord>& run, size_t length);
  struct Window {
    bool Valid = false;  // its storage is kept for the next one
    std::vector<RunRecord> Records;
    int Key = 0;
    std::string Table;
    std::string FindTerm;
    bool AtStart = false;  // nothing lies before the first record
    bool AtEnd = false;    // nothing lies after the last
  };
  // What the text of a run's statement depends on besides the file's layout.
  struct RunShape {
    int Key = 0;
    bool Around = false;
    bool Forward = true;
    size_t Levels = 0;
    bool HasId = false;
    bool Inclusive = false;
    std::string Table;
    std::string FindTerm;
    auto operator<=>(const RunShape&) const = default;
  };
  struct ParsedPosition {
    int Key = 0;
    int64_t Id = 0;
    std::vector<SqlValue> Values;  // empty, or every component of the key
  };

  DriverStatus OpenConnection(const FileDefinition& definition, const std::string& path, uint8_t mode,
                              bool allowMissingKeys);
  DriverStatus Fail(int rc) const;
  DriverStatus Exec(const std::string& sql);
  sqlite3_stmt* Statement(const std::string& sql, DriverStatus& status);
  void FinalizeStatements();
  DriverStatus CheckLayout();
  DriverStatus Seek(bool forward, void* buffer);
  std::string RangesSql(bool forward, size_t valueLevels, bool hasId, bool inclusive, const std::string& table,
                        const std::string& findTerm, const std::string& rangeLimit) const;
  std::string RunSql(bool forward, size_t valueLevels, bool hasId, bool inclusive, const std::string& table,
                     std::string findTerm) const;
  std::string AroundSql(size_t valueLevels, bool hasId, bool inclusive, const std::string& table,
                        std::string findTerm) const;
  std::string NullRow() const;
  // RunSql or AroundSql for the shape, built once per connection.
  const std::string& RunText(const RunShape& shape);
  void TakeRunRow(sqlite3_stmt* stmt, RunRecord& record) const;
  bool ReadFromWindow(bool forward, size_t count, const std::string& table, const std::string& findTerm,
                      std::vector<RunRecord>& run);
  int Step(sqlite3_stmt* stmt);
  void Release(sqlite3_stmt* stmt);
  void DropReadHold();
  void MakeCurrent(int64_t id, int64_t version, std::vector<SqlValue> values);
  // MakeCurrent with Current.Values already set.
  void BecomeCurrent(int64_t id, int64_t version);
  void TakeRow(sqlite3_stmt* stmt, void* buffer);
  bool ParsePosition(const std::string& text, ParsedPosition& out) const;
  DriverStatus FetchRow(int64_t id, void* buffer, bool& found);
  void SetBusyTimeout(int32_t seconds);
  int KeyCount() const { return static_cast<int>(Def->Keys.size()); }

  sqlite3* Db = nullptr;
  const FileDefinition* Def = nullptr;
  std::unique_ptr<SqliteSchema> Schema;
  std::map<std::string, sqlite3_stmt*> Statements;  // prepared once per connection
  std::map<RunShape, std::string> RunTexts;         // as long as Statements
  bool ReadOnly = false;
  bool InTx = false;
  int32_t BusySeconds = DefaultBusySeconds;
  bool QuickScan = false;
  uint64_t StatementsRun = 0;
  bool ReadHeld = false;             // between BeginRead and EndRead
  sqlite3_stmt* Holder = nullptr;    // the open statement that keeps the read snapshot
  size_t BeforeWanted = 0;           // ExpectRunBefore's count, for the next run only
  Window Around;                     // good until the read transaction ends
  std::vector<RunRecord> Back;       // the records before a run around a place, as read
  // Records a run let go (a shorter run after a longer one): the storage of the next
  // runs' records, up to MaxSpareRecords.
  std::vector<RunRecord> SpareRecords;
  static constexpr size_t MaxSpareRecords = 512;

  SqliteFind Find;  // the find's narrowing of reads
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
