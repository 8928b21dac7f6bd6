#include "runtime/files/SqliteFind.h"

#include <algorithm>
#include <climits>

#include "runtime/text/AsciiCase.h"

namespace runtime::files {
namespace {

bool EqualFolded(char a, char b) { return runtime::text::AsciiCase::Lower(a) == runtime::text::AsciiCase::Lower(b); }

void ContainsSql(sqlite3_context* context, int, sqlite3_value** args) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
  const auto* wanted = reinterpret_cast<const char*>(sqlite3_value_text(args[1]));
  if (text == nullptr || wanted == nullptr) {
    sqlite3_result_int(context, 0);
    return;
  }
  const std::string_view t(text, static_cast<size_t>(sqlite3_value_bytes(args[0])));
  const std::string_view w(wanted, static_cast<size_t>(sqlite3_value_bytes(args[1])));
  sqlite3_result_int(context, SqliteFind::Contains(t, w) ? 1 : 0);
}

size_t Characters(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The text as one FTS5 phrase: quoted, with its quotes doubled.
std::string Phrase(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

int Exec(sqlite3* db, const std::string& sql) { return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr); }

}  // namespace

void SqliteFind::RegisterFunctions(sqlite3* db) {
  sqlite3_create_function_v2(db, ContainsFunction, 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, ContainsSql,
                             nullptr, nullptr, nullptr);
}

bool SqliteFind::Contains(std::string_view url, std::string_view text) {
  if (text.empty()) return true;
  return std::search(url.begin(), url.end(), text.begin(), text.end(), EqualFolded) != url.end();
}

bool SqliteFind::HasIndex(sqlite3* db) {
  sqlite3_stmt* stmt = nullptr;
  const std::string sql = std::string("SELECT 1 FROM sqlite_master WHERE type='table' AND name='") + IndexTable + "'";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return false;
  }
  const bool found = sqlite3_step(stmt) == SQLITE_ROW;
  sqlite3_finalize(stmt);
  return found;
}

std::vector<std::string> SqliteFind::CreateStatements(const SqliteSchema& schema, size_t field) {
  const std::string column = schema.Column(field);
  const std::string records = SqliteSchema::RecordsTable;
  const std::string id = SqliteSchema::RowIdColumn;
  const std::string label = SqliteOrder::Column;
  const std::string index = IndexTable;
  const std::string same = SqliteOrder::SameKey(schema);
  const std::string removeOld = "INSERT INTO " + index + "(" + index + ",rowid," + column + ") SELECT 'delete',old." +
                                label + ",old." + column + " WHERE old." + label + " IS NOT NULL;";
  const std::string addNew = "INSERT INTO " + index + "(rowid," + column + ") SELECT new." + label + ",new." + column +
                             " WHERE new." + label + " IS NOT NULL";
  // The columns whose change touches the index: the text, the label, and the key the
  // label follows.
  std::vector<std::string> watched{column, label};
  for (size_t c = 0; c < schema.ComponentCount(SqliteOrder::Key); ++c) {
    const std::string key = schema.Column(schema.Key(SqliteOrder::Key).Components[c].Field);
    if (std::find(watched.begin(), watched.end(), key) == watched.end()) watched.push_back(key);
  }
  std::string of;
  for (const std::string& w : watched) of += (of.empty() ? "" : ",") + w;
  // An index of an earlier format (numbered by row id) goes; the index is made anew,
  // numbered by the order labels. A record whose key changed loses its label (and its
  // entry) until it is placed again: its old label no longer says where it stands.
  // (This trigger's own update of the label does not fire it again: SQLite runs no
  // trigger from inside itself unless recursive triggers are turned on, which this
  // program never does.)
  std::vector<std::string> out{"DROP TRIGGER IF EXISTS " + index + "_add", "DROP TRIGGER IF EXISTS " + index + "_remove",
                               "DROP TRIGGER IF EXISTS " + index + "_change", "DROP TABLE IF EXISTS " + index};
  for (std::string& sql : SqliteOrder::CreateStatements(schema)) out.push_back(std::move(sql));
  out.push_back("CREATE VIRTUAL TABLE " + index + " USING fts5(" + column + ", content='" + records +
                "', content_rowid='" + label + "', tokenize='trigram case_sensitive 0')");
  out.push_back("CREATE TRIGGER " + index + "_add AFTER INSERT ON " + records + " BEGIN " + addNew + "; END");
  out.push_back("CREATE TRIGGER " + index + "_remove AFTER DELETE ON " + records + " BEGIN " + removeOld + " END");
  out.push_back("CREATE TRIGGER " + index + "_change AFTER UPDATE OF " + of + " ON " + records + " BEGIN " +
                removeOld + addNew + " AND " + same + "; UPDATE " + records + " SET " + label + "=NULL WHERE " + id +
                "=new." + id + " AND new." + label + " IS NOT NULL AND NOT (" + same + "); END");
  out.push_back("INSERT INTO " + index + "(" + index + ") VALUES('rebuild')");
  return out;
}

void SqliteFind::Init(sqlite3* db, const SqliteSchema* schema, int field, int keys) {
  Reset();
  Db = db;
  Schema = schema;
  Field = field;
  Keys = keys;
  Labeled = field >= 0 && SqliteOrder::HasLabels(db) && HasIndex(db);
  Order.Init(db, schema);
}

void SqliteFind::Reset() {
  sqlite3_finalize(VersionQuery);
  VersionQuery = nullptr;
  Order.Reset();
  Labeled = false;
  OrderedRead = false;
  CopyMade = false;
  Db = nullptr;
  Schema = nullptr;
  Field = -1;
  Keys = 0;
  Wanted.clear();
  Current = Mode::None;
  CopiedText.clear();
  CopiedVersion = -1;
  Stale = true;
}

void SqliteFind::SetText(std::string_view text) {
  if (text == Wanted) return;
  Wanted = text;
  Stale = true;
}

int64_t SqliteFind::DataVersion() {
  if (VersionQuery == nullptr && sqlite3_prepare_v3(Db, "PRAGMA data_version", -1, SQLITE_PREPARE_PERSISTENT,
                                                    &VersionQuery, nullptr) != SQLITE_OK) {
    return -1;
  }
  int64_t version = -1;
  if (sqlite3_step(VersionQuery) == SQLITE_ROW) version = sqlite3_column_int64(VersionQuery, 0);
  sqlite3_reset(VersionQuery);
  return version;
}

int SqliteFind::Prepare(int orderKey, std::string& table, std::string& condition) {
  table = SqliteSchema::RecordsTable;
  condition.clear();
  OrderedRead = false;
  if (!Active() || Field < 0) return SQLITE_OK;
  const std::string walk = std::string(ContainsFunction) + "(" + Schema->Column(static_cast<size_t>(Field)) + ",?)";
  if (Labeled && Characters(Wanted) >= IndexedCharacters) {
    // A record without a label is missing from the index: only the key order has it.
    bool unplaced = false;
    if (const int rc = Order.Unplaced(unplaced); rc != SQLITE_OK) return rc;
    if (unplaced) {
      condition = walk;
      return SQLITE_OK;
    }
    if (orderKey == SqliteOrder::Key) {
      OrderedRead = true;
      return SQLITE_OK;
    }
  }
  if (Stale || CopiedText != Wanted || (Current == Mode::Copy && DataVersion() != CopiedVersion)) {
    const int rc = Refresh();
    if (rc != SQLITE_OK) return rc;
  }
  if (Current == Mode::Copy) {
    table = std::string("temp.") + CopyTable;
  } else {
    condition = walk;
  }
  return SQLITE_OK;
}

// The index hands out its matches in label order from the label of the record at the
// position (or the next one on the run's side); each is checked by the one contains
// rule (the index folds more than ASCII letters).
std::string SqliteFind::OrderedRunSql(bool forward, size_t valueLevels, bool hasId, bool inclusive) const {
  const size_t depth = valueLevels + (hasId ? 1 : 0);
  const std::string column = Schema->Column(static_cast<size_t>(Field));
  std::string select = std::string("r.") + SqliteSchema::RowIdColumn + ",r." + SqliteSchema::VersionColumn;
  for (size_t f = 0; f < Schema->FieldCount(); ++f) select += ",r." + Schema->Column(f);
  const std::string index = IndexTable;
  const std::string rowid = index + ".rowid";
  return "SELECT " + select + " FROM " + index + " CROSS JOIN " + SqliteSchema::RecordsTable + " AS r ON r." +
         SqliteOrder::Column + "=" + rowid + " WHERE " + index + " MATCH ?" + std::to_string(depth + 1) + " AND " +
         rowid + (forward ? ">=(" : "<=(") + Order.LabelSql(forward, valueLevels, hasId, inclusive) + ") AND " +
         ContainsFunction + "(r." + column + ",?" + std::to_string(depth + 2) + ") ORDER BY " + rowid +
         (forward ? " ASC" : " DESC") + " LIMIT ?" + std::to_string(depth + 3);
}

void SqliteFind::BindOrdered(sqlite3_stmt* stmt, int first, size_t count) const {
  const std::string phrase = Phrase(Wanted);
  sqlite3_bind_text(stmt, first, phrase.data(), static_cast<int>(phrase.size()), SQLITE_TRANSIENT);
  BindCondition(stmt, first + 1);
  sqlite3_bind_int64(stmt, first + 2, static_cast<int64_t>(std::min<size_t>(count, INT32_MAX)));
}

int SqliteFind::Place() {
  if (!Labeled) return SQLITE_OK;
  Changed();
  return Order.Place();
}

void SqliteFind::BindCondition(sqlite3_stmt* stmt, int index) const {
  sqlite3_bind_text(stmt, index, Wanted.data(), static_cast<int>(Wanted.size()), SQLITE_TRANSIENT);
}

int SqliteFind::Refresh() {
  Stale = false;
  CopiedText = Wanted;
  Current = Mode::Walk;
  if (Characters(Wanted) < IndexedCharacters || !HasIndex(Db)) return SQLITE_OK;
  // The index is numbered by the order labels in files that have them (Prepare has
  // seen that every record has one), by the row id in older ones.
  const std::string numbered = SqliteOrder::HasLabels(Db) ? SqliteOrder::Column : SqliteSchema::RowIdColumn;

  const int64_t version = DataVersion();
  const std::string phrase = Phrase(Wanted);
  // The index's matches, no more than one past the limit: copied as they come, one
  // look-up of the index serves both the decision and the copy.
  const std::string matches = std::string("SELECT rowid FROM ") + IndexTable + " WHERE " + IndexTable +
                              " MATCH ? LIMIT " + std::to_string(SetLimit + 1);
  sqlite3_stmt* stmt = nullptr;
  const std::string copy = std::string("temp.") + CopyTable;
  int rc = CopyMade ? SQLITE_OK
                : Exec(Db, std::string("CREATE TEMP TABLE IF NOT EXISTS ") + CopyTable + " AS SELECT * FROM " +
                               SqliteSchema::RecordsTable + " WHERE 0");
  for (int k = 1; !CopyMade && rc == SQLITE_OK && k <= Keys; ++k) {
    std::string sql = std::string("CREATE INDEX IF NOT EXISTS temp.") + CopyTable + "_" + std::to_string(k) + " ON " +
                      CopyTable + "(";
    for (size_t c = 0; c < Schema->ComponentCount(k); ++c) {
      sql += Schema->ComponentExpr(k, c) + (Schema->Descending(k, c) ? " DESC," : " ASC,");
    }
    rc = Exec(Db, sql + SqliteSchema::RowIdColumn + ")");
  }
  CopyMade = rc == SQLITE_OK;
  if (rc == SQLITE_OK) rc = Exec(Db, "DELETE FROM " + copy);
  // A connection opened read-only may not make even a temporary table: it reads
  // the key order and keeps the matching records, as for a short text.
  if ((rc & 0xFF) == SQLITE_READONLY) return SQLITE_OK;
  if (rc != SQLITE_OK) return rc;
  rc = sqlite3_prepare_v2(Db,
                          ("INSERT INTO " + copy + " SELECT r.* FROM (" + matches + ") AS m JOIN " +
                           SqliteSchema::RecordsTable + " AS r ON r." + numbered + "=m.rowid")
                              .c_str(),
                          -1, &stmt, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(stmt, 1, phrase.data(), static_cast<int>(phrase.size()), SQLITE_TRANSIENT);
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_OK) return rc;
  // Many matches: reading the key order finds a page among them sooner than a copy.
  if (sqlite3_changes64(Db) > SetLimit) return SQLITE_OK;
  // The index folds more than ASCII letters; the one rule of containing decides.
  rc = sqlite3_prepare_v2(Db,
                          ("DELETE FROM " + copy + " WHERE NOT " + ContainsFunction + "(" +
                           Schema->Column(static_cast<size_t>(Field)) + ",?)")
                              .c_str(),
                          -1, &stmt, nullptr);
  if (rc == SQLITE_OK) {
    BindCondition(stmt, 1);
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_OK) return rc;
  Current = Mode::Copy;
  CopiedVersion = version;
  return SQLITE_OK;
}

}  // namespace runtime::files
