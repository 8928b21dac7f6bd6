#pragma once
// The widgets of one window of the model: its controls placed in dialog units of its
// font, its menus (in the frame's menu bar for the application frame), and the user's
// input sent back to the model: buttons and menu items accepted, entries typed into
// (the text goes to the model when the entry is left or a key the window routes is
// pressed; the program moves it into its variable on its own thread), checks toggled,
// and every other key handed to InputRouter, which decides what it does. Apply shows the window as the model has it
// now and redoes only what changed, so a text the user is typing is not overwritten by
// a redisplay of something else.
//
// GUI thread only. It reads snapshots of the model and calls its input operations; it
// never sees a program variable.

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <map>
#include <string>

#include "runtime/ui/Control.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/qt/DialogUnits.h"

class QAction;
class QMenu;
class QMenuBar;
class QTabWidget;

namespace runtime::ui::qt {

class ListView;

class WindowView : public QWidget {
  Q_OBJECT

 public:
  // `menuBar` receives the window's menus; nullptr gives the window a menu bar of its own
  // when it has menus.
  WindowView(int32_t window, QMenuBar* menuBar, QWidget* parent);

  int32_t Id() const { return WindowId; }
  void Apply(const Window& window);
  const DialogUnits& Units() const { return Metrics; }
  // The size the window's definition asks for, in pixels of its font.
  QSize DesiredSize() const { return Desired; }
  QSize sizeHint() const override { return Desired; }

  // The widget or menu action showing a control (nullptr when none).
  QWidget* WidgetOf(int32_t control) const;
  QAction* ActionOf(int32_t control) const;
  ListView* ListOf(int32_t control) const;
  // The control a widget shows (0 when none).
  int32_t ControlOfWidget(QObject* object) const;

 signals:
  // The status-bar message of the control under the pointer or with the focus ("" none).
  void StatusMessage(const QString& message);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct Shown {
    int32_t Type = 0;
    QPointer<QWidget> Widget;
    QPointer<QAction> Action;
    QPointer<QMenu> Menu;
    ListView* List = nullptr;
    Control Last;
    bool Applied = false;
  };

  void Create(const Window& window, const Control& control);
  void Update(const Control& control, Shown& shown);
  void Place(const Control& control, Shown& shown);
  QWidget* ContainerFor(const Control& control, QPoint& offset);
  void Remove(int32_t control);
  void Watch(QWidget* widget, int32_t control);
  // Hands the entry's unsent typing to the model; false when there was none.
  bool CommitEntry(int32_t control);
  // Hands every entry's unsent typing to the model, before a button or menu item is
  // accepted: the program must see the text before it acts on the press. Returns the
  // focused entry when its typing went (the model accepted it), else 0.
  int32_t CommitAll();
  // Hands a key pressed in control `focus` (0 none) to the window's routing
  // (InputRouter); false when it means nothing there.
  bool RouteKey(int32_t focus, int32_t key);

  int32_t WindowId;
  QMenuBar* Bar;
  bool OwnBar = false;
  DialogUnits Metrics;
  std::string FontName;
  int32_t FontPoints = -1;
  QSize Desired;
  std::map<int32_t, Shown> Controls;
  std::map<QObject*, int32_t> ByWidget;
  int32_t AppliedFocus = 0;
  int MenuBarHeight = 0;
};

}  // namespace runtime::ui::qt
