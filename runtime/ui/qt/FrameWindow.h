#pragma once
// The application frame on the desktop: a main window with the frame's menu bar, a
// status bar for the messages of menu items and controls, and the MDI area in which
// the program's other windows open. Tile, Cascade and Arrange Icons act on the windows
// in that area. GUI thread only.

#include <QMainWindow>

class QMdiArea;

namespace runtime::ui::qt {

class FrameWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Minimized windows are lined up along the bottom with this gap, in pixels.
  static constexpr int IconGap = 2;

  explicit FrameWindow(QWidget* parent = nullptr);

  QMdiArea* Mdi() const { return Area; }
  void Tile();
  void Cascade();
  // Lines the minimized windows up along the bottom of the area, left to right.
  void ArrangeIcons();

 private:
  QMdiArea* Area;
};

}  // namespace runtime::ui::qt
