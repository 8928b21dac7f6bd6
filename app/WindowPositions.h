#pragma once
// Saves a window's position for the window procedures, and says so when it cannot:
// once per run, since every later window would fail for the same reason (a full
// disk, a read-only folder) and the program goes on either way.
//
// Any thread may call it.

#include <string_view>

#include "runtime/ui/Window.h"

namespace app {

class WindowPositions {
 public:
  static void Save(std::string_view procedureName, const runtime::ui::Window& state);
};

}  // namespace app
