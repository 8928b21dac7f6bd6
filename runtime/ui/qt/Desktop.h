#pragma once
// The desktop's side of the window model, living on the GUI thread: one WindowView per
// open window, inside the application frame (FrameWindow) when it is an MDI child, as a
// window of its own otherwise; message boxes and popup menus shown without blocking
// the GUI thread (the answer goes to a callback that releases the waiting program
// thread); the frame's standard actions; and the window geometry kept in step with the
// model both ways: the model's position, size, maximized and minimized states are
// applied (a position off every screen is brought back onto the nearest one), and the
// user's moves and resizes are written back into the model as dialog units.
//
// A window covered by a newer window of its own thread, or waiting for a message box,
// takes no input and is shown disabled, as a modal dialog would leave it.
//
// GUI thread only: QtFrontEnd hands every call over to it with a queued invocation.

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "runtime/ui/FrameAction.h"
#include "runtime/ui/MessageBoxRequest.h"
#include "runtime/ui/PopupMenu.h"
#include "runtime/ui/Window.h"

class QPrinter;
class QWidget;
class QMdiSubWindow;

namespace runtime::ui::qt {

class FrameWindow;
class WindowView;

class Desktop : public QObject {
  Q_OBJECT

 public:
  using Answer = std::function<void(int32_t)>;

  // Size of a frame whose definition gives none, as a share of the screen.
  static constexpr double DefaultFrameShare = 0.75;
  // Of a window brought back on screen at least this many pixels stay visible.
  static constexpr int MinimumVisible = 48;

  Desktop();
  ~Desktop() override;

  void Opened(int32_t window);
  void Changed(int32_t window);
  void Closed(int32_t window);

  // `owner` is the window the box or menu belongs to (the caller's newest), 0 for none.
  void ShowMessageBox(const MessageBoxRequest& request, int32_t owner, Answer answer);
  void ShowPopupMenu(const PopupMenu& menu, int32_t x, int32_t y, int32_t owner, Answer answer);
  void CarryOut(FrameAction action, int32_t window);
  void SetWaitCursor(bool on);

  // For tests and the start-up measure.
  FrameWindow* Frame() const;
  WindowView* ViewOf(int32_t window) const;
  // The frame, the MDI sub-window or the top-level window showing `window`.
  QWidget* OuterOf(int32_t window) const;

 signals:
  // A window of the model appeared on the screen for the first time.
  void WindowShown(int32_t window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class Kind { Frame, Child, TopLevel };
  struct Geometry {
    int32_t X = 0, Y = 0, Width = 0, Height = 0;
    bool Maximized = false, Iconized = false;
  };
  struct Shown {
    Kind Type = Kind::TopLevel;
    QPointer<WindowView> View;
    QPointer<QWidget> Outer;
    Geometry Applied;
    bool Resizable = false;
    int BoxesOpen = 0;
    bool Closing = false;
    bool Visible = false;
    int32_t ShownWidth = 0;  // maximized: the inner size last told to the model
    int32_t ShownHeight = 0;
    std::string Title;
    std::string Icon;
  };

  void Create(const Window& window);
  void Update(const Window& window, Shown& shown);
  // Placement::First: the window is being shown for the first time.
  enum class Placement : uint8_t { First, Again };
  void ApplyGeometry(const Window& window, Shown& shown, Placement placement);
  // What the window manager changed: a maximized window reports only a new size.
  enum class GeometryChange : uint8_t { Moved, Resized };
  void WriteBackGeometry(int32_t window, Shown& shown, GeometryChange change);
  void WriteBackState(int32_t window, Shown& shown);
  QRect BringOnScreen(const QRect& wanted, Kind kind) const;
  void UpdateEnabled();
  QWidget* ParentFor(int32_t owner) const;
  int32_t WindowOf(QObject* outer) const;

  QPointer<FrameWindow> FrameView;
  int32_t FrameId = 0;
  std::map<int32_t, Shown> Windows;
  std::unique_ptr<QPrinter> Printer;
  int WaitCursors = 0;
  bool Applying = false;
};

}  // namespace runtime::ui::qt
