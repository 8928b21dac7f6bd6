#pragma once
// A typed in-memory list of records with a record buffer, used where a list control
// shows rows and where generic code moves records through the buffer (FieldRefs point
// into `Buffer`). Positions are 1-based. Records own their strings (std::string
// members are copied with the record). Not thread-safe: a queue belongs to one thread
// or to the object whose lock guards it.

#include <algorithm>
#include <cstddef>
#include <vector>

#include "runtime/data/QueueAccess.h"

namespace runtime::data {

template <class Record>
class RecordQueue : public QueueAccess {
 public:
  Record Buffer{};

  size_t Records() const override { return Rows.size(); }
  bool Get(size_t position) override {
    if (position < 1 || position > Rows.size()) return false;
    Buffer = Rows[position - 1];
    return true;
  }
  void Add() override { Rows.push_back(Buffer); }
  // Inserts the buffer at `position`, moving later rows down; past the end appends.
  void Add(size_t position) override {
    position = std::clamp<size_t>(position, 1, Rows.size() + 1);
    Rows.insert(Rows.begin() + static_cast<std::ptrdiff_t>(position - 1), Buffer);
  }
  // Inserts the buffer in the order `less` defines, after any equal rows; returns its position.
  template <class Less>
  size_t AddOrdered(Less less) {
    auto at = std::upper_bound(Rows.begin(), Rows.end(), Buffer, less);
    at = Rows.insert(at, Buffer);
    return static_cast<size_t>(at - Rows.begin()) + 1;
  }
  // Position of the first row equal to the buffer under `less`, or 0.
  template <class Less>
  size_t Find(Less less) const {
    auto at = std::lower_bound(Rows.begin(), Rows.end(), Buffer, less);
    if (at == Rows.end() || less(Buffer, *at)) return 0;
    return static_cast<size_t>(at - Rows.begin()) + 1;
  }
  bool Put(size_t position) override {
    if (position < 1 || position > Rows.size()) return false;
    Rows[position - 1] = Buffer;
    return true;
  }
  bool Delete(size_t position) override {
    if (position < 1 || position > Rows.size()) return false;
    Rows.erase(Rows.begin() + static_cast<std::ptrdiff_t>(position - 1));
    return true;
  }
  template <class Less>
  void Sort(Less less) {
    std::stable_sort(Rows.begin(), Rows.end(), less);
  }
  void Free() override { Rows.clear(); }

  const Record& At(size_t position) const { return Rows[position - 1]; }
  Record& At(size_t position) { return Rows[position - 1]; }
  const std::vector<Record>& All() const { return Rows; }

 private:
  std::vector<Record> Rows;
};

}  // namespace runtime::data
