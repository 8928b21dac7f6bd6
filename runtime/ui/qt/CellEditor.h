#pragma once
// Lays a list's in-place editor over the cell it edits. The program attaches an entry
// to one column of a list (the list's EditControl property for that column) and makes
// the list the entry's parent; the desktop then shows the entry over that column on
// the list's selected row, above the list, and moves it with the row whenever the list
// is shown again.
//
// GUI thread only.

#include <QRect>

#include <cstdint>

#include "runtime/ui/Control.h"

class QWidget;

namespace runtime::ui::qt {

class ListView;

class CellEditor {
 public:
  // The cell `entry` edits in `list` (as the model has the list now), in the
  // coordinates of `parent`; an empty rectangle when the entry edits no column of the
  // list, no row is selected, or the row is not on the screen.
  static QRect CellRect(const Control& list, const ListView& view, int32_t entry, const QWidget* parent);
  // Reports the column under the mouse of every press on `view` (list `control` of
  // `window`) to the model.
  static void TrackColumns(ListView& view, int32_t window, int32_t control);
};

}  // namespace runtime::ui::qt
