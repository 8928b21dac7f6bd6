#include "runtime/files/PgDriver.h"

#include <cstdlib>
#include <optional>
#include <tuple>
#include <utility>

#include "runtime/files/CursorItemReader.h"
#include "runtime/files/CursorText.h"
#include "runtime/files/FileLimits.h"
#include "runtime/files/FileMode.h"
#include "runtime/files/SavedCursor.h"
#include "runtime/text/AsciiCase.h"

namespace runtime::files {
namespace {

using C = runtime::core::RuntimeErrorCode;

constexpr const char* PositionTag = "K";
constexpr size_t MaxPositionLength = FileLimits::PositionLength;
constexpr const char* UndefinedTable = "42P01";
constexpr const char* Savepoint = "vk_write";
// Serialises the creation of files in one database (any fixed number will do).
constexpr const char* CreateLockKey = "4242015";

std::string Upper(std::string s) {
  return runtime::text::AsciiCase::ToUpper(std::move(s));
}

bool True(const PgResult& r, int row, int column) { return r.Text(row, column)[0] == 't'; }

int64_t Integer(const PgResult& r, int row, int column) { return std::strtoll(r.Text(row, column), nullptr, 10); }

}  // namespace

PgDriver::PgDriver(std::string conninfo, std::string refusal)
    : Conninfo(std::move(conninfo)), Refusal(std::move(refusal)) {}

PgDriver::~PgDriver() {
  (void)Close();
}  // no one is left to hear of a failed close

DriverStatus PgDriver::Query(const std::string& sql, const std::vector<std::string>& params, PgResult& result,
                             PgRetry retry) {
  return Conn->Run(sql, params, result, retry);
}

DriverStatus PgDriver::Write(const std::string& sql, const std::vector<std::string>& params, PgResult& result) {
  DriverStatus s = Conn->SetLockTimeout(BusySeconds);
  if (!s.IsOk()) return s;
  if (!Conn->InTransaction()) return Conn->Run(sql, params, result, PgRetry::Never);
  s = Conn->Command(std::string("SAVEPOINT ") + Savepoint, PgRetry::Never);
  if (!s.IsOk()) return s;
  s = Conn->Run(sql, params, result, PgRetry::Never);
  const DriverStatus end =
      Conn->Command(std::string(s.IsOk() ? "RELEASE SAVEPOINT " : "ROLLBACK TO SAVEPOINT ") + Savepoint, PgRetry::Never);
  return s.IsOk() ? end : s;
}

// One statement tells whether the layout table, the file's table and each key's index
// exist, and a second reads the stored layout.
DriverStatus PgDriver::Inspect(PgConnection& conn, const PgSchema& schema, Found& found) {
  std::string sql = "SELECT to_regclass($1) IS NOT NULL, to_regclass($2) IS NOT NULL";
  std::vector<std::string> params{PgSchema::LayoutTable, schema.QuotedTable()};
  for (int k = 1; k <= schema.KeyCount(); ++k) {
    params.push_back(PgSchema::Quote(schema.IndexName(k)));
    sql += ", to_regclass($" + std::to_string(params.size()) + ") IS NOT NULL";
    // A key unique on the exact text needs its second index too.
    if (!schema.CreateExactIndex(k).empty()) {
      params.push_back(PgSchema::Quote(schema.ExactIndexName(k)));
      sql += " AND to_regclass($" + std::to_string(params.size()) + ") IS NOT NULL";
    }
  }
  PgResult r;
  DriverStatus s = conn.Run(sql, params, r, PgRetry::Once);
  if (!s.IsOk()) return s;
  found.LayoutTable = True(r, 0, 0);
  found.Table = True(r, 0, 1);
  found.Indexes.clear();
  for (int k = 1; k <= schema.KeyCount(); ++k) found.Indexes.push_back(True(r, 0, 1 + k));
  found.HasLayout = false;
  if (!found.LayoutTable) return DriverStatus::Ok();
  PgResult layout;
  s = conn.Run(std::string("SELECT value FROM ") + PgSchema::LayoutTable + " WHERE name=$1", {schema.TableName()},
               layout, PgRetry::Once);
  if (!s.IsOk()) return s;
  if (layout.Rows() > 0) {
    found.HasLayout = true;
    found.Layout = layout.String(0, 0);
  }
  return DriverStatus::Ok();
}

DriverStatus PgDriver::Create(const FileDefinition& definition, const std::string& path) {
  if (!Refusal.empty()) return DriverStatus::Error(C::DriverError, PgConnection::ConnectionFailure, Refusal);
  PgSchema schema(definition, path);
  if (const std::string problem = schema.Problem(); !problem.empty()) {
    return DriverStatus::Error(C::InvalidFileStructure, "0", problem);
  }
  // A connection of its own: creating must not become part of a running transaction.
  PgConnection conn(Conninfo);
  DriverStatus s = conn.Connect();
  if (!s.IsOk()) return s;
  Found found;
  s = Inspect(conn, schema, found);
  if (!s.IsOk()) return s;
  // Settled without writing anything when the file exists, or is something else.
  if (found.Table) {
    if (!found.HasLayout) {
      return DriverStatus::Error(C::InvalidFileStructure, "0", "the table " + schema.TableName() + " is not a data file");
    }
    if (found.Layout != schema.LayoutText()) {
      return DriverStatus::Error(C::InvalidFileStructure, "0", "the stored layout differs from the file's definition");
    }
    return DriverStatus::Ok();
  }
  uint64_t generation = 0;
  s = conn.Begin(generation);
  if (s.IsOk()) s = CreateOn(conn, schema);
  if (s.IsOk()) return conn.Commit(generation);
  (void)conn.Rollback(generation);
  return s;
}

// Inside a transaction that serialises creators: a second creator finds the first's
// table and layout and leaves them alone.
DriverStatus PgDriver::CreateOn(PgConnection& conn, const PgSchema& schema) {
  DriverStatus s = conn.Command(std::string("SELECT pg_advisory_xact_lock(") + CreateLockKey + ")", PgRetry::Never);
  if (!s.IsOk()) return s;
  s = conn.Command(std::string("CREATE TABLE IF NOT EXISTS ") + PgSchema::LayoutTable +
                       "(name text PRIMARY KEY, value text NOT NULL)",
                   PgRetry::Never);
  if (!s.IsOk()) return s;
  Found found;
  s = Inspect(conn, schema, found);
  if (!s.IsOk()) return s;
  if (found.Table) {
    if (found.HasLayout && found.Layout == schema.LayoutText()) return DriverStatus::Ok();
    return DriverStatus::Error(C::InvalidFileStructure, "0", "the table " + schema.TableName() + " is not this data file");
  }
  s = conn.Command(schema.CreateTable(), PgRetry::Never);
  for (int k = 1; s.IsOk() && k <= schema.KeyCount(); ++k) {
    s = conn.Command(schema.CreateIndex(k), PgRetry::Never);
    if (s.IsOk() && !schema.CreateExactIndex(k).empty()) s = conn.Command(schema.CreateExactIndex(k), PgRetry::Never);
  }
  if (!s.IsOk()) return s;
  // A layout left behind by a table someone dropped is replaced.
  PgResult r;
  return conn.Run(std::string("INSERT INTO ") + PgSchema::LayoutTable +
                      "(name, value) VALUES($1, $2) ON CONFLICT (name) DO UPDATE SET value = EXCLUDED.value",
                  {schema.TableName(), schema.LayoutText()}, r, PgRetry::Never);
}

DriverStatus PgDriver::Open(const FileDefinition& definition, const std::string& path, uint8_t mode) {
  return OpenConnection(definition, path, mode, KeysMissing::Refuse);
}

DriverStatus PgDriver::OpenConnection(const FileDefinition& definition, const std::string& path, uint8_t mode,
                                      KeysMissing keys) {
  if (Conn) return DriverStatus::Error(C::AlreadyOpen);
  if (!Refusal.empty()) return DriverStatus::Error(C::DriverError, PgConnection::ConnectionFailure, Refusal);
  auto schema = std::make_unique<PgSchema>(definition, path);
  if (const std::string problem = schema->Problem(); !problem.empty()) {
    return DriverStatus::Error(C::InvalidFileStructure, "0", problem);
  }
  std::shared_ptr<PgConnection> conn = definition.Sharing == FileSharing::Shared ? PgConnection::Private(Conninfo)
                                                                                 : PgConnection::ForThread(Conninfo);
  DriverStatus s = conn->Connect();
  if (!s.IsOk()) return s;
  Found found;
  s = Inspect(*conn, *schema, found);
  if (!s.IsOk()) return s;
  if (!found.Table) return DriverStatus::Error(C::NotFound);
  if (!found.HasLayout) {
    return DriverStatus::Error(C::InvalidFileStructure, "0", "the table " + schema->TableName() + " is not a data file");
  }
  if (found.Layout != schema->LayoutText()) {
    return DriverStatus::Error(C::InvalidFileStructure, "0", "the stored layout differs from the file's definition");
  }
  if (keys == KeysMissing::Refuse) {
    for (int k = 1; k <= schema->KeyCount(); ++k) {
      if (!found.Indexes[static_cast<size_t>(k - 1)]) {
        return DriverStatus::Error(C::KeyFileInvalid, "0", "the index of key " + definition.Keys[k - 1].Name + " is missing");
      }
    }
  }
  const bool writes = FileMode::Writes(mode);
  if (writes) {
    // A role that may only read is told so here, so the managers fall back to reading.
    PgResult r;
    s = conn->Run("SELECT has_table_privilege($1::regclass, 'INSERT') AND has_table_privilege($1::regclass, 'UPDATE') "
                  "AND has_table_privilege($1::regclass, 'DELETE')",
                  {schema->QuotedTable()}, r, PgRetry::Once);
    if (!s.IsOk()) return s;
    if (!True(r, 0, 0)) {
      return DriverStatus::Error(C::AccessDenied, "42501", "the role may not change " + schema->TableName());
    }
  }
  Conn = std::move(conn);
  Def = &definition;
  Schema = std::move(schema);
  ReadOnly = !writes;
  OrderKey = 0;
  AtBoundary = true;
  Bound = {};
  HasCurrent = false;
  CurrentGone = false;
  Watching = false;
  WatchArmed = false;
  return DriverStatus::Ok();
}

DriverStatus PgDriver::Close() {
  if (!Conn) return DriverStatus::Ok();
  DriverStatus s;
  if (InTx) s = Conn->Rollback(TxGeneration);
  InTx = false;
  Conn.reset();
  Schema.reset();
  HasCurrent = false;
  CurrentGone = false;
  Watching = false;
  WatchArmed = false;
  return s;
}

DriverStatus PgDriver::BuildKeys(const FileDefinition& definition, const std::string& path) {
  PgDriver builder(Conninfo, Refusal);
  DriverStatus s = builder.OpenConnection(definition, path, FileMode::ReadWrite | FileMode::DenyNone, KeysMissing::Allow);
  for (int k = 1; s.IsOk() && k <= builder.KeyCount(); ++k) {
    for (std::string sql : {builder.Schema->CreateIndex(k), builder.Schema->CreateExactIndex(k)}) {
      if (sql.empty() || !s.IsOk()) continue;
      sql.replace(sql.find(" INDEX ") + 1, 5, "INDEX IF NOT EXISTS");
      s = builder.Conn->Command(sql, PgRetry::Never);
    }
  }
  (void)builder.Close();  // the keys are built or not by now: that outcome is the one to report
  return s;
}

PgDriver::Row PgDriver::RowAt(const PgResult& result, int row, int firstColumn) const {
  Row out;
  out.Id = Integer(result, row, firstColumn);
  out.Version = Integer(result, row, firstColumn + 1);
  for (size_t f = 0; f < Def->Record->FieldCount(); ++f) {
    const int column = firstColumn + PgSchema::FirstFieldColumn + static_cast<int>(f);
    out.Values.push_back(Schema->ValueOfText(f, result.Text(row, column)));
  }
  return out;
}

void PgDriver::Take(const Row& row, void* buffer) {
  Current = row;
  Schema->WriteRecord(Current.Values, buffer);
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

// The records after the cursor are, in order: those equal to it (when it is
// inclusive), then for each level from the deepest up those equal on the levels before
// it and beyond it on that level. Each is an index range; they go to the server as one
// statement, each branch limited, and come back in branch order.
DriverStatus PgDriver::Seek(bool forward, int64_t count, std::vector<Row>& rows) {
  rows.clear();
  std::vector<SqlValue> values;
  bool hasId = false;
  int64_t id = 0;
  bool inclusive = false;
  if (AtBoundary || !HasCurrent) {
    values = AtBoundary ? Bound.Values : std::vector<SqlValue>{};
    hasId = AtBoundary && Bound.HasId;
    id = Bound.Id;
    inclusive = !AtBoundary || Bound.Inclusive;
  } else {
    values = Schema->ComponentValues(OrderKey, Current.Values);
    hasId = true;
    id = Current.Id;
  }
  const size_t depth = values.size() + (hasId ? 1 : 0);
  std::vector<std::string> params;
  for (const SqlValue& v : values) params.push_back(PgSchema::ParamText(v));
  if (hasId) params.push_back(std::to_string(id));
  params.push_back(std::to_string(count));
  const std::string limit = "$" + std::to_string(params.size()) + "::bigint";
  std::string findTerm;
  if (!FindText.empty()) {
    params.push_back(Upper(FindText));
    findTerm = "strpos(upper(" + Schema->Column(static_cast<size_t>(Def->FindField)) + " COLLATE \"C\"),$" +
               std::to_string(params.size()) + "::text)>0";
  }

  auto levelTerm = [&](size_t level, bool equal) {
    const int param = static_cast<int>(level) + 1;
    if (level == values.size()) {
      return std::string(PgSchema::RowIdColumn) + (equal ? "=" : forward ? ">" : "<") + "$" + std::to_string(param) +
             "::bigint";
    }
    const bool up = forward != Schema->Descending(OrderKey, level);
    return Schema->ComponentExpr(OrderKey, level) + (equal ? "=" : up ? ">" : "<") +
           Schema->ParamExpr(OrderKey, level, param);
  };
  const std::string order = Schema->OrderBy(OrderKey, forward);
  std::vector<std::string> branches;
  auto branch = [&](size_t equalLevels, bool withBeyond) {
    std::string where;
    for (size_t l = 0; l < equalLevels; ++l) where += (where.empty() ? "" : " AND ") + levelTerm(l, true);
    if (withBeyond) where += (where.empty() ? "" : " AND ") + levelTerm(equalLevels, false);
    if (!findTerm.empty()) where += (where.empty() ? "" : " AND ") + findTerm;
    branches.push_back("(SELECT " + std::to_string(branches.size()) + " AS vk_branch," + Schema->SelectList() +
                       " FROM " + Schema->QuotedTable() + (where.empty() ? "" : " WHERE " + where) + " ORDER BY " +
                       order + " LIMIT " + limit + ")");
  };
  // With every component ascending, the key and the row id order the same way, so
  // "after the cursor" is one row comparison: one index range, no branches.
  bool uniform = depth > 0;
  for (size_t c = 0; c < Schema->ComponentCount(OrderKey); ++c) uniform = uniform && !Schema->Descending(OrderKey, c);
  if (uniform) {
    std::string left, right;
    for (size_t l = 0; l < depth; ++l) {
      const int param = static_cast<int>(l) + 1;
      const bool id = l == values.size();
      left += (l > 0 ? "," : "") + (id ? std::string(PgSchema::RowIdColumn) : Schema->ComponentExpr(OrderKey, l));
      right += (l > 0 ? "," : "") +
               (id ? "$" + std::to_string(param) + "::bigint" : Schema->ParamExpr(OrderKey, l, param));
    }
    const std::string op = std::string(forward ? ">" : "<") + (inclusive ? "=" : "");
    std::string where = depth == 1 ? left + op + right : "(" + left + ")" + op + "(" + right + ")";
    if (!findTerm.empty()) where += " AND " + findTerm;
    const std::string sql = "SELECT 0 AS vk_branch," + Schema->SelectList() + " FROM " + Schema->QuotedTable() +
                            " WHERE " + where + " ORDER BY " + order + " LIMIT " + limit;
    PgResult r;
    DriverStatus s = Query(sql, params, r, PgRetry::Once);
    if (!s.IsOk()) return s;
    for (int i = 0; i < r.Rows(); ++i) rows.push_back(RowAt(r, i, 1));
    return DriverStatus::Ok();
  }
  if (inclusive) branch(depth, false);
  for (size_t level = depth; level-- > 0;) branch(level, true);
  std::string sql;
  if (branches.size() == 1) {
    sql = branches[0];
  } else {
    for (size_t b = 0; b < branches.size(); ++b) sql += (b > 0 ? " UNION ALL " : "") + branches[b];
    sql = "SELECT * FROM (" + sql + ") vk_run ORDER BY vk_branch," + order + " LIMIT " + limit;
  }
  PgResult r;
  DriverStatus s = Query(sql, params, r, PgRetry::Once);
  if (!s.IsOk()) return s;
  for (int i = 0; i < r.Rows(); ++i) rows.push_back(RowAt(r, i, 1));
  return DriverStatus::Ok();
}

DriverStatus PgDriver::Step(bool forward, void* buffer) {
  std::vector<Row> rows;
  DriverStatus s = Seek(forward, 1, rows);
  if (!s.IsOk()) return s;
  if (rows.empty()) return DriverStatus::Error(C::RecordNotAvailable);
  Take(rows[0], buffer);
  return DriverStatus::Ok();
}

DriverStatus PgDriver::ReadRun(RunDirection direction, size_t count, std::vector<RunRecord>& run) {
  run.clear();
  std::vector<Row> rows;
  DriverStatus s = Seek(direction == RunDirection::Forward, static_cast<int64_t>(count), rows);
  if (!s.IsOk()) return s;
  if (rows.empty()) return DriverStatus::Error(C::RecordNotAvailable);
  for (const Row& row : rows) {
    RunRecord r;
    r.Record.resize(Def->Record->Size());
    Schema->WriteRecord(row.Values, r.Record.data());
    r.Id = row.Id;
    r.ChangeCount = row.Version;
    run.push_back(std::move(r));
  }
  return DriverStatus::Ok();
}

DriverStatus PgDriver::TakeRunRecord(const RunRecord& record, void* buffer) {
  Take({record.Id, record.ChangeCount, Schema->RowValues(record.Record.data())}, buffer);
  return DriverStatus::Ok();
}

DriverStatus PgDriver::Next(void* buffer) { return Step(true, buffer); }
DriverStatus PgDriver::Previous(void* buffer) { return Step(false, buffer); }

std::string PgDriver::KeyWhere(int key, int firstParam) const {
  std::string where;
  for (size_t c = 0; c < Schema->ComponentCount(key); ++c) {
    where += (c > 0 ? " AND " : "") + Schema->UniqueExpr(key, c) + "=" +
             Schema->UniqueParamExpr(key, c, firstParam + static_cast<int>(c));
  }
  return where;
}

DriverStatus PgDriver::GetByKey(int key, void* buffer) {
  std::vector<std::string> params;
  for (const SqlValue& v : Schema->ComponentValues(key, buffer, Schema->ComponentCount(key))) {
    params.push_back(PgSchema::ParamText(v));
  }
  PgResult r;
  DriverStatus s = Query("SELECT " + Schema->SelectList() + " FROM " + Schema->QuotedTable() + " WHERE " +
                             KeyWhere(key, 1) + " ORDER BY " + PgSchema::RowIdColumn + " LIMIT 1",
                         params, r, PgRetry::Once);
  if (!s.IsOk()) return s;
  if (r.Rows() == 0) return DriverStatus::Error(C::NotFound);
  Take(RowAt(r, 0, 0), buffer);
  OrderKey = key;
  return DriverStatus::Ok();
}

DriverStatus PgDriver::FetchRow(int64_t id, Row& row, bool& found) {
  found = false;
  PgResult r;
  DriverStatus s = Query("SELECT " + Schema->SelectList() + " FROM " + Schema->QuotedTable() + " WHERE " +
                             PgSchema::RowIdColumn + "=$1::bigint",
                         {std::to_string(id)}, r, PgRetry::Once);
  if (!s.IsOk()) return s;
  if (r.Rows() > 0) {
    row = RowAt(r, 0, 0);
    found = true;
  }
  return DriverStatus::Ok();
}

bool PgDriver::ParsePosition(const std::string& text, ParsedPosition& out) const {
  auto items = CursorText::Split(text);
  if (!items || items->size() < 2 || (*items)[0].rfind(PositionTag, 0) != 0) return false;
  auto key = CursorText::Decode("i" + (*items)[0].substr(1));
  auto id = CursorText::Decode((*items)[1]);
  if (!key || !id || key->Kind != SqlValue::Type::Integer || id->Kind != SqlValue::Type::Integer) return false;
  if (key->Integer < 0 || key->Integer > KeyCount()) return false;
  out.Key = static_cast<int>(key->Integer);
  out.Id = id->Integer;
  out.Values.clear();
  for (size_t i = 2; i < items->size(); ++i) {
    auto v = CursorText::Decode((*items)[i]);
    if (!v) return false;
    out.Values.push_back(std::move(*v));
  }
  return out.Values.empty() || out.Values.size() == Schema->ComponentCount(out.Key);
}

DriverStatus PgDriver::Position(int key, std::string& position) {
  if (!HasCurrent) return DriverStatus::Error(C::RecordNotAvailable);
  std::vector<std::string> items{PositionTag + std::to_string(key), CursorInteger(Current.Id)};
  for (const SqlValue& v : Schema->ComponentValues(key, Current.Values)) items.push_back(CursorText::Encode(v));
  position = CursorText::Join(items);
  // Long key values do not fit: the row id alone still finds the record while it exists.
  if (position.size() > MaxPositionLength) position = CursorText::Join({items[0], items[1]});
  return DriverStatus::Ok();
}

DriverStatus PgDriver::GetByPosition(const std::string& position, void* buffer) {
  ParsedPosition p;
  if (!ParsePosition(position, p)) return DriverStatus::Error(C::RecordNotAvailable);
  bool found = false;
  Row row;
  DriverStatus s = FetchRow(p.Id, row, found);
  if (!s.IsOk()) return s;
  if (!found) return DriverStatus::Error(C::NotFound);
  Take(row, buffer);
  OrderKey = p.Key;
  return DriverStatus::Ok();
}

DriverStatus PgDriver::ResetToPosition(const std::string& position) {
  ParsedPosition p;
  if (!ParsePosition(position, p)) return DriverStatus::Error(C::RecordNotAvailable);
  if (p.Values.empty() && Schema->ComponentCount(p.Key) > 0) {
    // Only the row id was kept: take the key values from the record itself.
    bool found = false;
    Row row;
    DriverStatus s = FetchRow(p.Id, row, found);
    if (!s.IsOk()) return s;
    if (!found) return DriverStatus::Error(C::NotFound);
    p.Values = Schema->ComponentValues(p.Key, row.Values);
  }
  OrderKey = p.Key;
  Bound = {p.Values, true, p.Id, true};
  AtBoundary = true;
  return DriverStatus::Ok();
}

DriverStatus PgDriver::SetKeyPosition(int key, size_t components, const void* buffer) {
  OrderKey = key;
  Bound = {Schema->ComponentValues(key, buffer, components), false, 0, true};
  AtBoundary = true;
  return DriverStatus::Ok();
}

void PgDriver::ForgetCurrent() {
  HasCurrent = false;
  CurrentGone = false;
}

DriverStatus PgDriver::Add(const void* buffer) {
  if (ReadOnly) return DriverStatus::Error(C::AccessDenied);
  const std::string returning = std::string(" RETURNING ") + PgSchema::RowIdColumn + "," + PgSchema::VersionColumn;
  // A clash on a unique key adds nothing and returns no row, which leaves a running
  // transaction usable.
  const std::string sql =
      Def->Record->FieldCount() == 0
          ? "INSERT INTO " + Schema->QuotedTable() + " DEFAULT VALUES" + returning
          : "INSERT INTO " + Schema->QuotedTable() + "(" + Schema->FieldList() + ") VALUES(" + Schema->FieldParams(1) +
                ") ON CONFLICT DO NOTHING" + returning;
  std::vector<std::string> params;
  for (const SqlValue& v : Schema->RowValues(buffer)) params.push_back(PgSchema::ParamText(v));
  PgResult r;
  DriverStatus s = Write(sql, params, r);
  if (!s.IsOk()) return s;
  if (r.Rows() == 0) return DriverStatus::Error(C::DuplicateKey, "23505", "the record would duplicate a unique key");
  Current = {Integer(r, 0, 0), Integer(r, 0, 1), Schema->RowValues(buffer)};
  HasCurrent = true;
  CurrentGone = false;
  AtBoundary = false;
  return DriverStatus::Ok();
}

DriverStatus PgDriver::Put(const void* buffer) {
  if (ReadOnly) return DriverStatus::Error(C::AccessDenied);
  if (!HasCurrent || CurrentGone) return DriverStatus::Error(C::RecordNotAvailable);
  const bool watched = Watching && WatchedId == Current.Id;
  const int fields = static_cast<int>(Def->Record->FieldCount());
  std::string set = Schema->FieldAssignments(1);
  set += (set.empty() ? "" : ",") + std::string(PgSchema::VersionColumn) + "=" + PgSchema::VersionColumn + "+1";
  // The change counter is compared inside the write itself, so no other station can
  // slip a change in between the check and the put.
  const std::string sql = "UPDATE " + Schema->QuotedTable() + " SET " + set + " WHERE " + PgSchema::RowIdColumn +
                          "=$" + std::to_string(fields + 1) + "::bigint" +
                          (watched ? std::string(" AND ") + PgSchema::VersionColumn + "=$" +
                                         std::to_string(fields + 2) + "::bigint"
                                   : "") +
                          " RETURNING " + PgSchema::VersionColumn;
  std::vector<std::string> params;
  for (const SqlValue& v : Schema->RowValues(buffer)) params.push_back(PgSchema::ParamText(v));
  params.push_back(std::to_string(Current.Id));
  if (watched) params.push_back(std::to_string(WatchedVersion));
  PgResult r;
  DriverStatus s = Write(sql, params, r);
  if (!s.IsOk()) return s;
  if (r.Rows() == 0) return DriverStatus::Error(watched ? C::RecordChanged : C::RecordNotAvailable);
  const int64_t version = Integer(r, 0, 0);
  Current.Values = Schema->RowValues(buffer);
  Current.Version = version;
  if (watched) WatchedVersion = version;
  return DriverStatus::Ok();
}

DriverStatus PgDriver::Delete() {
  if (ReadOnly) return DriverStatus::Error(C::AccessDenied);
  if (!HasCurrent || CurrentGone) return DriverStatus::Error(C::RecordNotAvailable);
  const bool watched = Watching && WatchedId == Current.Id;
  const std::string sql = "DELETE FROM " + Schema->QuotedTable() + " WHERE " + PgSchema::RowIdColumn +
                          "=$1::bigint" +
                          (watched ? std::string(" AND ") + PgSchema::VersionColumn + "=$2::bigint" : "") +
                          " RETURNING " + PgSchema::RowIdColumn;
  std::vector<std::string> params{std::to_string(Current.Id)};
  if (watched) params.push_back(std::to_string(WatchedVersion));
  PgResult r;
  DriverStatus s = Write(sql, params, r);
  if (!s.IsOk()) return s;
  if (r.Rows() == 0) return DriverStatus::Error(watched ? C::RecordChanged : C::RecordNotAvailable);
  CurrentGone = true;
  if (watched) Watching = false;
  return DriverStatus::Ok();
}

DriverStatus PgDriver::Watch() {
  WatchArmed = true;
  return DriverStatus::Ok();
}

DriverStatus PgDriver::CheckDuplicate(int key, const void* buffer, bool& duplicate) {
  duplicate = false;
  if (Schema->Key(key).Duplicates == KeyDuplicates::Allowed) return DriverStatus::Ok();
  const bool exclude = HasCurrent && !CurrentGone;
  std::vector<std::string> params;
  for (const SqlValue& v : Schema->ComponentValues(key, buffer, Schema->ComponentCount(key))) {
    params.push_back(PgSchema::ParamText(v));
  }
  std::string where = KeyWhere(key, 1);
  if (exclude) {
    params.push_back(std::to_string(Current.Id));
    where += std::string(" AND ") + PgSchema::RowIdColumn + "<>$" + std::to_string(params.size()) + "::bigint";
  }
  PgResult r;
  DriverStatus s = Query("SELECT 1 FROM " + Schema->QuotedTable() + " WHERE " + where + " LIMIT 1", params, r,
                         PgRetry::Once);
  if (!s.IsOk()) return s;
  duplicate = r.Rows() > 0;
  return DriverStatus::Ok();
}

DriverStatus PgDriver::SaveCursor(std::string& state) {
  const SavedCursor saved{OrderKey, AtBoundary, Bound, HasCurrent, CurrentGone,
                          Current, WatchArmed, Watching, WatchedId, WatchedVersion};
  state = saved.Text();
  return DriverStatus::Ok();
}

DriverStatus PgDriver::RestoreCursor(const std::string& state) {
  std::optional<SavedCursor> saved = SavedCursor::FromText(state, KeyCount(), Def->Record->FieldCount());
  if (!saved) return DriverStatus::Error(C::RecordNotAvailable);
  std::tie(OrderKey, AtBoundary, Bound, HasCurrent, CurrentGone, Current, WatchArmed, Watching, WatchedId,
           WatchedVersion) = std::move(*saved).Members();
  return DriverStatus::Ok();
}

DriverStatus PgDriver::Records(int64_t& count) {
  PgResult r;
  DriverStatus s = Query("SELECT count(*) FROM " + Schema->QuotedTable(), {}, r, PgRetry::Once);
  if (!s.IsOk()) return s;
  count = Integer(r, 0, 0);
  return DriverStatus::Ok();
}

DriverStatus PgDriver::Send(const std::string& option, std::string& answer) {
  const size_t eq = option.find('=');
  const std::string name = Upper(option.substr(0, eq));
  const bool setting = eq != std::string::npos;
  const std::string value = setting ? option.substr(eq + 1) : std::string();
  if (name == "FIND") {
    // Narrows reads to the records whose find field contains the value ("" for all),
    // ASCII letters compared without regard to case, as on a local file. The server
    // has no trigram index here: it scans in key order until a run is full.
    if (Def == nullptr || Def->FindField == FileDefinition::NoFindField) {
      return DriverStatus::Error(C::NotSupported, "0", "the file has no field to find in");
    }
    if (setting) FindText = value;
    answer = FindText;
    return DriverStatus::Ok();
  }
  if (name == "RECOVER") {
    // How long a write waits for another station's lock before giving up, in seconds.
    if (setting) {
      auto v = CursorText::Decode("i" + value);
      if (!v || v->Integer < 0 || v->Integer > INT32_MAX / 1000) {
        return DriverStatus::Error(C::NotSupported, "0", "Recover= needs a number of seconds");
      }
      BusySeconds = static_cast<int32_t>(v->Integer);
    }
    answer = std::to_string(BusySeconds);
    return DriverStatus::Ok();
  }
  if (name == "STATEMENTS") {
    // How many statements the connection has run: what round trips are counted by.
    if (setting) return DriverStatus::Error(C::NotSupported, "0", "STATEMENTS is read only");
    answer = std::to_string(Conn ? Conn->StatementsRun() : 0);
    return DriverStatus::Ok();
  }
  if (name == "QUICKSCAN") {
    // Reads are index ranges either way; the setting is kept and answered.
    if (setting) {
      const std::string v = Upper(value);
      if (v != "ON" && v != "OFF") return DriverStatus::Error(C::NotSupported, "0", "QUICKSCAN= takes on or off");
      QuickScan = v == "ON";
    }
    answer = QuickScan ? "on" : "off";
    return DriverStatus::Ok();
  }
  answer.clear();
  return DriverStatus::Error(C::NotSupported);
}

DriverStatus PgDriver::Begin(int32_t timeoutSeconds) {
  if (InTx) return DriverStatus::Error(C::DriverError, "0", "a transaction is already running");
  if (ReadOnly) return DriverStatus::Error(C::AccessDenied);
  uint64_t generation = 0;
  DriverStatus s = Conn->Begin(generation);
  if (!s.IsOk()) return s;
  // Other writers of the file wait until the transaction ends; readers go on.
  s = Conn->SetLockTimeout(timeoutSeconds < 0 ? 0 : timeoutSeconds);
  if (s.IsOk()) s = Conn->Command("LOCK TABLE " + Schema->QuotedTable() + " IN SHARE ROW EXCLUSIVE MODE", PgRetry::Never);
  if (s.IsOk()) s = Conn->SetLockTimeout(BusySeconds);
  if (!s.IsOk()) {
    (void)Conn->Rollback(generation);
    return s;
  }
  InTx = true;
  TxGeneration = generation;
  return DriverStatus::Ok();
}

DriverStatus PgDriver::Commit() {
  if (!InTx) return DriverStatus::Error(C::DriverError, "0", "no transaction is running");
  InTx = false;
  return Conn->Commit(TxGeneration);
}

DriverStatus PgDriver::Rollback() {
  if (!InTx) return DriverStatus::Error(C::DriverError, "0", "no transaction is running");
  InTx = false;
  return Conn->Rollback(TxGeneration);
}

}  // namespace runtime::files
