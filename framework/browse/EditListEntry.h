#pragma once
// One column of a browse's edit-in-place list: the display-queue field the column
// shows, its editor (none for a column that is not editable), whether the edit
// manager created that editor, and the list column. A plain value owned by the browse.

#include <cstdint>
#include <memory>

#include "framework/browse/EditInPlaceControl.h"

namespace framework::browse {

struct EditListEntry {
  int32_t Field = 0;
  uint8_t FreeUp = 0;
  // Owned when FreeUp is set; a window procedure may put an editor of its own here.
  std::shared_ptr<EditInPlaceControl> Control;
  int32_t Column = 0;
};

}  // namespace framework::browse
