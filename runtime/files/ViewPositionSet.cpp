#include "runtime/files/ViewPositionSet.h"

#include <functional>

namespace runtime::files {

size_t ViewPositionSet::SlotOf(std::string_view position, size_t hash) const {
  const size_t mask = Slots.size() - 1;
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const uint32_t entry = Slots[slot];
    if (entry == EmptySlot) return slot;
    const Member& m = Members[entry - 1];
    if (m.Hash == hash && m.Text == position) return slot;
  }
}

bool ViewPositionSet::Contains(std::string_view position) const {
  if (Count == 0) return false;
  return Slots[SlotOf(position, std::hash<std::string_view>{}(position))] != EmptySlot;
}

void ViewPositionSet::Insert(std::string_view position) {
  // At most half the slots in use keeps the probes short.
  if (2 * (Count + 1) > Slots.size()) Grow();
  const size_t hash = std::hash<std::string_view>{}(position);
  const size_t slot = SlotOf(position, hash);
  if (Slots[slot] != EmptySlot) return;
  if (Count == Members.size()) Members.emplace_back();
  Member& m = Members[Count];
  m.Text.assign(position);
  m.Hash = hash;
  m.Slot = slot;
  Slots[slot] = static_cast<uint32_t>(++Count);
}

void ViewPositionSet::Clear() {
  for (size_t i = 0; i < Count; ++i) Slots[Members[i].Slot] = EmptySlot;
  Count = 0;
  // A long scroll may have filled many: only a few pages' worth stay.
  if (Members.size() > KeptMembers) {
    Members.resize(KeptMembers);
    Members.shrink_to_fit();
  }
}

void ViewPositionSet::Grow() {
  Slots.assign(Slots.empty() ? InitialSlots : 2 * Slots.size(), EmptySlot);
  const size_t mask = Slots.size() - 1;
  for (size_t i = 0; i < Count; ++i) {
    size_t slot = Members[i].Hash & mask;
    while (Slots[slot] != EmptySlot) slot = (slot + 1) & mask;
    Slots[slot] = static_cast<uint32_t>(i + 1);
    Members[i].Slot = slot;
  }
}

}  // namespace runtime::files
