#pragma once
// What generic code (the INI manager's queue storage, list controls, a browse's
// display queue) needs of a queue without knowing its record type: the count, reading
// a row into the record buffer, adding, replacing and removing rows, and emptying.
// Positions are 1-based.

#include <cstddef>

namespace runtime::data {

class QueueAccess {
 public:
  virtual ~QueueAccess() = default;
  virtual size_t Records() const = 0;
  // Copies row `position` into the record buffer; false when there is no such row.
  virtual bool Get(size_t position) = 0;
  // Appends a copy of the record buffer.
  virtual void Add() = 0;
  // Inserts a copy of the record buffer at `position`, moving later rows down; past
  // the end appends.
  virtual void Add(size_t position) = 0;
  // Replaces row `position` with the record buffer; false when there is no such row.
  virtual bool Put(size_t position) = 0;
  // Removes row `position`; false when there is no such row.
  virtual bool Delete(size_t position) = 0;
  // Removes every row (the buffer keeps its value).
  virtual void Free() = 0;

  // For reading a row's fields where it is stored, without copying it into the buffer:
  // row `position` laid out as the record buffer (nullptr when there is no such row or
  // the queue does not lend its rows), the buffer, and the size of both. Valid until
  // the queue changes.
  virtual const void* StoredRow(size_t /*position*/) const { return nullptr; }
  virtual const void* BufferAddress() const { return nullptr; }
  virtual size_t RecordSize() const { return 0; }
};

}  // namespace runtime::data
