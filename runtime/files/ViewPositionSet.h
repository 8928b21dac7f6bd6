#pragma once
// The positions a view handed out in its current order: a set of texts that is
// emptied at every change of order (each locate, each thumb drag) and refilled a row
// at a time. Emptying keeps the storage: the texts and the table are reused by the
// next rows, so a page of positions costs no allocation once the set has held a page.
//
// Thread safety: none; it belongs to its view.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace runtime::files {

class ViewPositionSet {
 public:
  bool Contains(std::string_view position) const;
  // Adds `position` (nothing when it is there already).
  void Insert(std::string_view position);
  // Empties the set; its storage stays for the next positions.
  void Clear();
  size_t Size() const { return Count; }

 private:
  struct Member {
    std::string Text;
    size_t Hash = 0;
    size_t Slot = 0;  // its place in Slots
  };
  static constexpr uint32_t EmptySlot = 0;
  static constexpr size_t InitialSlots = 64;
  static constexpr size_t KeptMembers = 256;

  // The slot that holds `position`, or the empty slot where it would go.
  size_t SlotOf(std::string_view position, size_t hash) const;
  void Grow();

  std::vector<Member> Members;  // the first Count are the set; the rest keep their storage
  size_t Count = 0;
  std::vector<uint32_t> Slots;  // open addressing: member index + 1, or EmptySlot
};

}  // namespace runtime::files
