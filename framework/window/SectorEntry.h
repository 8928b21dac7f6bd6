#pragma once
// One known sector of the INI manager: a named group of settings, such as the saved
// queries of one family. Fixed-layout (each text at most 99 bytes and a NUL) because
// it lives in a RecordQueue whose buffer the manager's queue storage reads and fills
// through FieldRefs. `Item` is kept in its escaped form (every "$" written three
// times); GetSectors hands it out unescaped. Plain data: as thread-safe as its owner.

#include <cstddef>
#include <cstring>

namespace framework::window {

struct SectorEntry {
  static constexpr size_t TextSize = 100;

  char Family[TextSize] = {};
  char Item[TextSize] = {};
  char Type[TextSize] = {};

  // The queue's key order: Family, then Item, then Type, byte by byte.
  static bool KeyLess(const SectorEntry& a, const SectorEntry& b) {
    if (int c = std::strcmp(a.Family, b.Family); c != 0) return c < 0;
    if (int c = std::strcmp(a.Item, b.Item); c != 0) return c < 0;
    return std::strcmp(a.Type, b.Type) < 0;
  }
};

}  // namespace framework::window
