#pragma once
// The widgets of one window of the model: its controls placed in dialog units of its
// font, its menus (in the frame's menu bar for the application frame), and the user's
// input sent back to the model: buttons and menu items accepted, entries typed into
// (the text goes to the model when the entry is left or Enter is pressed; the program
// moves it into its variable on its own thread), checks toggled, alert keys, Enter for
// the default button and Esc for closing. Apply shows the window as the model has it
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
  void CommitEntry(int32_t control);
  // Hands every entry's unsent typing to the model, before a button or menu item is
  // accepted: the program must see the text before it acts on the press.
  void CommitAll();
  void OnEnter(int32_t control);
  bool HandleAlert(int32_t control, int32_t key);
  int32_t ControlOfWidget(QObject* object) const;

  int32_t WindowId;
  QMenuBar* Bar;
  bool OwnBar = false;
  DialogUnits Metrics;
  std::string FontName;
  int32_t FontPoints = -1;
  QSize Desired;
  std::map<int32_t, Shown> Controls;
  std::map<QObject*, int32_t> ByWidget;
  std::map<int32_t, int32_t> WindowAlerts;  // slot -> key
  int32_t AppliedFocus = 0;
  int32_t DefaultButton = 0;
  bool Committed = false;  // Enter already accepted the entry it was pressed in
  int MenuBarHeight = 0;
};

}  // namespace runtime::ui::qt
