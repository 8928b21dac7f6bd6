#pragma once
// How the server driver lays a file definition out in a database: one table per file
// (named after the file, lower case), with a row id and a change counter beside one
// typed column per field; one index per key, ordered by the same rule as the local
// driver (text compared bytewise; a key that ignores case compares the text with its
// ASCII letters taken as upper case); and the layout text, kept in one layout table
// shared by the database's files and compared on open.
// Built from a definition that outlives it and a file name; immutable afterwards, so
// any thread may use it.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "runtime/files/FileDefinition.h"
#include "runtime/files/SqlValue.h"

namespace runtime::files {

class PgSchema {
 public:
  static constexpr const char* LayoutTable = "vk_layout";
  static constexpr const char* RowIdColumn = "vk_id";
  static constexpr const char* VersionColumn = "vk_version";
  // Columns of a selected row before the first field (row id, change counter).
  static constexpr int FirstFieldColumn = 2;
  // Version of the way records are stored on the server; part of the layout text.
  static constexpr int FormatVersion = 1;
  // The server cuts longer names; a table name must leave room for an index suffix.
  static constexpr size_t MaxTableName = 48;

  // `fileName` is the file's name as the program gives it; its last path element
  // names the table.
  PgSchema(const FileDefinition& definition, const std::string& fileName);

  // "" when the definition and name can be stored, else why not.
  std::string Problem() const;
  std::string LayoutText() const;
  const std::string& TableName() const { return Table; }
  // The table's name quoted for a statement.
  std::string QuotedTable() const { return Quote(Table); }
  std::string IndexName(int key) const;

  static std::string Quote(const std::string& identifier);
  std::string Column(size_t field) const;
  // The expression a key component is compared and sorted by, and the same rule
  // applied to a parameter.
  std::string ComponentExpr(int key, size_t component) const;
  std::string ParamExpr(int key, size_t component, int param) const;
  const KeyDefinition& Key(int key) const { return Def.Keys[static_cast<size_t>(key - 1)]; }
  size_t ComponentCount(int key) const { return key == 0 ? 0 : Key(key).Components.size(); }
  bool Descending(int key, size_t component) const;
  int KeyCount() const { return static_cast<int>(Def.Keys.size()); }

  std::string CreateTable() const;
  std::string CreateIndex(int key) const;
  // A no-case key unique on the exact text orders through its own index and is kept
  // unique by a second index on the text as stored: its name, and the statement ("" for
  // any other key).
  std::string ExactIndexName(int key) const { return IndexName(key) + "_exact"; }
  std::string CreateExactIndex(int key) const;
  // What a key's look-up and duplicate check compare: the exact text for a key unique
  // on it, else the ordering expression; and the same rule applied to a parameter.
  std::string UniqueExpr(int key, size_t component) const;
  std::string UniqueParamExpr(int key, size_t component, int param) const;
  std::string SelectList() const;  // row id, change counter, every field column
  std::string FieldList() const;
  // "$first,$first+1,..." for the fields, and "col=$first,..." for an update.
  std::string FieldParams(int first) const;
  std::string FieldAssignments(int first) const;
  std::string OrderBy(int key, bool forward) const;

  // Values between a record image, parameters and result texts.
  SqlValue FieldValue(const void* record, size_t field) const;
  std::vector<SqlValue> RowValues(const void* record) const;
  std::vector<SqlValue> ComponentValues(int key, const void* record, size_t count) const;
  std::vector<SqlValue> ComponentValues(int key, const std::vector<SqlValue>& row) const;
  // A field's value from its result text (the field's kind decides the type).
  SqlValue ValueOfText(size_t field, const char* text) const;
  // Writes a row's field values into the record image, clearing it first.
  void WriteRecord(const std::vector<SqlValue>& row, void* record) const;
  static std::string ParamText(const SqlValue& value);

 private:
  const FileDefinition& Def;
  std::string Table;
};

}  // namespace runtime::files
