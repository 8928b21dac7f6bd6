#pragma once
// What a browse needs of its display queue: rows of display fields, each with the view
// position of its record. GetRow fetches a row into the queue's record buffer; PutRow,
// DeleteRow and GetRowPosition work on the row fetched (or added) last. Positions are
// 1-based.
//
// Thread safety: the window's thread only, like the queue.

#include <cstddef>
#include <string>

namespace framework::browse {

class BrowseQueue {
 public:
  virtual ~BrowseQueue() = default;
  virtual size_t RowCount() const = 0;
  // Appends the record buffer; it becomes the fetched row.
  virtual void AppendRow() = 0;
  // Inserts the record buffer at `position`; it becomes the fetched row.
  virtual void InsertRowAt(size_t position) = 0;
  // False when there is no such row (the buffer keeps its value).
  virtual bool GetRow(size_t position) = 0;
  virtual bool PutRow() = 0;
  virtual bool DeleteRow() = 0;
  virtual void ClearRows() = 0;
  // The name of display field `field` (1-based), "" when unknown.
  virtual std::string ColumnName(size_t field) const = 0;
  // The position string of the record buffer (the fetched row's after GetRow).
  virtual std::string GetRowPosition() const = 0;
  virtual void SetRowPosition(const std::string& position) = 0;
};

}  // namespace framework::browse
