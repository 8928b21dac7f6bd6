#include "runtime/files/SqliteOrder.h"

#include <algorithm>
#include <functional>
#include <limits>

namespace runtime::files {
namespace {

constexpr int64_t Lowest = std::numeric_limits<int64_t>::min();
constexpr int64_t Highest = std::numeric_limits<int64_t>::max();

int Exec(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

// The distance from `low` up to `high` (high >= low): it fits 64 bits unsigned.
uint64_t Distance(int64_t low, int64_t high) {
  return static_cast<uint64_t>(high) - static_cast<uint64_t>(low);
}
int64_t Plus(int64_t low, uint64_t distance) {
  return static_cast<int64_t>(static_cast<uint64_t>(low) + distance);
}

// The label halfway between two others, if there is room for one.
bool Between(int64_t low, int64_t high, int64_t& label) {
  const uint64_t room = Distance(low, high);
  if (room < 2) return false;
  label = Plus(low, room / 2);
  return true;
}

}  // namespace

std::vector<std::string> SqliteOrder::CreateStatements(const SqliteSchema& schema) {
  const std::string records = SqliteSchema::RecordsTable;
  const std::string id = SqliteSchema::RowIdColumn;
  return {"ALTER TABLE " + records + " ADD COLUMN " + Column + " INTEGER",
          "UPDATE " + records + " SET " + Column + "=o.n*" + std::to_string(Spacing) + " FROM (SELECT " + id +
              " AS id, row_number() OVER (ORDER BY " + schema.OrderBy(Key, true) + ") AS n FROM " + records +
              ") AS o WHERE " + records + "." + id + "=o.id",
          std::string("CREATE INDEX ") + IndexName + " ON " + records + "(" + Column + ")"};
}

std::string SqliteOrder::SameKey(const SqliteSchema& schema) {
  std::string same;
  for (size_t c = 0; c < schema.ComponentCount(Key); ++c) {
    const std::string column = schema.Column(schema.Key(Key).Components[c].Field);
    same += (same.empty() ? "" : " AND ") + std::string("old.") + column + " IS new." + column;
  }
  return same.empty() ? "1" : same;
}

bool SqliteOrder::HasLabels(sqlite3* db) {
  sqlite3_stmt* stmt = nullptr;
  const std::string sql = std::string("SELECT 1 FROM pragma_table_info('") + SqliteSchema::RecordsTable +
                          "') WHERE name='" + Column + "'";
  bool found = false;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK)
    found = sqlite3_step(stmt) == SQLITE_ROW;
  sqlite3_finalize(stmt);
  return found;
}

void SqliteOrder::Init(sqlite3* db, const SqliteSchema* schema) {
  Reset();
  Db = db;
  Schema = schema;
  HasLast = false;
}

void SqliteOrder::Reset() {
  for (sqlite3_stmt** s : {&FirstUnplaced, &Neighbours, &Set, &Window}) {
    sqlite3_finalize(*s);
    *s = nullptr;
  }
  Db = nullptr;
  Schema = nullptr;
}

sqlite3_stmt* SqliteOrder::Prepared(sqlite3_stmt*& slot, const std::function<std::string()>& sql, int& rc) {
  rc = SQLITE_OK;
  if (slot == nullptr)
    rc = sqlite3_prepare_v3(Db, sql().c_str(), -1, SQLITE_PREPARE_PERSISTENT, &slot, nullptr);
  return rc == SQLITE_OK ? slot : nullptr;
}

// The nearest labelled record on one side of a position: for each level from the
// deepest up, those equal to it on the levels before and beyond it on that level; the
// first row of the first level that has one. Parameters: the levels, then the row id.
std::string SqliteOrder::LabelSql(bool forward, size_t valueLevels, bool hasId, bool inclusive) const {
  const size_t depth = valueLevels + (hasId ? 1 : 0);
  const std::string head = std::string("SELECT * FROM (SELECT ") + Column + " FROM " +
                           SqliteSchema::RecordsTable + " WHERE " + Column + " IS NOT NULL";
  const std::string tail = " ORDER BY " + Schema->OrderBy(Key, forward) + " LIMIT 1)";
  if (depth == 0) return head + tail;
  auto term = [&](size_t level, bool equal, bool orEqual) {
    std::string op = "=";
    if (!equal) {
      const bool up = level == valueLevels ? forward : forward != Schema->Descending(Key, level);
      op = std::string(up ? ">" : "<") + (orEqual ? "=" : "");
    }
    const std::string lhs =
        level == valueLevels ? std::string(SqliteSchema::RowIdColumn) : Schema->ComponentExpr(Key, level);
    return " AND " + lhs + op + "?" + std::to_string(level + 1);
  };
  std::string sql;
  for (size_t level = depth; level-- > 0;) {
    std::string where;
    for (size_t l = 0; l < level; ++l) where += term(l, true, false);
    where += term(level, false, inclusive && level == depth - 1);
    sql += (sql.empty() ? "" : " UNION ALL ") + head + where + tail;
  }
  return std::string("SELECT ") + Column + " FROM (" + sql + ") LIMIT 1";
}

int SqliteOrder::Unplaced(bool& any) {
  int64_t id = 0;
  return FirstUnplacedId(any, id);
}

int SqliteOrder::FirstUnplacedId(bool& any, int64_t& id) {
  any = false;
  int rc = SQLITE_OK;
  sqlite3_stmt* stmt = Prepared(
      FirstUnplaced,
      [&] {
        return std::string("SELECT ") + SqliteSchema::RowIdColumn + " FROM " + SqliteSchema::RecordsTable +
               " WHERE " + Column + " IS NULL LIMIT 1";
      },
      rc);
  if (stmt == nullptr) return rc;
  rc = sqlite3_step(stmt);
  any = rc == SQLITE_ROW;
  if (any) id = sqlite3_column_int64(stmt, 0);
  sqlite3_reset(stmt);
  return rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int SqliteOrder::Place() {
  bool any = false;
  int64_t id = 0;
  int rc = FirstUnplacedId(any, id);
  if (rc != SQLITE_OK || !any) return rc;
  if ((rc = PlaceMany()) != SQLITE_OK) return rc;
  if ((rc = PlaceRuns()) != SQLITE_OK) return rc;
  // Outside a transaction the neighbours' labels are read and the new one written in a
  // transaction of its own: another connection placing a record between the same two
  // must not take the same label.
  const bool own = sqlite3_get_autocommit(Db) != 0;
  if (own && (rc = Exec(Db, "BEGIN IMMEDIATE")) != SQLITE_OK) return rc;
  int64_t last = 0;
  bool first = true;
  while (rc == SQLITE_OK && (rc = FirstUnplacedId(any, id)) == SQLITE_OK && any) {
    // The same record again: its label did not hold (nothing here clears it).
    if (!first && id == last) {
      rc = SQLITE_INTERNAL;
      break;
    }
    first = false;
    last = id;
    rc = PlaceOne(id);
  }
  if (own && rc == SQLITE_OK) rc = Exec(Db, "COMMIT");
  if (own && rc != SQLITE_OK && sqlite3_get_autocommit(Db) == 0) (void)Exec(Db, "ROLLBACK");
  return rc;
}

// When at least as many records lack a label as have one (a list imported in one
// transaction), every record is numbered afresh in key order, which is one sort instead
// of a placing each; the labels are cleared first, so that no two records hold one at
// once. Otherwise (or for fewer than BulkLeast) nothing is done here.
int SqliteOrder::PlaceMany() {
  const std::string records = SqliteSchema::RecordsTable;
  int64_t unplaced = 0;
  int64_t all = 0;
  auto count = [&](const std::string& sql, int64_t& n) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(Db, sql.c_str(), -1, &stmt, nullptr);
    if (rc == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      n = sqlite3_column_int64(stmt, 0);
      rc = SQLITE_OK;
    }
    sqlite3_finalize(stmt);
    return rc;
  };
  int rc = count("SELECT count(*) FROM " + records + " WHERE " + Column + " IS NULL", unplaced);
  if (rc != SQLITE_OK || unplaced < BulkLeast) return rc;
  if ((rc = count("SELECT count(*) FROM " + records, all)) != SQLITE_OK || unplaced < all - unplaced)
    return rc;
  const bool own = sqlite3_get_autocommit(Db) != 0;
  rc = Exec(Db, own ? "BEGIN IMMEDIATE" : "SAVEPOINT vk_place_many");
  if (rc != SQLITE_OK) return rc;
  rc = Exec(Db, ("UPDATE " + records + " SET " + Column + "=NULL WHERE " + Column + " IS NOT NULL").c_str());
  for (const std::string& sql : CreateStatements(*Schema)) {
    // The numbering statement alone (the column and its index are there).
    if (rc == SQLITE_OK && sql.rfind("UPDATE", 0) == 0) rc = Exec(Db, sql.c_str());
  }
  if (rc != SQLITE_OK) {
    (void)Exec(Db, own ? "ROLLBACK" : "ROLLBACK TO vk_place_many");
    if (!own) (void)Exec(Db, "RELEASE vk_place_many");
    return rc;
  }
  return Exec(Db, own ? "COMMIT" : "RELEASE vk_place_many");
}

// Many records without a label, fewer than those with one (a list imported into a big
// file): one walk of the key order gives each run of them labels spread evenly between
// the labelled records around it. (Placing them one by one would look past all the
// others of a run for each one's neighbour.) A run whose gap is too narrow is left to
// the placing one by one, which renumbers.
int SqliteOrder::PlaceRuns() {
  int64_t unplaced = 0;
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(
      Db,
      (std::string("SELECT count(*) FROM ") + SqliteSchema::RecordsTable + " WHERE " + Column + " IS NULL")
          .c_str(),
      -1, &stmt, nullptr);
  if (rc == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    unplaced = sqlite3_column_int64(stmt, 0);
    rc = SQLITE_OK;
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_OK || unplaced < RunsLeast) return rc;
  rc = sqlite3_prepare_v2(Db,
                          (std::string("SELECT ") + SqliteSchema::RowIdColumn + "," + Column + " FROM " +
                           SqliteSchema::RecordsTable + " ORDER BY " + Schema->OrderBy(Key, true))
                              .c_str(),
                          -1, &stmt, nullptr);
  std::vector<std::pair<int64_t, int64_t>> labels;  // written once the walk is over
  std::vector<int64_t> run;
  bool hasLow = false;
  int64_t low = 0;
  auto spread = [&](bool hasHigh, int64_t high) {
    if (run.empty()) return;
    const auto count = static_cast<uint64_t>(run.size());
    if (!hasLow && !hasHigh) {
      for (uint64_t i = 0; i < count; ++i) labels.emplace_back(run[i], static_cast<int64_t>(i) * Spacing);
    } else if (!hasHigh) {
      const uint64_t step = std::min<uint64_t>(Spacing, Distance(low, Highest) / (count + 1));
      for (uint64_t i = 0; step > 0 && i < count; ++i) labels.emplace_back(run[i], Plus(low, step * (i + 1)));
    } else {
      const int64_t from = hasLow ? low : Lowest;
      uint64_t step = Distance(from, high) / (count + 1);
      if (!hasLow) step = std::min<uint64_t>(step, Spacing);
      const int64_t first = hasLow ? from : Plus(from, Distance(from, high) - step * (count + 1));
      for (uint64_t i = 0; step > 0 && i < count; ++i)
        labels.emplace_back(run[i], Plus(first, step * (i + 1)));
    }
    run.clear();
  };
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return rc;
  }
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    if (sqlite3_column_type(stmt, 1) == SQLITE_NULL) {
      run.push_back(sqlite3_column_int64(stmt, 0));
      continue;
    }
    const int64_t label = sqlite3_column_int64(stmt, 1);
    spread(true, label);
    hasLow = true;
    low = label;
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) return rc;
  spread(false, 0);
  rc = SQLITE_OK;
  for (const auto& [id, label] : labels) {
    if ((rc = SetLabel(id, false, label)) != SQLITE_OK) break;
  }
  return rc;
}

// The labels of a record's nearest labelled neighbours before and after it in key
// order (null where there is none), in one statement: for each side, the levels from
// the deepest up, each an index seek, the first that has one.
std::string SqliteOrder::NeighboursSql() const {
  const size_t levels = Schema->ComponentCount(Key);
  auto side = [&](bool forward) {
    std::string first;
    for (size_t level = levels + 1; level-- > 0;) {
      std::string where = std::string(" WHERE ") + Column + " IS NOT NULL";
      for (size_t l = 0; l <= level; ++l) {
        const bool id = l == levels;
        const std::string lhs = id ? std::string(SqliteSchema::RowIdColumn) : Schema->ComponentExpr(Key, l);
        const std::string rhs = "k." + (id ? std::string(SqliteSchema::RowIdColumn)
                                           : Schema->Column(Schema->Key(Key).Components[l].Field));
        std::string op = "=";
        if (l == level) op = (id ? forward : forward != Schema->Descending(Key, l)) ? ">" : "<";
        where += " AND " + lhs + op + rhs;
      }
      first += std::string(first.empty() ? "" : ",") + "(SELECT " + Column + " FROM " +
               SqliteSchema::RecordsTable + where + " ORDER BY " + Schema->OrderBy(Key, forward) +
               " LIMIT 1)";
    }
    return "coalesce(" + first + ")";
  };
  return "SELECT " + side(false) + "," + side(true) + " FROM " + SqliteSchema::RecordsTable +
         " AS k WHERE k." + SqliteSchema::RowIdColumn + "=?";
}

int SqliteOrder::PlaceOne(int64_t id) {
  int rc = SQLITE_OK;
  sqlite3_stmt* stmt = Prepared(
      Neighbours, [&] { return NeighboursSql(); }, rc);
  if (stmt == nullptr) return rc;
  sqlite3_bind_int64(stmt, 1, id);
  rc = sqlite3_step(stmt);
  const bool hasLow = rc == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL;
  const bool hasHigh = rc == SQLITE_ROW && sqlite3_column_type(stmt, 1) != SQLITE_NULL;
  const int64_t low = hasLow ? sqlite3_column_int64(stmt, 0) : 0;
  const int64_t high = hasHigh ? sqlite3_column_int64(stmt, 1) : 0;
  sqlite3_reset(stmt);
  if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? SQLITE_NOTFOUND : rc;
  int64_t label = 0;
  bool room = true;
  if (!hasLow && !hasHigh) {
    label = 0;
  } else if (!hasHigh) {
    room = low <= Highest - Spacing ? (label = low + Spacing, true) : Between(low, Highest, label);
  } else if (!hasLow) {
    room = high >= Lowest + Spacing ? (label = high - Spacing, true) : Between(Lowest, high, label);
  } else if (HasLast && Distance(low, high) > 2 * static_cast<uint64_t>(RunStep) &&
             (low == Last || high == Last)) {
    // A run in key order (a sorted list): the record goes next to the one placed
    // before it, leaving the rest of the gap to the run, forward or back.
    label = low == Last ? low + RunStep : high - RunStep;
  } else {
    room = Between(low, high, label);
  }
  if (!room) return Renumber(hasLow, low, id);
  rc = SetLabel(id, false, label);
  HasLast = rc == SQLITE_OK;
  Last = label;
  return rc;
}

int SqliteOrder::SetLabel(int64_t id, bool clear, int64_t label) {
  int rc = SQLITE_OK;
  sqlite3_stmt* stmt = Prepared(
      Set,
      [&] {
        return std::string("UPDATE ") + SqliteSchema::RecordsTable + " SET " + Column + "=? WHERE " +
               SqliteSchema::RowIdColumn + "=?";
      },
      rc);
  if (stmt == nullptr) return rc;
  if (clear) {
    sqlite3_bind_null(stmt, 1);
  } else {
    sqlite3_bind_int64(stmt, 1, label);
  }
  sqlite3_bind_int64(stmt, 2, id);
  rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

// Record `id` goes right after the label `low` (or first of all), where there is no
// room: it and the records after it are spread evenly up to the label of the record
// after them, taking more records each time until that leaves room enough.
int SqliteOrder::Renumber(bool hasLow, int64_t low, int64_t id) {
  const int64_t from = hasLow ? low : Lowest;
  int rc = SQLITE_OK;
  sqlite3_stmt* stmt = Prepared(
      Window,
      [&] {
        return std::string("SELECT ") + SqliteSchema::RowIdColumn + "," + Column + " FROM " +
               SqliteSchema::RecordsTable + " WHERE " + Column + ">? ORDER BY " + Column + " LIMIT ?";
      },
      rc);
  if (stmt == nullptr) return rc;
  std::vector<int64_t> ids;
  uint64_t step = 0;
  for (int64_t window = FirstWindow;; window *= 4) {
    ids.clear();
    int64_t bound = Highest;
    sqlite3_bind_int64(stmt, 1, from);
    sqlite3_bind_int64(stmt, 2, window + 1);
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      ids.push_back(sqlite3_column_int64(stmt, 0));
      bound = sqlite3_column_int64(stmt, 1);
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) return rc;
    const bool toEnd = static_cast<int64_t>(ids.size()) <= window;
    if (toEnd) {
      bound = Highest;
    } else {
      ids.pop_back();  // the record after the window keeps its label: the spread ends below it
    }
    const uint64_t room = Distance(from, bound) / (ids.size() + 2);
    step = toEnd ? std::min<uint64_t>(room, Spacing) : room;
    if (step >= static_cast<uint64_t>(LeastSpacing) || (toEnd && step >= 1)) break;
    if (toEnd) return SQLITE_FULL;  // no label is left after `low`
  }
  // All moved or none. Cleared first, so that no two records hold a label at once.
  if ((rc = Exec(Db, "SAVEPOINT vk_renumber")) != SQLITE_OK) return rc;
  for (int64_t moved : ids) {
    if (rc == SQLITE_OK) rc = SetLabel(moved, true, 0);
  }
  if (rc == SQLITE_OK) rc = SetLabel(id, false, Plus(from, step));
  for (size_t i = 0; rc == SQLITE_OK && i < ids.size(); ++i)
    rc = SetLabel(ids[i], false, Plus(from, step * (i + 2)));
  HasLast = rc == SQLITE_OK;
  Last = Plus(from, step);
  if (rc != SQLITE_OK) (void)Exec(Db, "ROLLBACK TO vk_renumber");
  const int released = Exec(Db, "RELEASE vk_renumber");
  return rc != SQLITE_OK ? rc : released;
}

}  // namespace runtime::files
