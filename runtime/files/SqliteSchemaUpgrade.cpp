#include "runtime/files/SqliteSchemaUpgrade.h"

#include "runtime/files/SqliteFind.h"

namespace runtime::files {
namespace {

using C = runtime::core::RuntimeErrorCode;

DriverStatus Failure(sqlite3* db, int rc) {
  const int primary = rc & 0xFF;
  const int32_t code = (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) ? C::RecordHeld
                       : (primary == SQLITE_READONLY || primary == SQLITE_PERM) ? C::AccessDenied
                                                                                : C::DriverError;
  return DriverStatus::Error(code, std::to_string(rc), sqlite3_errmsg(db));
}

DriverStatus Exec(sqlite3* db, const std::string& sql) {
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? DriverStatus::Ok() : Failure(db, rc);
}

DriverStatus ReadLayout(sqlite3* db, std::string& stored) {
  const std::string sql = std::string("SELECT value FROM ") + SqliteSchema::LayoutTable + " WHERE name=?";
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(stmt, 1, SqliteSchema::LayoutRow, -1, SQLITE_STATIC);
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
      stored = text != nullptr ? text : "";
      rc = SQLITE_OK;
    } else if (rc == SQLITE_DONE) {
      stored.clear();
      rc = SQLITE_OK;
    }
  }
  sqlite3_finalize(stmt);
  return rc == SQLITE_OK ? DriverStatus::Ok() : Failure(db, rc);
}

DriverStatus WriteLayout(sqlite3* db, const std::string& layout) {
  const std::string sql = std::string("UPDATE ") + SqliteSchema::LayoutTable + " SET value=? WHERE name=?";
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(stmt, 1, layout.c_str(), static_cast<int>(layout.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, SqliteSchema::LayoutRow, -1, SQLITE_STATIC);
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
  }
  sqlite3_finalize(stmt);
  return rc == SQLITE_OK ? DriverStatus::Ok() : Failure(db, rc);
}

}  // namespace

int SqliteSchemaUpgrade::VersionOf(const SqliteSchema& schema, const std::string& stored) {
  for (int v = SqliteSchema::OldestFormatVersion; v < SqliteSchema::FormatVersion; ++v) {
    if (stored == schema.LayoutText(v)) return v;
  }
  return 0;
}

std::vector<std::string> SqliteSchemaUpgrade::Step(const SqliteSchema& schema, int from) {
  std::vector<std::string> out;
  switch (from) {
    case 1:
      // Format 2: a no-case key unique on exact text orders through a plain index and
      // keeps its uniqueness in a second, exact one. The old unique index held the
      // stricter rule, so the stored records satisfy the new one.
      for (int k = 1; k <= static_cast<int>(schema.KeyCount()); ++k) {
        if (!schema.Key(k).UniqueOnExactText()) continue;
        out.push_back("DROP INDEX IF EXISTS " + SqliteSchema::Quote(schema.Key(k).Name));
        for (std::string& sql : schema.CreateIndexes(k)) out.push_back(std::move(sql));
      }
      break;
    case 2:
      // Format 3 added the find index; format 4 makes it anew (below), so a file
      // still at format 2 gets it there, and one whose earlier program version added
      // it on its own has it replaced.
      break;
    case 3:
      // Format 4: the records' order labels, numbered in key order, and the find
      // field's trigram index numbered by them, kept in step by triggers, filled from
      // the records.
      if (schema.FindField() != FileDefinition::NoFindField)
        out = SqliteFind::CreateStatements(schema, static_cast<size_t>(schema.FindField()));
      break;
    default: break;
  }
  return out;
}

DriverStatus SqliteSchemaUpgrade::Run(sqlite3* db, const SqliteSchema& schema, int from) {
  DriverStatus status = Exec(db, "BEGIN IMMEDIATE");
  if (!status.IsOk()) return status;
  // Another process may have upgraded the file since the caller read its layout.
  std::string stored;
  status = ReadLayout(db, stored);
  if (status.IsOk() && stored != schema.LayoutText()) {
    from = VersionOf(schema, stored);
    if (from == 0) status = DriverStatus::Error(C::InvalidFileStructure, "0", "the stored layout differs from the file's definition");
    for (int v = from; status.IsOk() && v < SqliteSchema::FormatVersion; ++v) {
      for (const std::string& sql : Step(schema, v)) {
        status = Exec(db, sql);
        if (!status.IsOk()) break;
      }
    }
    if (status.IsOk()) status = WriteLayout(db, schema.LayoutText());
  }
  if (status.IsOk()) status = Exec(db, "COMMIT");
  if (!status.IsOk()) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  return status;
}

}  // namespace runtime::files
