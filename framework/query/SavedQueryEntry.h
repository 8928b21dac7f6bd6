#pragma once
// One saved query as the query lists it (Family, Item = the query's name, Type), and
// one popup item the query added to a menu (Family = the item's name in the menu,
// Item = the saved query it restores, or the item's name again for items that restore
// none). Plain data: as thread-safe as its owner.

#include <cstddef>
#include <string>

namespace framework::query {

struct SavedQueryEntry {
  // Each text keeps at most this many bytes.
  static constexpr size_t TextLimit = 99;

  std::string Family;
  std::string Item;
  std::string Type;
};

}  // namespace framework::query
