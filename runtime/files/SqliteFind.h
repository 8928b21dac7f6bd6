#pragma once
// Finding records whose text field contains a text, for one SQLite connection.
//
// The index: an FTS5 table with the trigram tokenizer over the file's find field
// (FileDefinition::FindField), whose content is the records table itself, numbered by
// the records' order labels (SqliteOrder) and kept in step by triggers, so every write
// updates it in the same transaction. The index is part of the storage format
// (SqliteSchema, versions 3 and 4): a new file is made with it, an older one gets it,
// filled from its records, when the format upgrade runs (the first open for writing);
// an older file opened read-only is still searched.
//
// The narrowing: while a text is set, the driver reads only the records whose field
// contains it, ASCII letters compared without regard to case, in the usual key order.
// A text of three characters or more is looked up in the index. In the order the
// labels follow, a run is one statement that takes the index's matches from the label
// of the record at the cursor on, so a page costs the same wherever its matches lie.
// In another key's order, when the text matches few records (at most SetLimit) those
// records are copied into a temporary table with the file's key indexes and read from
// there; the copy is refreshed when the file changed (here or elsewhere). When it
// matches many, or the text is shorter, or some record has no label yet (the index
// lacks it), reads walk the key order and keep the matching records.
//
// Thread safety: one object per connection, used by the connection's thread.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/files/SqlValue.h"
#include "runtime/files/SqliteOrder.h"
#include "runtime/files/SqliteSchema.h"

namespace runtime::files {

class SqliteFind {
 public:
  static constexpr const char* IndexTable = "vk_find";
  static constexpr const char* CopyTable = "vk_found";  // in the connection's temporary database
  static constexpr const char* ContainsFunction = "vk_contains";
  // The shortest text, in characters, the trigram index can look up.
  static constexpr size_t IndexedCharacters = 3;
  // Most matches copied into the temporary table; more are found along the key order.
  static constexpr int64_t SetLimit = 20000;

  // Registers the contains function on a new connection.
  static void RegisterFunctions(sqlite3* db);
  // The statements that create the index over `field` and its triggers and fill it;
  // run in the caller's transaction. Harmless on a file that has the index already.
  static std::vector<std::string> CreateStatements(const SqliteSchema& schema, size_t field);
  static bool HasIndex(sqlite3* db);
  // Whether `url` contains `text`, ASCII letters compared without regard to case.
  static bool Contains(std::string_view url, std::string_view text);

  // Binds to a connection after its open; `field` < 0 when the file has no find field;
  // `keys` is the number of the file's keys.
  void Init(sqlite3* db, const SqliteSchema* schema, int field, int keys);
  void Reset();

  // The text reads are narrowed to; "" reads every record.
  void SetText(std::string_view text);
  const std::string& Text() const { return Wanted; }
  bool Active() const { return !Wanted.empty(); }
  // This connection changed records (or rolled changes back): the copy is stale.
  void Changed() { Stale = true; }

  // Readies the narrowing for a read in the order of key `orderKey`: either Ordered()
  // (read through ReadOrdered), or `table` is where reads come from and `condition`
  // ("" for none) a term for the WHERE clause with one parameter, bound through
  // BindCondition. SQLite code.
  [[nodiscard]] int Prepare(int orderKey, std::string& table, std::string& condition);
  bool Ordered() const { return OrderedRead; }
  void BindCondition(sqlite3_stmt* stmt, int index) const;
  // The statement that reads a run of matching records in key order (Ordered()), its
  // rows the records table's select list. Parameters: the position (as
  // SqliteOrder::LabelSql takes it), then the three BindOrdered binds from `first`.
  std::string OrderedRunSql(bool forward, size_t valueLevels, bool hasId, bool inclusive) const;
  void BindOrdered(sqlite3_stmt* stmt, int first, size_t count) const;
  // After a write on this connection: gives the records written their order labels,
  // inside the write's transaction when there is one. SQLite code.
  [[nodiscard]] int Place();

 private:
  int Refresh();
  int64_t DataVersion();

  sqlite3* Db = nullptr;
  const SqliteSchema* Schema = nullptr;
  int Field = -1;
  int Keys = 0;
  std::string Wanted;
  // What the copy holds: the text and the file's state it was made from.
  enum class Mode { None, Copy, Walk } Current = Mode::None;
  std::string CopiedText;
  int64_t CopiedVersion = -1;
  bool Stale = true;
  bool CopyMade = false;                   // the temporary table and its indexes exist
  sqlite3_stmt* VersionQuery = nullptr;    // "PRAGMA data_version", kept for the connection
  bool Labeled = false;                    // the file has order labels and the index numbered by them
  bool OrderedRead = false;                   // the read being readied goes through ReadOrdered
  SqliteOrder Order;
};

}  // namespace runtime::files
