#include "runtime/files/SqliteDriver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <cstring>
#include <tuple>
#include <utility>

#include "runtime/core/NativePath.h"
#include "runtime/files/CursorText.h"
#include "runtime/files/FileLimits.h"
#include "runtime/files/FileMode.h"
#include "runtime/files/SavedCursor.h"
#include "runtime/files/SqliteSchemaUpgrade.h"
#include "runtime/text/AsciiCase.h"

namespace runtime::files {
namespace {

using C = runtime::core::RuntimeErrorCode;

constexpr const char* LayoutName = "layout";
constexpr const char* FullDiskText = "the disk is full";
constexpr const char* PositionTag = "K";
constexpr size_t MaxPositionLength = FileLimits::PositionLength;
// First column of a selected row that holds a field (after the row id and version).
constexpr int FirstFieldColumn = 2;

DriverStatus SqliteStatus(int rc, sqlite3* db) {
  const int primary = rc & 0xFF;
  int32_t code = C::DriverError;
  switch (primary) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: code = C::RecordHeld; break;
    case SQLITE_CONSTRAINT:
      if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) code = C::DuplicateKey;
      break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: code = C::AccessDenied; break;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: code = C::InvalidFileStructure; break;
    default: break;
  }
  const char* text = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  // Said plainly: the engine's own words for a full disk name neither the disk nor the cause.
  if (primary == SQLITE_FULL || (primary == SQLITE_IOERR && db != nullptr && sqlite3_system_errno(db) == ENOSPC)) {
    text = FullDiskText;
  }
  return DriverStatus::Error(code, std::to_string(rc), text != nullptr ? text : "");
}

DriverStatus SystemStatus(int32_t code, int err, const std::string& what) {
  return DriverStatus::Error(code, std::to_string(err), what + ": " + std::strerror(err));
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool FolderWritable(const std::string& path) {
  return ::access(runtime::core::NativePath::Folder(path).c_str(), W_OK) == 0;
}

// Whether the process may write the file. A file without any write permission bit
// counts as read-only even for the superuser, like a read-only attribute elsewhere.
bool Writable(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  // Writing also needs the folder: the write-ahead log and its index live beside the file.
  return ::access(path.c_str(), W_OK) == 0 && FolderWritable(path);
}

// A reader in a folder it may not write cannot create the write-ahead log's index, so
// it reads the file as it stands (no writer can be at work there without a log file).
std::string ReadOnlyUri(const std::string& path) {
  std::string uri = "file:";
  for (char c : path) {
    if (c == '%' || c == '?' || c == '#') {
      static const char* digits = "0123456789ABCDEF";
      uri += '%';
      uri += digits[(static_cast<unsigned char>(c) >> 4) & 0xF];
      uri += digits[static_cast<unsigned char>(c) & 0xF];
    } else {
      uri += c;
    }
  }
  return uri + "?immutable=1";
}

void SyncFolder(const std::string& path) {
  const int fd = ::open(runtime::core::NativePath::Folder(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

std::string Upper(std::string s) {
  return runtime::text::AsciiCase::ToUpper(std::move(s));
}

std::atomic<uint64_t> CreateCounter{0};

int CompareUpperCase(void*, int leftLength, const void* left, int rightLength, const void* right) {
  return runtime::text::AsciiCase::Compare(
      std::string_view(static_cast<const char*>(left), static_cast<size_t>(leftLength)),
      std::string_view(static_cast<const char*>(right), static_cast<size_t>(rightLength)));
}

}  // namespace

class SqliteDriver::StatementUse {
 public:
  StatementUse(SqliteDriver& driver, sqlite3_stmt* stmt) : Driver(driver), Stmt(stmt) {}
  ~StatementUse() {
    if (Stmt != nullptr) Driver.Release(Stmt);
  }
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;

 private:
  SqliteDriver& Driver;
  sqlite3_stmt* Stmt;
};

void SqliteDriver::RegisterCollations(sqlite3* db) {
  sqlite3_create_collation_v2(db, NoCaseCollation, SQLITE_UTF8, nullptr, CompareUpperCase, nullptr);
}

SqliteDriver::~SqliteDriver() {
  (void)Close();
}  // no one is left to hear of a failed close

DriverStatus SqliteDriver::Fail(int rc) const { return SqliteStatus(rc, Db); }

DriverStatus SqliteDriver::Exec(const std::string& sql) {
  ++StatementsRun;
  const int rc = sqlite3_exec(Db, sql.c_str(), nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? DriverStatus::Ok() : Fail(rc);
}

sqlite3_stmt* SqliteDriver::Statement(const std::string& sql, DriverStatus& status) {
  auto found = Statements.find(sql);
  if (found != Statements.end() && found->second != Holder) return found->second;
  // The statement holds the read snapshot and cannot be run again before the next
  // one has taken it over: a second copy serves meanwhile (the trailing space only
  // makes it another entry of the cache).
  const std::string text = found == Statements.end() ? sql : sql + " ";
  if (found != Statements.end()) return Statement(text, status);
  sqlite3_stmt* stmt = nullptr;
  const int rc = sqlite3_prepare_v3(Db, text.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
  if (rc != SQLITE_OK) {
    status = Fail(rc);
    sqlite3_finalize(stmt);
    return nullptr;
  }
  Statements.emplace(text, stmt);
  return stmt;
}

void SqliteDriver::FinalizeStatements() {
  Holder = nullptr;
  for (auto& [sql, stmt] : Statements) sqlite3_finalize(stmt);
  Statements.clear();
  RunTexts.clear();
}

int SqliteDriver::Step(sqlite3_stmt* stmt) {
  if (sqlite3_stmt_busy(stmt) == 0) ++StatementsRun;
  return sqlite3_step(stmt);
}

void SqliteDriver::Release(sqlite3_stmt* stmt) {
  // Inside a read bracket a statement that stopped on a row stays open: its read
  // transaction is the bracket's, and the next statement runs inside it. Within a
  // write transaction the snapshot is held anyway.
  if (ReadHeld && !InTx && sqlite3_stmt_busy(stmt) != 0 && sqlite3_stmt_readonly(stmt) != 0) {
    if (Holder != nullptr && Holder != stmt) {
      sqlite3_reset(Holder);
      sqlite3_clear_bindings(Holder);
    }
    Holder = stmt;
    return;
  }
  if (stmt == Holder) Holder = nullptr;
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
}

void SqliteDriver::DropReadHold() {
  Around.Valid = false;
  if (Holder == nullptr) return;
  sqlite3_reset(Holder);
  sqlite3_clear_bindings(Holder);
  Holder = nullptr;
}

DriverStatus SqliteDriver::BeginRead() {
  if (ReadHeld) return DriverStatus::Error(C::DriverError, "0", "a read transaction is already running");
  ReadHeld = true;
  Around.Valid = false;
  BeforeWanted = 0;
  return DriverStatus::Ok();
}

DriverStatus SqliteDriver::EndRead() {
  ReadHeld = false;
  BeforeWanted = 0;
  DropReadHold();
  return DriverStatus::Ok();
}

void SqliteDriver::SetBusyTimeout(int32_t seconds) {
  if (Db != nullptr) sqlite3_busy_timeout(Db, seconds * MillisecondsPerSecond);
}

DriverStatus SqliteDriver::Create(const FileDefinition& definition, const std::string& path) {
  SqliteSchema schema(definition);
  if (const std::string problem = schema.Problem(); !problem.empty()) {
    return DriverStatus::Error(C::InvalidFileStructure, "0", problem);
  }
  auto sameLayoutAsExisting = [&]() -> DriverStatus {
    SqliteDriver probe;
    DriverStatus s = probe.Open(definition, path, FileMode::ReadOnly | FileMode::DenyNone);
    if (s.Code == C::KeyFileInvalid) s = DriverStatus::Ok();  // the layout is right; keys can be rebuilt
    (void)probe.Close();                                      // a read-only probe: nothing to lose
    return s;
  };
  if (Exists(path)) return sameLayoutAsExisting();

  // Build the new file under a temporary name and link it into place, so a reader
  // never sees half a file and two creators never overwrite each other.
  const std::string temp = path + ".creating-" + std::to_string(::getpid()) + "-" +
                           std::to_string(CreateCounter.fetch_add(1));
  ::unlink(temp.c_str());
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc == SQLITE_OK) RegisterCollations(db);
  DriverStatus status;
  auto run = [&](const std::string& sql) {
    if (!status.IsOk()) return;
    const int r = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    if (r != SQLITE_OK) status = SqliteStatus(r, db);
  };
  if (rc != SQLITE_OK) {
    status = SqliteStatus(rc, db);
    if (status.Code == C::DriverError && Exists(runtime::core::NativePath::Folder(path)) == false) {
      status.Code = C::NotFound;
    }
  } else {
    sqlite3_extended_result_codes(db, 1);
    run("PRAGMA journal_mode=WAL");
    run("PRAGMA synchronous=FULL");
    run("BEGIN");
    for (const std::string& sql : schema.CreateStatements()) run(sql);
    if (status.IsOk()) {
      sqlite3_stmt* stmt = nullptr;
      const std::string insert = std::string("INSERT INTO ") + SqliteSchema::LayoutTable + "(name, value) VALUES(?, ?)";
      rc = sqlite3_prepare_v2(db, insert.c_str(), -1, &stmt, nullptr);
      if (rc == SQLITE_OK) {
        const std::string layout = schema.LayoutText();
        sqlite3_bind_text(stmt, 1, LayoutName, -1, SQLITE_STATIC);
        sqlite3_bind_text(stmt, 2, layout.c_str(), static_cast<int>(layout.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(stmt);
        if (rc != SQLITE_DONE) status = SqliteStatus(rc, db);
      } else {
        status = SqliteStatus(rc, db);
      }
      sqlite3_finalize(stmt);
    }
    run("COMMIT");
  }
  rc = sqlite3_close(db);  // checkpoints and removes the write-ahead log
  if (status.IsOk() && rc != SQLITE_OK) status = SqliteStatus(rc, nullptr);
  if (status.IsOk()) {
    if (::link(temp.c_str(), path.c_str()) != 0) {
      const int err = errno;
      status = err == EEXIST ? sameLayoutAsExisting() : SystemStatus(C::DriverError, err, "cannot create " + path);
    } else {
      SyncFolder(path);
    }
  }
  ::unlink(temp.c_str());
  ::unlink((temp + "-wal").c_str());
  ::unlink((temp + "-shm").c_str());
  return status;
}

DriverStatus SqliteDriver::Open(const FileDefinition& definition, const std::string& path, uint8_t mode) {
  return OpenConnection(definition, path, mode, false);
}

DriverStatus SqliteDriver::OpenConnection(const FileDefinition& definition, const std::string& path, uint8_t mode,
                                          bool allowMissingKeys) {
  if (Db != nullptr) return DriverStatus::Error(C::AlreadyOpen);
  auto schema = std::make_unique<SqliteSchema>(definition);
  if (const std::string problem = schema->Problem(); !problem.empty()) {
    return DriverStatus::Error(C::InvalidFileStructure, "0", problem);
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int err = errno;
    if (err == ENOENT || err == ENOTDIR) return DriverStatus::Error(C::NotFound);
    return SystemStatus(err == EACCES ? C::AccessDenied : C::DriverError, err, "cannot open " + path);
  }
  const bool writes = FileMode::Writes(mode);
  if (writes && !Writable(path)) return DriverStatus::Error(C::AccessDenied, "0", path + " is read-only");

  int flags = (writes ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_FULLMUTEX;
  std::string name = path;
  if (!writes && !FolderWritable(path) && !Exists(path + "-wal")) {
    name = ReadOnlyUri(path);
    flags |= SQLITE_OPEN_URI;
  }
  int rc = sqlite3_open_v2(name.c_str(), &Db, flags, nullptr);
  if (rc == SQLITE_OK) RegisterCollations(Db);
  if (rc == SQLITE_OK) SqliteFind::RegisterFunctions(Db);
  if (rc != SQLITE_OK) {
    DriverStatus s = Fail(rc);
    sqlite3_close(Db);
    Db = nullptr;
    return s;
  }
  sqlite3_extended_result_codes(Db, 1);
  SetBusyTimeout(BusySeconds);
  Def = &definition;
  Schema = std::move(schema);
  ReadOnly = !writes;

  // Nothing is written before the layout is known to match: a foreign or older file
  // must come out of a refused open exactly as it went in.
  DriverStatus status = CheckLayout();
  if (status.IsOk() || status.Code == C::KeyFileInvalid) {
    DriverStatus pragmas = writes ? Exec("PRAGMA journal_mode=WAL") : Exec("PRAGMA query_only=1");
    if (pragmas.IsOk() && writes) pragmas = Exec("PRAGMA synchronous=FULL");
    if (pragmas.IsOk()) pragmas = Exec("PRAGMA cache_size=-" + std::to_string(PageCacheKiB));
    if (!pragmas.IsOk()) status = pragmas;
  }
  if (status.Code == C::KeyFileInvalid && allowMissingKeys) status = DriverStatus::Ok();
  if (!status.IsOk()) {
    (void)Close();  // the failed open is the one to report
    return status;
  }
  Find.Init(Db, Schema.get(), definition.FindField, KeyCount());
  OrderKey = 0;
  AtBoundary = true;
  Bound = {};
  HasCurrent = false;
  return status;
}

DriverStatus SqliteDriver::CheckLayout() {
  DriverStatus status;
  const std::string sql = std::string("SELECT value FROM ") + SqliteSchema::LayoutTable + " WHERE name=?";
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(Db, sql.c_str(), -1, &stmt, nullptr);
  if (rc != SQLITE_OK) {
    status = Fail(rc);
    sqlite3_finalize(stmt);
    // A database without our metadata table is no data file of this program.
    if ((rc & 0xFF) == SQLITE_ERROR) status.Code = C::InvalidFileStructure;
    return status;
  }
  sqlite3_bind_text(stmt, 1, LayoutName, -1, SQLITE_STATIC);
  rc = sqlite3_step(stmt);
  std::string stored;
  if (rc == SQLITE_ROW) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    if (text != nullptr) stored = text;
  } else if (rc != SQLITE_DONE) {
    status = Fail(rc);
  }
  sqlite3_finalize(stmt);
  if (!status.IsOk()) return status;
  if (stored != Schema->LayoutText()) {
    const int version = SqliteSchemaUpgrade::VersionOf(*Schema, stored);
    if (version == 0) {
      return DriverStatus::Error(C::InvalidFileStructure, "0", "the stored layout differs from the file's definition");
    }
    // An older file reads as it stands; the first writer brings it up to date.
    if (ReadOnly) return status;
    status = SqliteSchemaUpgrade::Run(Db, *Schema, version);
    if (!status.IsOk()) return status;
  }

  const std::string indexSql = "SELECT name FROM sqlite_master WHERE type='index' AND tbl_name=?";
  rc = sqlite3_prepare_v2(Db, indexSql.c_str(), -1, &stmt, nullptr);
  if (rc != SQLITE_OK) {
    status = Fail(rc);
    sqlite3_finalize(stmt);
    return status;
  }
  sqlite3_bind_text(stmt, 1, SqliteSchema::RecordsTable, -1, SQLITE_STATIC);
  std::vector<std::string> names;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
  }
  if (rc != SQLITE_DONE) status = Fail(rc);
  sqlite3_finalize(stmt);
  if (!status.IsOk()) return status;
  for (int k = 1; k <= KeyCount(); ++k) {
    for (const std::string& index : Schema->IndexNames(k)) {
      bool found = false;
      for (const std::string& n : names) found = found || n == index;
      if (!found) return DriverStatus::Error(C::KeyFileInvalid, "0", "the index of key " + Schema->Key(k).Name + " is missing");
    }
  }
  return status;
}

DriverStatus SqliteDriver::Close() {
  ReadHeld = false;
  Around = {};
  Back.clear();
  BeforeWanted = 0;
  if (Db == nullptr) return DriverStatus::Ok();
  FinalizeStatements();
  if (InTx) sqlite3_exec(Db, "ROLLBACK", nullptr, nullptr, nullptr);
  InTx = false;
  Find.Reset();
  const int rc = sqlite3_close_v2(Db);
  Db = nullptr;
  Schema.reset();
  HasCurrent = false;
  CurrentGone = false;
  Watching = false;
  WatchArmed = false;
  return rc == SQLITE_OK ? DriverStatus::Ok() : SqliteStatus(rc, nullptr);
}

DriverStatus SqliteDriver::BuildKeys(const FileDefinition& definition, const std::string& path) {
  SqliteDriver builder;
  DriverStatus s = builder.OpenConnection(definition, path, FileMode::ReadWrite | FileMode::DenyNone, true);
  for (int k = 1; s.IsOk() && k <= builder.KeyCount(); ++k) {
    for (const std::string& sql : builder.Schema->CreateIndexes(k)) {
      if (s.IsOk()) s = builder.Exec(sql);
    }
  }
  (void)builder.Close();  // the keys are built or not by now: that outcome is the one to report
  return s;
}

void SqliteDriver::MakeCurrent(int64_t id, int64_t version, std::vector<SqlValue> values) {
  Current.Values = std::move(values);
  BecomeCurrent(id, version);
}

void SqliteDriver::BecomeCurrent(int64_t id, int64_t version) {
  Current.Id = id;
  Current.Version = version;
  HasCurrent = true;
  CurrentGone = false;
  AtBoundary = false;
  if (WatchArmed) {
    Watching = true;
    WatchArmed = false;
    WatchedId = Current.Id;
    WatchedVersion = Current.Version;
  } else if (Watching && WatchedId == Current.Id) {
    // The buffer now shows the stored record again, so that is what a put replaces.
    WatchedVersion = Current.Version;
  }
}

void SqliteDriver::TakeRow(sqlite3_stmt* stmt, void* buffer) {
  std::vector<SqlValue> values;
  values.reserve(Def->Record->FieldCount());
  for (size_t f = 0; f < Def->Record->FieldCount(); ++f) {
    values.push_back(SqliteSchema::ColumnValue(stmt, FirstFieldColumn + static_cast<int>(f)));
  }
  (void)Schema->ReadFields(stmt, FirstFieldColumn, buffer);  // the values are the stored ones anyway
  MakeCurrent(sqlite3_column_int64(stmt, 0), sqlite3_column_int64(stmt, 1), std::move(values));
}

// The records after a cursor are, in order: for each level from the deepest up, those
// equal to it on the levels before and beyond it on that level (at or beyond on the
// deepest level of an inclusive boundary). Each level is one index range read in key
// order, up to `rangeLimit` records; UNION ALL hands them out level after level.
// Parameters ?1.. are the cursor's levels (the row id last); `findTerm` ("" for none)
// keeps only the records found, its parameter already numbered.
std::string SqliteDriver::RangesSql(bool forward, size_t valueLevels, bool hasId, bool inclusive,
                                    const std::string& table, const std::string& findTerm,
                                    const std::string& rangeLimit) const {
  const size_t depth = valueLevels + (hasId ? 1 : 0);
  const std::string head = "SELECT * FROM (SELECT " + Schema->SelectList() + " FROM " + table;
  const std::string tail = " ORDER BY " + Schema->OrderBy(OrderKey, forward) + " LIMIT " + rangeLimit + ")";
  auto term = [&](size_t level, bool equal, bool orEqual) {
    const std::string param = "?" + std::to_string(level + 1);
    std::string op = "=";
    if (!equal) {
      const bool up = level == valueLevels ? forward : forward != Schema->Descending(OrderKey, level);
      op = std::string(up ? ">" : "<") + (orEqual ? "=" : "");
    }
    const std::string lhs =
        level == valueLevels ? std::string(SqliteSchema::RowIdColumn) : Schema->ComponentExpr(OrderKey, level);
    return lhs + op + param;
  };
  if (depth == 0) return head + (findTerm.empty() ? "" : " WHERE " + findTerm) + tail;
  const std::string found = findTerm.empty() ? "" : " AND " + findTerm;
  std::string sql;
  for (size_t level = depth; level-- > 0;) {
    std::string where;
    for (size_t l = 0; l < level; ++l) where += term(l, true, false) + " AND ";
    where += term(level, false, inclusive && level == depth - 1);
    sql += (sql.empty() ? "" : " UNION ALL ") + head + " WHERE " + where + found + tail;
  }
  return sql;
}

namespace {

// Numbers the find's one "?" (its place in the text varies with the ranges).
std::string NumberFindParameter(std::string findTerm, size_t number) {
  if (const size_t mark = findTerm.rfind('?'); mark != std::string::npos) {
    findTerm.replace(mark, 1, "?" + std::to_string(number));
  }
  return findTerm;
}

}  // namespace

// A run: the ranges, then a row of nulls that closes it. Parameters after the levels:
// the length of each range, the run's length plus one (for the closing row), and the
// find's text.
std::string SqliteDriver::RunSql(bool forward, size_t valueLevels, bool hasId, bool inclusive,
                                 const std::string& table, std::string findTerm) const {
  const size_t depth = valueLevels + (hasId ? 1 : 0);
  findTerm = NumberFindParameter(std::move(findTerm), depth + 3);
  const std::string ranges =
      RangesSql(forward, valueLevels, hasId, inclusive, table, findTerm, "?" + std::to_string(depth + 1));
  return ranges + " UNION ALL SELECT " + NullRow() + " LIMIT ?" + std::to_string(depth + 2);
}

// A run forward from the cursor, a row of nulls, then a run backward from the same
// place over the records before the forward one's first (the boundary on the other
// side), and another row of nulls: a page around a row in one statement. The ranges
// are not cut to the run's length as a whole (a cut would nest each half once more):
// each range is, and the reader drops what a half holds beyond its length (at most
// the few records equal to the cursor on its leading components). Parameters as
// RunSql's for the forward run (its length plus one is not used), then the backward
// run's length.
std::string SqliteDriver::AroundSql(size_t valueLevels, bool hasId, bool inclusive, const std::string& table,
                                    std::string findTerm) const {
  const size_t depth = valueLevels + (hasId ? 1 : 0);
  findTerm = NumberFindParameter(std::move(findTerm), depth + 3);
  auto half = [&](bool forward, bool halfInclusive, size_t lengthParameter) {
    return RangesSql(forward, valueLevels, hasId, halfInclusive, table, findTerm,
                     "?" + std::to_string(lengthParameter)) +
           " UNION ALL SELECT " + NullRow();
  };
  return half(true, inclusive, depth + 1) + " UNION ALL " + half(false, !inclusive, depth + 4);
}

std::string SqliteDriver::NullRow() const {
  std::string nulls = "NULL,NULL";
  for (size_t f = 0; f < Def->Record->FieldCount(); ++f) nulls += ",NULL";
  return nulls;
}

const std::string& SqliteDriver::RunText(const RunShape& shape) {
  auto found = RunTexts.find(shape);
  if (found != RunTexts.end()) return found->second;
  std::string sql = shape.Around ? AroundSql(shape.Levels, shape.HasId, shape.Inclusive, shape.Table, shape.FindTerm)
                                 : RunSql(shape.Forward, shape.Levels, shape.HasId, shape.Inclusive, shape.Table,
                                          shape.FindTerm);
  return RunTexts.emplace(shape, std::move(sql)).first->second;
}

RunRecord& SqliteDriver::RunSlot(std::vector<RunRecord>& run, size_t index) {
  if (index < run.size()) return run[index];
  if (SpareRecords.empty()) return run.emplace_back();
  run.push_back(std::move(SpareRecords.back()));
  SpareRecords.pop_back();
  return run.back();
}

void SqliteDriver::CutRun(std::vector<RunRecord>& run, size_t length) {
  while (run.size() > length) {
    if (SpareRecords.size() < MaxSpareRecords) SpareRecords.push_back(std::move(run.back()));
    run.pop_back();
  }
}

namespace {

// Binds where a run starts (the key's values, then the row id when it has one) from
// the first parameter; returns the next parameter's number.
int BindRunStart(sqlite3_stmt* stmt, const std::vector<SqlValue>& values, bool hasId, int64_t id) {
  int parameter = 1;
  for (const SqlValue& v : values) SqliteSchema::Bind(stmt, parameter++, v);
  if (hasId) sqlite3_bind_int64(stmt, parameter++, id);
  return parameter;
}

}  // namespace

// `run` is replaced by the records read; its records' storage is reused.
DriverStatus SqliteDriver::ReadRun(RunDirection direction, size_t count, std::vector<RunRecord>& run) {
  const size_t before = std::exchange(BeforeWanted, 0);
  if (count == 0) {
    run.clear();
    return DriverStatus::Ok();
  }
  const bool forward = direction == RunDirection::Forward;
  std::vector<SqlValue> values;
  bool hasId = false;
  int64_t id = 0;
  bool inclusive = false;
  if (AtBoundary || !HasCurrent) {
    if (AtBoundary) values = Bound.Values;
    hasId = AtBoundary && Bound.HasId;
    id = Bound.Id;
    inclusive = !AtBoundary || Bound.Inclusive;
  } else {
    values = Schema->ComponentValues(OrderKey, Current.Values);
    hasId = true;
    id = Current.Id;
  }
  // A find reads from its copy of the matching records, or keeps the matching ones.
  std::string table;
  std::string findTerm;
  if (const int rc = Find.Prepare(OrderKey, table, findTerm); rc != SQLITE_OK) {
    run.clear();
    return Fail(rc);
  }
  if (Find.Ordered()) {  // the find index hands out its matches in this key's order
    DriverStatus status;
    sqlite3_stmt* stmt = Statement(Find.OrderedRunSql(forward, values.size(), hasId, inclusive), status);
    if (stmt == nullptr) {
      run.clear();
      return status;
    }
    StatementUse use(*this, stmt);
    const int parameter = BindRunStart(stmt, values, hasId, id);
    Find.BindOrdered(stmt, parameter, count);
    int rc = SQLITE_ROW;
    size_t taken = 0;
    while (taken < count && (rc = Step(stmt)) == SQLITE_ROW) TakeRunRow(stmt, RunSlot(run, taken++));
    CutRun(run, taken);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      run.clear();
      return Fail(rc);
    }
    return run.empty() ? DriverStatus::Error(C::RecordNotAvailable) : DriverStatus::Ok();
  }
  if (ReadFromWindow(forward, count, table, findTerm, run)) {
    return run.empty() ? DriverStatus::Error(C::RecordNotAvailable) : DriverStatus::Ok();
  }
  // Around a place (not from the start, which has nothing before it), inside a read
  // transaction that keeps what the statement read valid for the reads after it.
  const bool around = forward && before > 0 && ReadHeld && !InTx && (!values.empty() || hasId);
  DriverStatus status;
  const RunShape shape{OrderKey, around, forward || around, values.size(), hasId, inclusive, table, findTerm};
  sqlite3_stmt* stmt = Statement(RunText(shape), status);
  if (stmt == nullptr) {
    run.clear();
    return status;
  }
  StatementUse use(*this, stmt);
  int parameter = BindRunStart(stmt, values, hasId, id);
  const auto length = static_cast<int64_t>(std::min<size_t>(count, INT32_MAX));
  sqlite3_bind_int64(stmt, parameter++, length);
  sqlite3_bind_int64(stmt, parameter++, length + 1);
  if (!findTerm.empty()) Find.BindCondition(stmt, parameter);
  if (around) sqlite3_bind_int64(stmt, parameter + 1, static_cast<int64_t>(std::min<size_t>(before, INT32_MAX)));
  // Around: both halves up to their closing rows (the last one keeps the snapshot).
  std::vector<RunRecord>& back = Back;
  size_t taken = 0;      // into run
  size_t takenBack = 0;  // into back
  bool inBack = false;
  while (around || taken < count) {
    const int rc = Step(stmt);
    if (rc != SQLITE_ROW) {
      run.clear();
      return Fail(rc);
    }
    if (sqlite3_column_type(stmt, 0) == SQLITE_NULL) {  // a closing row: no more records
      if (!around || inBack) break;
      inBack = true;
      continue;
    }
    if (!inBack && taken < count) TakeRunRow(stmt, RunSlot(run, taken++));
    else if (inBack && takenBack < before) TakeRunRow(stmt, RunSlot(back, takenBack++));
  }
  CutRun(run, taken);
  CutRun(back, takenBack);
  if (around) {
    Window& w = Around;
    w.Valid = true;
    size_t at = 0;
    for (auto r = back.rbegin(); r != back.rend(); ++r) RunSlot(w.Records, at++) = *r;
    for (const RunRecord& r : run) RunSlot(w.Records, at++) = r;
    CutRun(w.Records, at);
    w.Key = OrderKey;
    w.Table = table;
    w.FindTerm = findTerm;
    w.AtStart = back.size() < before;
    w.AtEnd = run.size() < count;
  }
  if (run.empty()) return DriverStatus::Error(C::RecordNotAvailable);
  return DriverStatus::Ok();
}

void SqliteDriver::TakeRunRow(sqlite3_stmt* stmt, RunRecord& r) const {
  r.Record.resize(Def->Record->Size());
  r.Stored.clear();
  const bool allWhole = Schema->ReadFields(stmt, FirstFieldColumn, r.Record.data());
  for (size_t f = 0; !allWhole && f < Def->Record->FieldCount(); ++f) {
    const int column = FirstFieldColumn + static_cast<int>(f);
    if (!Schema->MayNotFit(stmt, column, f)) continue;
    SqlValue stored = SqliteSchema::ColumnValue(stmt, column);
    if (r.Stored.empty() && Schema->ShownWhole(stored, f)) continue;
    if (r.Stored.empty()) r.Stored = Schema->RowValues(r.Record.data());
    r.Stored[f] = std::move(stored);
  }
  r.Id = sqlite3_column_int64(stmt, 0);
  r.ChangeCount = sqlite3_column_int64(stmt, 1);
}

// A run from a record of the window: from that record itself (a boundary on it) or
// from the one after it (it is current). Only when the window holds the whole run or
// reaches the end of the order that way; otherwise the statement reads it.
bool SqliteDriver::ReadFromWindow(bool forward, size_t count, const std::string& table,
                                  const std::string& findTerm, std::vector<RunRecord>& run) {
  if (!Around.Valid || !ReadHeld || InTx || Around.Key != OrderKey || Around.Table != table ||
      Around.FindTerm != findTerm) {
    return false;
  }
  int64_t id = 0;
  bool onRecord = false;
  if (AtBoundary) {
    if (!Bound.HasId || !Bound.Inclusive) return false;
    id = Bound.Id;
    onRecord = true;
  } else if (HasCurrent && !CurrentGone) {
    id = Current.Id;
  } else {
    return false;
  }
  const std::vector<RunRecord>& records = Around.Records;
  const auto at = std::find_if(records.begin(), records.end(), [id](const RunRecord& r) { return r.Id == id; });
  if (at == records.end()) return false;
  // The cursor's key values must be the record's: a position kept from before may name
  // a record whose values changed since.
  const std::vector<SqlValue> here =
      at->Stored.empty() ? Schema->ComponentValues(OrderKey, at->Record.data(), Schema->ComponentCount(OrderKey))
                         : Schema->ComponentValues(OrderKey, at->Stored);
  if (here != (AtBoundary ? Bound.Values : Schema->ComponentValues(OrderKey, Current.Values))) return false;
  const auto index = static_cast<size_t>(at - records.begin());
  size_t available = 0;
  if (forward) available = records.size() - index - (onRecord ? 0 : 1);
  else available = index + (onRecord ? 1 : 0);
  if (available < count && !(forward ? Around.AtEnd : Around.AtStart)) return false;
  const size_t n = std::min(count, available);
  for (size_t k = 0; k < n; ++k) {
    const size_t step = k + (onRecord ? 0 : 1);
    RunSlot(run, k) = records[forward ? index + step : index - step];
  }
  CutRun(run, n);
  return true;
}

DriverStatus SqliteDriver::TakeRunRecord(const RunRecord& record, void* buffer) {
  if (record.Record.size() != Def->Record->Size()) {
    return DriverStatus::Error(C::DriverError, "0", "the record is not of this file");
  }
  std::memcpy(buffer, record.Record.data(), record.Record.size());
  // The values go into the current row's own storage: one record is taken after another.
  if (record.Stored.empty()) Schema->RowValuesInto(buffer, Current.Values);
  else Current.Values = record.Stored;
  BecomeCurrent(record.Id, record.ChangeCount);
  return DriverStatus::Ok();
}

DriverStatus SqliteDriver::Seek(bool forward, void* buffer) {
  std::vector<RunRecord> one;
  DriverStatus s = ReadRun(forward ? RunDirection::Forward : RunDirection::Backward, 1, one);
  if (!s.IsOk()) return s;
  return TakeRunRecord(one.front(), buffer);
}

DriverStatus SqliteDriver::Next(void* buffer) { return Seek(true, buffer); }
DriverStatus SqliteDriver::Previous(void* buffer) { return Seek(false, buffer); }

DriverStatus SqliteDriver::GetByKey(int key, void* buffer) {
  std::string where;
  for (size_t c = 0; c < Schema->ComponentCount(key); ++c) {
    where += (c > 0 ? " AND " : "") + Schema->UniqueExpr(key, c) + "=?";
  }
  DriverStatus status;
  sqlite3_stmt* stmt = Statement("SELECT " + Schema->SelectList() + " FROM " + SqliteSchema::RecordsTable +
                                     " WHERE " + where + " ORDER BY " + SqliteSchema::RowIdColumn + " LIMIT 1",
                                 status);
  if (stmt == nullptr) return status;
  StatementUse use(*this, stmt);
  const auto values = Schema->ComponentValues(key, buffer, Schema->ComponentCount(key));
  for (size_t c = 0; c < values.size(); ++c) SqliteSchema::Bind(stmt, static_cast<int>(c) + 1, values[c]);
  const int rc = Step(stmt);
  if (rc == SQLITE_DONE) return DriverStatus::Error(C::NotFound);
  if (rc != SQLITE_ROW) return Fail(rc);
  TakeRow(stmt, buffer);
  OrderKey = key;
  return DriverStatus::Ok();
}

DriverStatus SqliteDriver::FetchRow(int64_t id, void* buffer, bool& found) {
  found = false;
  DriverStatus status;
  sqlite3_stmt* stmt = Statement("SELECT " + Schema->SelectList() + " FROM " + SqliteSchema::RecordsTable +
                                     " WHERE " + SqliteSchema::RowIdColumn + "=?",
                                 status);
  if (stmt == nullptr) return status;
  StatementUse use(*this, stmt);
  sqlite3_bind_int64(stmt, 1, id);
  const int rc = Step(stmt);
  if (rc == SQLITE_ROW) {
    TakeRow(stmt, buffer);
    found = true;
  } else if (rc != SQLITE_DONE) {
    return Fail(rc);
  }
  return DriverStatus::Ok();
}

// Read item by item (a position is parsed for every page the browse reads from one).
bool SqliteDriver::ParsePosition(const std::string& text, ParsedPosition& out) const {
  out.Values.clear();
  size_t index = 0;
  std::string scratch;
  const bool read = CursorText::EachItem(text, scratch, [&](std::string_view item) {
    if (index == 0) {  // the tag and the key's number
      if (!item.starts_with(PositionTag)) return false;
      const auto key = CursorText::Decode("i" + std::string(item.substr(1)));
      if (!key || key->Kind != SqlValue::Type::Integer || key->Integer < 0 || key->Integer > KeyCount()) return false;
      out.Key = static_cast<int>(key->Integer);
    } else if (index == 1) {  // the row id
      const auto id = CursorText::Decode(item);
      if (!id || id->Kind != SqlValue::Type::Integer) return false;
      out.Id = id->Integer;
    } else {
      auto v = CursorText::Decode(item);
      if (!v) return false;
      out.Values.push_back(std::move(*v));
    }
    ++index;
    return true;
  });
  if (!read || index < 2) return false;
  return out.Values.empty() || out.Values.size() == Schema->ComponentCount(out.Key);
}

DriverStatus SqliteDriver::Position(int key, std::string& position) {
  if (!HasCurrent) return DriverStatus::Error(C::RecordNotAvailable);
  // Built in place: the browse asks for the position of every row it shows.
  position.assign(PositionTag);
  position += std::to_string(key);
  CursorText::AppendValue(position, SqlValue::OfInteger(Current.Id), CursorText::ItemPlace::Later);
  const size_t idOnly = position.size();
  for (size_t c = 0; c < Schema->ComponentCount(key); ++c)
    CursorText::AppendValue(position, Current.Values[Schema->Key(key).Components[c].Field], CursorText::ItemPlace::Later);
  // Long key values do not fit: the row id alone still finds the record while it exists.
  if (position.size() > MaxPositionLength) position.resize(idOnly);
  return DriverStatus::Ok();
}

DriverStatus SqliteDriver::GetByPosition(const std::string& position, void* buffer) {
  ParsedPosition p;
  if (!ParsePosition(position, p)) return DriverStatus::Error(C::RecordNotAvailable);
  bool found = false;
  DriverStatus s = FetchRow(p.Id, buffer, found);
  if (!s.IsOk()) return s;
  if (!found) return DriverStatus::Error(C::NotFound);
  OrderKey = p.Key;
  return DriverStatus::Ok();
}

DriverStatus SqliteDriver::ResetToPosition(const std::string& position) {
  ParsedPosition p;
  if (!ParsePosition(position, p)) return DriverStatus::Error(C::RecordNotAvailable);
  if (p.Values.empty() && Schema->ComponentCount(p.Key) > 0) {
    // Only the row id was kept: take the key values from the record itself.
    std::vector<unsigned char> scratch(Def->Record->Size());
    const Row saved = Current;
    const bool hadCurrent = HasCurrent, wasGone = CurrentGone, wasAtBoundary = AtBoundary, armed = WatchArmed;
    WatchArmed = false;
    bool found = false;
    DriverStatus s = FetchRow(p.Id, scratch.data(), found);
    if (found) p.Values = Schema->ComponentValues(p.Key, Current.Values);
    Current = saved;
    HasCurrent = hadCurrent;
    CurrentGone = wasGone;
    AtBoundary = wasAtBoundary;
    WatchArmed = armed;
    if (!s.IsOk()) return s;
    if (!found) return DriverStatus::Error(C::NotFound);
  }
  OrderKey = p.Key;
  Bound = {p.Values, true, p.Id, true};
  AtBoundary = true;
  return DriverStatus::Ok();
}

DriverStatus SqliteDriver::SetKeyPosition(int key, size_t components, const void* buffer) {
  OrderKey = key;
  Bound = {Schema->ComponentValues(key, buffer, components), false, 0, true};
  AtBoundary = true;
  return DriverStatus::Ok();
}

void SqliteDriver::ForgetCurrent() {
  HasCurrent = false;
  CurrentGone = false;
}

DriverStatus SqliteDriver::Add(const void* buffer) {
  Find.Changed();
  if (ReadOnly) return DriverStatus::Error(C::AccessDenied);
  DropReadHold();  // a write sees, and is seen by, the file as it is now
  const std::string sql =
      Def->Record->FieldCount() == 0
          ? std::string("INSERT INTO ") + SqliteSchema::RecordsTable + " DEFAULT VALUES RETURNING " +
                SqliteSchema::RowIdColumn + "," + SqliteSchema::VersionColumn
          : std::string("INSERT INTO ") + SqliteSchema::RecordsTable + "(" + Schema->FieldList() + ") VALUES(" +
                Schema->FieldParams() + ") RETURNING " + SqliteSchema::RowIdColumn + "," + SqliteSchema::VersionColumn;
  DriverStatus status;
  sqlite3_stmt* stmt = Statement(sql, status);
  if (stmt == nullptr) return status;
  StatementUse use(*this, stmt);
  Schema->BindFields(stmt, 1, buffer);
  int rc = Step(stmt);
  if (rc != SQLITE_ROW) return Fail(rc);
  const int64_t id = sqlite3_column_int64(stmt, 0);
  const int64_t version = sqlite3_column_int64(stmt, 1);
  rc = Step(stmt);  // runs the statement to its end, where it commits
  if (rc != SQLITE_DONE) return Fail(rc);
  // A record not yet placed in the find's order is still found (by reading the key
  // order), so a placing that does not get through fails nothing. Inside a transaction
  // its records are placed at the commit, many at once when they are many.
  if (!InTx) (void)Find.Place();
  Current = {id, version, Schema->RowValues(buffer)};
  HasCurrent = true;
  CurrentGone = false;
  AtBoundary = false;
  return DriverStatus::Ok();
}

DriverStatus SqliteDriver::Put(const void* buffer) {
  Find.Changed();
  if (ReadOnly) return DriverStatus::Error(C::AccessDenied);
  DropReadHold();  // a write sees, and is seen by, the file as it is now
  if (!HasCurrent || CurrentGone) return DriverStatus::Error(C::RecordNotAvailable);
  const bool watched = Watching && WatchedId == Current.Id;
  std::string set = Schema->FieldAssignments();
  set += (set.empty() ? "" : ",") + std::string(SqliteSchema::VersionColumn) + "=" + SqliteSchema::VersionColumn + "+1";
  // The change counter is compared inside the write itself, so no other connection
  // can slip a change in between the check and the put.
  const std::string sql = std::string("UPDATE ") + SqliteSchema::RecordsTable + " SET " + set + " WHERE " +
                          SqliteSchema::RowIdColumn + "=?" +
                          (watched ? std::string(" AND ") + SqliteSchema::VersionColumn + "=?" : "") + " RETURNING " +
                          SqliteSchema::VersionColumn;
  DriverStatus status;
  sqlite3_stmt* stmt = Statement(sql, status);
  if (stmt == nullptr) return status;
  StatementUse use(*this, stmt);
  const int fields = static_cast<int>(Def->Record->FieldCount());
  std::vector<SqlValue> written = Schema->RowValues(buffer);
  // A stored value the record could not show whole (written by another program) stays
  // as it is unless the person changed the field.
  for (size_t f = 0; f < written.size() && f < Current.Values.size(); ++f) {
    if (!Schema->ShownWhole(Current.Values[f], f) && Schema->Unchanged(Current.Values[f], f, buffer)) {
      written[f] = Current.Values[f];
    }
  }
  for (size_t f = 0; f < written.size(); ++f) SqliteSchema::Bind(stmt, static_cast<int>(f) + 1, written[f]);
  sqlite3_bind_int64(stmt, fields + 1, Current.Id);
  if (watched) sqlite3_bind_int64(stmt, fields + 2, WatchedVersion);
  int rc = Step(stmt);
  if (rc == SQLITE_DONE) return DriverStatus::Error(watched ? C::RecordChanged : C::RecordNotAvailable);
  if (rc != SQLITE_ROW) return Fail(rc);
  const int64_t version = sqlite3_column_int64(stmt, 0);
  rc = Step(stmt);
  if (rc != SQLITE_DONE) return Fail(rc);
  if (!InTx) (void)Find.Place();  // a changed key took the record out of the find's order (see Add)
  Current.Values = std::move(written);
  Current.Version = version;
  if (watched) WatchedVersion = version;
  return DriverStatus::Ok();
}

DriverStatus SqliteDriver::Delete() {
  Find.Changed();
  if (ReadOnly) return DriverStatus::Error(C::AccessDenied);
  DropReadHold();  // a write sees, and is seen by, the file as it is now
  if (!HasCurrent || CurrentGone) return DriverStatus::Error(C::RecordNotAvailable);
  const bool watched = Watching && WatchedId == Current.Id;
  const std::string sql = std::string("DELETE FROM ") + SqliteSchema::RecordsTable + " WHERE " +
                          SqliteSchema::RowIdColumn + "=?" +
                          (watched ? std::string(" AND ") + SqliteSchema::VersionColumn + "=?" : "") + " RETURNING " +
                          SqliteSchema::RowIdColumn;
  DriverStatus status;
  sqlite3_stmt* stmt = Statement(sql, status);
  if (stmt == nullptr) return status;
  StatementUse use(*this, stmt);
  sqlite3_bind_int64(stmt, 1, Current.Id);
  if (watched) sqlite3_bind_int64(stmt, 2, WatchedVersion);
  int rc = Step(stmt);
  if (rc == SQLITE_DONE) return DriverStatus::Error(watched ? C::RecordChanged : C::RecordNotAvailable);
  if (rc != SQLITE_ROW) return Fail(rc);
  rc = Step(stmt);
  if (rc != SQLITE_DONE) return Fail(rc);
  CurrentGone = true;
  if (watched) Watching = false;
  return DriverStatus::Ok();
}

DriverStatus SqliteDriver::Watch() {
  WatchArmed = true;
  return DriverStatus::Ok();
}

DriverStatus SqliteDriver::CheckDuplicate(int key, const void* buffer, bool& duplicate) {
  duplicate = false;
  if (Schema->Key(key).Duplicates == KeyDuplicates::Allowed) return DriverStatus::Ok();
  const bool exclude = HasCurrent && !CurrentGone;
  std::string where;
  for (size_t c = 0; c < Schema->ComponentCount(key); ++c) {
    where += (c > 0 ? " AND " : "") + Schema->UniqueExpr(key, c) + "=?";
  }
  if (exclude) where += std::string(" AND ") + SqliteSchema::RowIdColumn + "<>?";
  DriverStatus status;
  sqlite3_stmt* stmt = Statement(std::string("SELECT 1 FROM ") + SqliteSchema::RecordsTable + " WHERE " + where + " LIMIT 1",
                                 status);
  if (stmt == nullptr) return status;
  StatementUse use(*this, stmt);
  const auto values = Schema->ComponentValues(key, buffer, Schema->ComponentCount(key));
  for (size_t c = 0; c < values.size(); ++c) SqliteSchema::Bind(stmt, static_cast<int>(c) + 1, values[c]);
  if (exclude) sqlite3_bind_int64(stmt, static_cast<int>(values.size()) + 1, Current.Id);
  const int rc = Step(stmt);
  if (rc == SQLITE_ROW) {
    duplicate = true;
  } else if (rc != SQLITE_DONE) {
    return Fail(rc);
  }
  return DriverStatus::Ok();
}

DriverStatus SqliteDriver::SaveCursor(std::string& state) {
  const SavedCursor saved{OrderKey, AtBoundary, Bound, HasCurrent, CurrentGone,
                          Current, WatchArmed, Watching, WatchedId, WatchedVersion};
  state = saved.Text();
  return DriverStatus::Ok();
}

DriverStatus SqliteDriver::RestoreCursor(const std::string& state) {
  std::optional<SavedCursor> saved = SavedCursor::FromText(state, KeyCount(), Def->Record->FieldCount());
  if (!saved) return DriverStatus::Error(C::RecordNotAvailable);
  std::tie(OrderKey, AtBoundary, Bound, HasCurrent, CurrentGone, Current, WatchArmed, Watching, WatchedId,
           WatchedVersion) = std::move(*saved).Members();
  return DriverStatus::Ok();
}

DriverStatus SqliteDriver::Records(int64_t& count) {
  DriverStatus status;
  sqlite3_stmt* stmt = Statement(std::string("SELECT count(*) FROM ") + SqliteSchema::RecordsTable, status);
  if (stmt == nullptr) return status;
  StatementUse use(*this, stmt);
  const int rc = Step(stmt);
  if (rc != SQLITE_ROW) return Fail(rc);
  count = sqlite3_column_int64(stmt, 0);
  return DriverStatus::Ok();
}

DriverStatus SqliteDriver::Send(const std::string& option, std::string& answer) {
  const size_t eq = option.find('=');
  const std::string name = Upper(option.substr(0, eq));
  const bool setting = eq != std::string::npos;
  if (setting) Around.Valid = false;  // an option (the find's text) may change what a read returns
  const std::string value = setting ? option.substr(eq + 1) : std::string();
  if (name == "RECOVER") {
    // How long to wait for another station's lock before giving up, in seconds.
    if (setting) {
      int32_t seconds = 0;
      auto v = CursorText::Decode("i" + value);
      if (!v || v->Integer < 0 || v->Integer > INT32_MAX / MillisecondsPerSecond) {
        return DriverStatus::Error(C::NotSupported, "0", "Recover= needs a number of seconds");
      }
      seconds = static_cast<int32_t>(v->Integer);
      BusySeconds = seconds;
      SetBusyTimeout(BusySeconds);
    }
    answer = std::to_string(BusySeconds);
    return DriverStatus::Ok();
  }
  if (name == "FIND") {
    // Narrows reads to the records whose find field contains the value ("" for all).
    if (Def->FindField == FileDefinition::NoFindField) {
      return DriverStatus::Error(C::NotSupported, "0", "the file has no field to find in");
    }
    if (setting) Find.SetText(value);
    answer = Find.Text();
    return DriverStatus::Ok();
  }
  if (name == "QUICKSCAN") {
    // Reads are index seeks either way; the setting is kept and answered.
    if (setting) {
      const std::string v = Upper(value);
      if (v != "ON" && v != "OFF") return DriverStatus::Error(C::NotSupported, "0", "QUICKSCAN= takes on or off");
      QuickScan = v == "ON";
    }
    answer = QuickScan ? "on" : "off";
    return DriverStatus::Ok();
  }
  if (name == "STATEMENTS" && !setting) {
    answer = std::to_string(StatementsRun);
    return DriverStatus::Ok();
  }
  answer.clear();
  return DriverStatus::Error(C::NotSupported);
}

DriverStatus SqliteDriver::Begin(int32_t timeoutSeconds) {
  if (InTx) return DriverStatus::Error(C::DriverError, "0", "a transaction is already running");
  if (ReadOnly) return DriverStatus::Error(C::AccessDenied);
  DropReadHold();
  SetBusyTimeout(timeoutSeconds < 0 ? 0 : timeoutSeconds);
  // IMMEDIATE takes the write lock now, so the transaction cannot fail later for
  // want of it.
  DriverStatus s = Exec("BEGIN IMMEDIATE");
  SetBusyTimeout(BusySeconds);
  if (s.IsOk()) InTx = true;
  return s;
}

DriverStatus SqliteDriver::Commit() {
  if (!InTx) return DriverStatus::Error(C::DriverError, "0", "no transaction is running");
  (void)Find.Place();  // the transaction's records (see Add)
  DriverStatus s = Exec("COMMIT");
  if (!s.IsOk() && sqlite3_get_autocommit(Db) == 0) (void)Exec("ROLLBACK");  // the failed commit is reported
  InTx = false;
  return s;
}

DriverStatus SqliteDriver::Rollback() {
  if (!InTx) return DriverStatus::Error(C::DriverError, "0", "no transaction is running");
  InTx = false;
  Find.Changed();
  if (sqlite3_get_autocommit(Db) != 0) return DriverStatus::Ok();  // the engine already rolled it back
  return Exec("ROLLBACK");
}

}  // namespace runtime::files
