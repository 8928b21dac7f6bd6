#pragma once
// A typed in-memory list of records with a record buffer, used where a list control
// shows rows and where generic code moves records through the buffer (FieldRefs point
// into `Buffer`). Positions are 1-based. Records own their strings (std::string
// members are copied with the record). Not thread-safe: a queue belongs to one thread
// or to the object whose lock guards it.
//
// A list scrolls by removing rows at one end and adding them at the other, and its
// rows may be large (a position text of a kilobyte): rows removed from the front or
// added there do not move the others (but once in a while). The storage keeps spare
// slots before the first row for that, never more than it has rows (or had, before
// it was emptied).

#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <vector>

#include "runtime/data/QueueAccess.h"

namespace runtime::data {

template <class Record>
class RecordQueue : public QueueAccess {
 public:
  Record Buffer{};

  size_t Records() const override { return Rows.size() - Front; }
  bool Get(size_t position) override {
    if (position < 1 || position > Records()) return false;
    Buffer = Rows[Front + position - 1];
    return true;
  }
  void Add() override { Rows.push_back(Buffer); }
  // Inserts the buffer at `position`, moving later rows down; past the end appends.
  void Add(size_t position) override {
    position = std::clamp<size_t>(position, 1, Records() + 1);
    if (position == 1 && Records() > 0) {
      if (Front == 0) MakeRoomAtFront();
      Rows[--Front] = Buffer;
      return;
    }
    Rows.insert(Begin() + static_cast<std::ptrdiff_t>(position - 1), Buffer);
  }
  // Inserts the buffer in the order `less` defines, after any equal rows; returns its position.
  template <class Less>
  size_t AddOrdered(Less less) {
    auto at = std::upper_bound(Begin(), Rows.end(), Buffer, less);
    at = Rows.insert(at, Buffer);
    return static_cast<size_t>(at - Begin()) + 1;
  }
  // Position of the first row equal to the buffer under `less`, or 0.
  template <class Less>
  size_t Find(Less less) const {
    auto at = std::lower_bound(Begin(), Rows.cend(), Buffer, less);
    if (at == Rows.cend() || less(Buffer, *at)) return 0;
    return static_cast<size_t>(at - Begin()) + 1;
  }
  bool Put(size_t position) override {
    if (position < 1 || position > Records()) return false;
    Rows[Front + position - 1] = Buffer;
    return true;
  }
  bool Delete(size_t position) override {
    if (position < 1 || position > Records()) return false;
    if (position > 1) {
      Rows.erase(Begin() + static_cast<std::ptrdiff_t>(position - 1));
    } else {
      // The first row becomes a spare slot (its strings freed now, as an erase would).
      if constexpr (!std::is_trivially_copyable_v<Record>) Rows[Front] = Record{};
      ++Front;
    }
    if (Front > Records()) Compact();
    return true;
  }
  template <class Less>
  void Sort(Less less) {
    std::stable_sort(Begin(), Rows.end(), less);
  }
  void Free() override {
    // The slots stay as spare slots before the first row (no more than there were
    // rows), so that a list refilled from a row out (rows added after it, then before
    // it at the front) does not move its rows to make room.
    const size_t keep = std::min(Rows.size(), Records());
    Rows.resize(keep);
    if constexpr (!std::is_trivially_copyable_v<Record>) std::fill(Rows.begin(), Rows.end(), Record{});
    Front = keep;
  }

  const void* StoredRow(size_t position) const override {
    return position >= 1 && position <= Records() ? &Rows[Front + position - 1] : nullptr;
  }
  const void* BufferAddress() const override { return &Buffer; }
  size_t RecordSize() const override { return sizeof(Record); }

  const Record& At(size_t position) const { return Rows[Front + position - 1]; }
  Record& At(size_t position) { return Rows[Front + position - 1]; }
  // Every row (the spare slots, if any, are let go first).
  const std::vector<Record>& All() const {
    Compact();
    return Rows;
  }

 private:
  using Iterator = typename std::vector<Record>::iterator;
  using ConstIterator = typename std::vector<Record>::const_iterator;
  Iterator Begin() { return Rows.begin() + static_cast<std::ptrdiff_t>(Front); }
  ConstIterator Begin() const { return Rows.cbegin() + static_cast<std::ptrdiff_t>(Front); }
  // Spare slots before the first row, as many as there are rows: rows added at the
  // front one by one move the others once per doubling, not each time.
  void MakeRoomAtFront() {
    const size_t room = Records();
    Rows.insert(Rows.begin(), room, Record{});
    Front = room;
  }

  void Compact() const {
    Rows.erase(Rows.begin(), Rows.begin() + static_cast<std::ptrdiff_t>(Front));
    Front = 0;
  }

  // Mutable only so that All, which hands out the rows as one vector, can let the
  // spare slots go.
  mutable std::vector<Record> Rows;
  mutable size_t Front = 0;  // Rows before it are spare slots
};

}  // namespace runtime::data
