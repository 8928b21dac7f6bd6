#pragma once
// How the SQLite driver lays a file definition out in a database: the records table
// (one typed column per field, plus the row id and a change counter), one index per
// key, the find index of the find field (SqliteFind), the layout text kept in the
// metadata table, and the moves of field values between a record image and statements. Built from a definition that outlives it;
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
  // The row of the layout table that holds the layout text.
  static constexpr const char* LayoutRow = "layout";
  static constexpr const char* RowIdColumn = "vk_id";
  static constexpr const char* VersionColumn = "vk_version";
  // Version of the way records are stored; part of the layout text. A file written
  // with an older version is brought up to this one when it is opened for writing
  // (SqliteSchemaUpgrade).
  static constexpr int FormatVersion = 4;
  static constexpr int OldestFormatVersion = 1;
  // Suffix of the name of the index that keeps a no-case key unique on exact text.
  static constexpr const char* ExactIndexSuffix = "#exact";

  explicit SqliteSchema(const FileDefinition& definition) : Def(definition) {}

  // "" when the definition can be stored, else why not.
  std::string Problem() const;
  // The canonical description of the layout kept in the file and compared on open,
  // as a file of the given format version stores it.
  std::string LayoutText(int version = FormatVersion) const;

  static std::string Quote(const std::string& identifier);
  std::string Column(size_t field) const;
  // The expression a key component is compared and sorted by (with its collation).
  std::string ComponentExpr(int key, size_t component) const;
  size_t KeyCount() const { return Def.Keys.size(); }
  // The field the find index covers (FileDefinition::NoFindField for none).
  int FindField() const { return Def.FindField; }
  size_t FieldCount() const { return Def.Record->FieldCount(); }
  const KeyDefinition& Key(int key) const { return Def.Keys[static_cast<size_t>(key - 1)]; }
  size_t ComponentCount(int key) const { return key == 0 ? 0 : Key(key).Components.size(); }
  bool Descending(int key, size_t component) const;

  std::vector<std::string> CreateStatements() const;  // table, layout row, indexes
  std::string CreateIndex(int key) const;
  // Every index a key needs: its order index, and for a key unique on exact text the
  // unique index on the exact components.
  std::vector<std::string> CreateIndexes(int key) const;
  // Names of the indexes CreateIndexes makes.
  std::vector<std::string> IndexNames(int key) const;
  // The expression a key's uniqueness is checked on: ComponentExpr, or the exact text
  // for a key unique on exact text.
  std::string UniqueExpr(int key, size_t component) const;
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
  // ReadFields answers false when a column may not come back whole through its field
  // (MayNotFit holds for it), true when every one certainly does.
  void BindFields(sqlite3_stmt* stmt, int first, const void* record) const;
  [[nodiscard]] bool ReadFields(sqlite3_stmt* stmt, int first, void* record) const;
  SqlValue FieldValue(const void* record, size_t field) const;
  // FieldValue into `out`, reusing what its text holds.
  void FieldValueInto(const void* record, size_t field, SqlValue& out) const;
  // Puts a stored value into its field as a reader shows it: a text too long for the
  // field (or holding a NUL) is cut and ends in "…", a number outside the field's range
  // becomes the nearest it can hold.
  void StoreValue(const SqlValue& value, size_t field, void* record) const;
  // A quick test on a selected column: false when its value certainly comes back
  // whole through its field (the common case), true when ShownWhole must tell.
  bool MayNotFit(sqlite3_stmt* stmt, int column, size_t field) const;
  // Whether a stored value comes back whole through its field.
  bool ShownWhole(const SqlValue& stored, size_t field) const;
  // Whether the field in `record` still holds what a reader showed of `stored`.
  bool Unchanged(const SqlValue& stored, size_t field, const void* record) const;
  std::vector<SqlValue> ComponentValues(int key, const void* record, size_t count) const;
  // The values of a key's components among a row's field values.
  std::vector<SqlValue> ComponentValues(int key, const std::vector<SqlValue>& row) const;
  std::vector<SqlValue> RowValues(const void* record) const;
  // RowValues into `row`, reusing its values' storage (a record read after another).
  void RowValuesInto(const void* record, std::vector<SqlValue>& row) const;
  static SqlValue ColumnValue(sqlite3_stmt* stmt, int column);
  static void Bind(sqlite3_stmt* stmt, int index, const SqlValue& value);

 private:
  const FileDefinition& Def;
};

}  // namespace runtime::files
