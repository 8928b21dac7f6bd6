#include "runtime/ui/qt/FrameWindow.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>

namespace runtime::ui::qt {

FrameWindow::FrameWindow(QWidget* parent) : QMainWindow(parent), Area(new QMdiArea(this)) {
  Area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  Area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(Area);
  statusBar()->setSizeGripEnabled(true);
}

void FrameWindow::Tile() { Area->tileSubWindows(); }

void FrameWindow::Cascade() { Area->cascadeSubWindows(); }

void FrameWindow::ArrangeIcons() {
  int x = 0;
  const int bottom = Area->viewport()->height();
  for (QMdiSubWindow* sub : Area->subWindowList(QMdiArea::CreationOrder)) {
    if (!sub->isMinimized()) continue;
    const QSize size = sub->size();
    sub->move(x, bottom - size.height());
    x += size.width() + IconGap;
  }
}

}  // namespace runtime::ui::qt
