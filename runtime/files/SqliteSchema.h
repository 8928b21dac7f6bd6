#pragma once
// How the SQLite driver lays a file definition out in a database: the records table
// (one typed column per field, plus the row id and a change counter), one index per
// key, the layout text kept in the metadata table, and the moves of field values
// between a record image and statements. Built from a definition that outlives it;
// immutable afterwards, so any thread may use it.

#include <sqlite3.h>

#include <cstddef>
#include <string>
#include <vector>

#include "runtime/files/FileDefinition.h"
#include "runtime/files/SqlValue.h"

namespace runtime::files {

class SqliteSchema {
 public:
  static constexpr const char* RecordsTable = "vk_records";
  static constexpr const char* LayoutTable = "vk_layout";
  static constexpr const char* RowIdColumn = "vk_id";
  static constexpr const char* VersionColumn = "vk_version";
  // Version of the way records are stored; part of the layout text.
  static constexpr int FormatVersion = 1;

  explicit SqliteSchema(const FileDefinition& definition) : Def(definition) {}

  // "" when the definition can be stored, else why not.
  std::string Problem() const;
  // The canonical description of the layout kept in the file and compared on open.
  std::string LayoutText() const;

  static std::string Quote(const std::string& identifier);
  std::string Column(size_t field) const;
  // The expression a key component is compared and sorted by (with its collation).
  std::string ComponentExpr(int key, size_t component) const;
  const KeyDefinition& Key(int key) const { return Def.Keys[static_cast<size_t>(key - 1)]; }
  size_t ComponentCount(int key) const { return key == 0 ? 0 : Key(key).Components.size(); }
  bool Descending(int key, size_t component) const;

  std::vector<std::string> CreateStatements() const;  // table, layout row, indexes
  std::string CreateIndex(int key) const;
  // "vk_id", "vk_version", then every field column.
  std::string SelectList() const;
  // The field columns alone, joined by ",".
  std::string FieldList() const;
  // "?,?,..." for the fields, and "col=?,..." for an update.
  std::string FieldParams() const;
  std::string FieldAssignments() const;
  // ORDER BY terms of a key (0: row id order), forward or backward.
  std::string OrderBy(int key, bool forward) const;

  // Values between a record image and statements. Binding starts at parameter
  // `first`; reading a row starts at column `first` and clears the record first.
  void BindFields(sqlite3_stmt* stmt, int first, const void* record) const;
  void ReadFields(sqlite3_stmt* stmt, int first, void* record) const;
  SqlValue FieldValue(const void* record, size_t field) const;
  std::vector<SqlValue> ComponentValues(int key, const void* record, size_t count) const;
  // The values of a key's components among a row's field values.
  std::vector<SqlValue> ComponentValues(int key, const std::vector<SqlValue>& row) const;
  std::vector<SqlValue> RowValues(const void* record) const;
  static SqlValue ColumnValue(sqlite3_stmt* stmt, int column);
  static void Bind(sqlite3_stmt* stmt, int index, const SqlValue& value);

 private:
  const FileDefinition& Def;
};

}  // namespace runtime::files
