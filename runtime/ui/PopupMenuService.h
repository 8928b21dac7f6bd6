#pragma once
// The runtime's popup menu service: program code hands over a definition string (see
// PopupMenu) and gets the number of the chosen item, 0 when the menu was dismissed, had
// no items, or the front end answered with a number that is no choosable item (a
// disabled item, a separator, out of range). The calling thread waits; other threads
// go on. With no front end installed (FrontEnd::Install) the answer is 0.
//
// Thread safety: may be called from any thread.

#include <cstdint>
#include <string_view>

namespace runtime::ui {

class PopupMenuService {
 public:
  static int32_t Show(std::string_view definition, int32_t x = 0, int32_t y = 0);
};

}  // namespace runtime::ui
