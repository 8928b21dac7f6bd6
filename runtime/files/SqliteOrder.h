#pragma once
// The order labels of a file with a find index. Each record carries a number (column
// vk_order) that grows with the file's first key (its components, then the row id),
// widely spaced; the find index is numbered by it, so the records that contain a text
// come out of the index already in key order, from any place, forward or back, without
// reading the records between them.
//
// Writes keep the labels in step. A new record, or one whose key changed, has no label
// (the index's triggers leave it out and clear the old one) until Place gives it one
// between its neighbours' labels; when the gap between them is used up, a few records
// after it are spread over a wider one (a local renumbering, widened until it leaves
// room). A record without a label is not in the find index: while any exists (written
// by another program, or a Place that did not get through), finds read the key order.
//
// Thread safety: one object per connection, used by the connection's thread.

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/files/SqlValue.h"
#include "runtime/files/SqliteSchema.h"

namespace runtime::files {

class SqliteOrder {
 public:
  static constexpr const char* Column = "vk_order";
  static constexpr const char* IndexName = "vk_order_index";
  // The key whose order the labels follow.
  static constexpr int Key = 1;
  // Room left between two labels when records are numbered, and between the last (or
  // first) label and a record added after (before) it: a gap is halved by each record
  // placed in it, so about 32 records fit into one before a renumbering, and 2^31
  // records numbered at once still leave the labels half their range.
  static constexpr int64_t Spacing = int64_t{1} << 32;
  // The least room a renumbering leaves between two labels.
  static constexpr int64_t LeastSpacing = int64_t{1} << 20;
  // The room a record takes next to the one placed just before it (a run in key
  // order): a gap after a renumbering holds at least 256 of them.
  static constexpr int64_t RunStep = int64_t{1} << 12;
  // Records spread by a first renumbering; each widening takes four times as many.
  static constexpr int64_t FirstWindow = 16;

  // Records without a label that are numbered afresh with all the others, when they
  // are at least as many as those with one.
  static constexpr int64_t BulkLeast = 1000;
  // Records without a label that are placed by one walk of the key order rather than
  // one by one.
  static constexpr int64_t RunsLeast = 64;

  // The label column, every record numbered in key order, and the label's index; run
  // in the caller's transaction on a file without labels.
  static std::vector<std::string> CreateStatements(const SqliteSchema& schema);
  // The SQL condition "the row's key is the same in old and new" (for the triggers).
  static std::string SameKey(const SqliteSchema& schema);
  static bool HasLabels(sqlite3* db);

  void Init(sqlite3* db, const SqliteSchema* schema);
  void Reset();

  // Gives every record without a label one (each label is one write; a renumbering
  // is all or nothing). SQLite code.
  [[nodiscard]] int Place();
  // Whether some record has no label. SQLite code.
  [[nodiscard]] int Unplaced(bool& any);
  // A query of the label of the nearest record at the position or after it (forward),
  // or at it or before it; no row when there is none. The position: parameters ?1..
  // for the key's leading `valueLevels` component values, then the row id when
  // `hasId`; `inclusive` takes a record equal to it.
  std::string LabelSql(bool forward, size_t valueLevels, bool hasId, bool inclusive) const;

 private:
  int PlaceOne(int64_t id);
  int Renumber(bool hasLow, int64_t low, int64_t id);
  int SetLabel(int64_t id, bool clear, int64_t label);
  sqlite3_stmt* Prepared(sqlite3_stmt*& slot, const std::function<std::string()>& sql, int& rc);
  int FirstUnplacedId(bool& any, int64_t& id);
  int PlaceMany();
  int PlaceRuns();
  std::string NeighboursSql() const;

  sqlite3* Db = nullptr;
  const SqliteSchema* Schema = nullptr;
  // Prepared once per connection.
  sqlite3_stmt* FirstUnplaced = nullptr;
  sqlite3_stmt* Neighbours = nullptr;
  sqlite3_stmt* Set = nullptr;
  sqlite3_stmt* Window = nullptr;
  // The label this connection placed last (a run in key order continues from it).
  bool HasLast = false;
  int64_t Last = 0;
};

}  // namespace runtime::files
