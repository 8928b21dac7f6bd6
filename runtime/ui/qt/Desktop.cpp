#include "runtime/ui/qt/Desktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "runtime/ui/Event.h"
#include "runtime/ui/KeyName.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/FrameWindow.h"
#include "runtime/ui/qt/IconMapper.h"
#include "runtime/ui/qt/QtConversions.h"
#include "runtime/ui/qt/WindowView.h"

namespace runtime::ui::qt {
namespace {

constexpr int MessageIconSize = 48;

struct ButtonMapping {
  int32_t Value;
  QMessageBox::StandardButton Button;
};

constexpr ButtonMapping Buttons[] = {
    {MessageBoxRequest::ButtonOk, QMessageBox::Ok},         {MessageBoxRequest::ButtonYes, QMessageBox::Yes},
    {MessageBoxRequest::ButtonNo, QMessageBox::No},         {MessageBoxRequest::ButtonAbort, QMessageBox::Abort},
    {MessageBoxRequest::ButtonRetry, QMessageBox::Retry},   {MessageBoxRequest::ButtonIgnore, QMessageBox::Ignore},
    {MessageBoxRequest::ButtonCancel, QMessageBox::Cancel}, {MessageBoxRequest::ButtonHelp, QMessageBox::Help},
};

void AddItems(QMenu* menu, const std::vector<PopupMenuItem>& items) {
  for (const PopupMenuItem& item : items) {
    if (item.Separator) {
      menu->addSeparator();
      continue;
    }
    QString text = QtConversions::ToQt(item.Text);
    const QIcon icon = IconMapper::IconFor(PopupMenu::MarkupValue(item.Markup, Prop::Icon));
    if (item.IsSubmenu()) {
      QMenu* sub = menu->addMenu(icon, text);
      sub->setEnabled(!item.Disabled);
      AddItems(sub, item.Items);
      continue;
    }
    // A menu shows what follows a tab as the item's shortcut, aligned at the right. Only
    // the text: the key itself is routed as in the window, not by the menu.
    if (const std::string key = KeyName::Of(item.Key); !key.empty()) text += '\t' + QtConversions::ToQt(key);
    QAction* action = menu->addAction(icon, text);
    action->setData(item.Number);
    action->setEnabled(!item.Disabled);
    if (item.Check != PopupMenuItem::NoCheck) {
      action->setCheckable(true);
      action->setChecked(item.Check == PopupMenuItem::Checked);
    }
  }
}

// The room a top-level window's title bar and borders take. Before the window manager
// has framed it the size is not known: the style's title bar and frame stand in, so a
// window placed at a screen's edge is not put under it by its own frame.
QSize FrameChrome(const QWidget& outer) {
  const QSize chrome = outer.frameGeometry().size() - outer.geometry().size();
  if (outer.isVisible() && chrome.isValid() && !chrome.isEmpty()) return chrome;
  const int border = outer.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
  const int title = outer.style()->pixelMetric(QStyle::PM_TitleBarHeight);
  return QSize(2 * border, title + 2 * border);
}

int64_t DistanceSquared(const QRect& area, const QPoint& p) {
  const int64_t dx = p.x() < area.left() ? area.left() - p.x() : (p.x() > area.right() ? p.x() - area.right() : 0);
  const int64_t dy = p.y() < area.top() ? area.top() - p.y() : (p.y() > area.bottom() ? p.y() - area.bottom() : 0);
  return dx * dx + dy * dy;
}

// `wanted` moved (and, when larger, shrunk) so that it lies inside `area`.
QRect Inside(QRect wanted, const QRect& area) {
  wanted.setWidth(std::min(wanted.width(), area.width()));
  wanted.setHeight(std::min(wanted.height(), area.height()));
  const int x = std::clamp(wanted.x(), area.left(), area.right() + 1 - wanted.width());
  const int y = std::clamp(wanted.y(), area.top(), area.bottom() + 1 - wanted.height());
  wanted.moveTo(x, y);
  return wanted;
}

}  // namespace

Desktop::Desktop() = default;

Desktop::~Desktop() {
  for (auto& [id, shown] : Windows) shown.Closing = true;
  if (FrameView) delete FrameView.data();
  for (auto& [id, shown] : Windows)
    if (shown.Outer) delete shown.Outer.data();
}

FrameWindow* Desktop::Frame() const { return FrameView.data(); }

WindowView* Desktop::ViewOf(int32_t window) const {
  auto it = Windows.find(window);
  return it == Windows.end() ? nullptr : it->second.View.data();
}

QWidget* Desktop::OuterOf(int32_t window) const {
  auto it = Windows.find(window);
  return it == Windows.end() ? nullptr : it->second.Outer.data();
}

int32_t Desktop::WindowOf(QObject* outer) const {
  for (const auto& [id, shown] : Windows)
    if (shown.Outer == outer) return id;
  return 0;
}

QWidget* Desktop::ParentFor(int32_t owner) const {
  if (QWidget* outer = OuterOf(owner)) return outer->window();
  return FrameView.data();
}

// --- Windows ---------------------------------------------------------------------

void Desktop::Opened(int32_t window) {
  if (Windows.count(window)) return;
  auto snapshot = WindowModel::Snapshot(window);
  if (!snapshot) return;
  Create(*snapshot);
}

void Desktop::Changed(int32_t window) {
  auto it = Windows.find(window);
  if (it == Windows.end() || it->second.Closing) return;
  if (!it->second.Outer || !it->second.View) {
    Windows.erase(it);
    return;
  }
  auto snapshot = WindowModel::Snapshot(window);
  if (!snapshot) return;
  Update(*snapshot, it->second);
}

void Desktop::Closed(int32_t window) {
  auto it = Windows.find(window);
  if (it == Windows.end()) return;
  Shown& shown = it->second;
  shown.Closing = true;
  if (shown.Outer) {
    shown.Outer->removeEventFilter(this);
    if (shown.Type == Kind::Frame) FrameId = 0;
    shown.Outer->hide();
    shown.Outer->deleteLater();
  }
  Windows.erase(it);
  // The status bar speaks of the window under the pointer or with the focus; a closed
  // window's message would describe a control that is gone.
  if (FrameView) FrameView->statusBar()->clearMessage();
  UpdateEnabled();
}

void Desktop::Create(const Window& window) {
  Shown shown;
  if (window.Frame && !FrameView) {
    shown.Type = Kind::Frame;
    FrameView = new FrameWindow();
    FrameId = window.Id;
    shown.View = new WindowView(window.Id, FrameView->menuBar(), FrameView);
    shown.View->hide();
    shown.Outer = FrameView.data();
  } else if (window.MdiChild && FrameView) {
    shown.Type = Kind::Child;
    shown.View = new WindowView(window.Id, nullptr, nullptr);
    QMdiSubWindow* sub = FrameView->Mdi()->addSubWindow(shown.View);
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    shown.Outer = sub;
  } else {
    shown.Type = Kind::TopLevel;
    shown.View = new WindowView(window.Id, nullptr, nullptr);
    // Over the frame, and centred on it, like a dialog of the application.
    if (FrameView) shown.View->setParent(FrameView, Qt::Dialog);
    else shown.View->setWindowFlag(Qt::Window);
    shown.Outer = shown.View.data();
  }
  connect(shown.View, &WindowView::StatusMessage, this, [this](const QString& message) {
    if (FrameView) FrameView->statusBar()->showMessage(message);
  });
  shown.Outer->installEventFilter(this);
  auto [it, inserted] = Windows.emplace(window.Id, std::move(shown));
  Shown& s = it->second;
  s.View->Apply(window);
  Update(window, s);
  ApplyGeometry(window, s, Placement::First);
  Applying = true;
  if (window.Maximized) s.Outer->showMaximized();
  else if (window.Iconized) s.Outer->showMinimized();
  else s.Outer->show();
  Applying = false;
  if (s.Type == Kind::Child) FrameView->Mdi()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(s.Outer.data()));
  else {
    s.Outer->raise();
    s.Outer->activateWindow();
  }
  UpdateEnabled();
}

void Desktop::Update(const Window& window, Shown& shown) {
  if (window.Title != shown.Title || !shown.Outer->isVisible()) {
    shown.Title = window.Title;
    shown.Outer->setWindowTitle(QtConversions::ToQt(window.Title));
  }
  if (window.Icon != shown.Icon) {
    shown.Icon = window.Icon;
    const QIcon icon = IconMapper::IconFor(window.Icon);
    shown.Outer->setWindowIcon(icon);
    if (shown.Type == Kind::Frame) QApplication::setWindowIcon(icon);
  }
  shown.Resizable = window.Resizable;
  shown.View->Apply(window);
  if (shown.Outer->isVisible()) ApplyGeometry(window, shown, Placement::Again);
}

void Desktop::ApplyGeometry(const Window& window, Shown& shown, Placement placement) {
  const bool first = placement == Placement::First;
  const Geometry want{window.X, window.Y, window.Width, window.Height, window.Maximized, window.Iconized};
  const Geometry& had = shown.Applied;
  const bool placeChanged = first || want.X != had.X || want.Y != had.Y || want.Width != had.Width || want.Height != had.Height;
  const bool stateChanged = first || want.Maximized != had.Maximized || want.Iconized != had.Iconized;
  if (!placeChanged && !stateChanged) return;

  Applying = true;
  const DialogUnits& units = shown.View->Units();
  shown.Applied = want;
  if (placeChanged && !(shown.Outer->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) {
    QSize size(units.ToPixelsX(want.Width), units.ToPixelsY(want.Height));
    if (shown.Type != Kind::Frame) size = QSize(size.width(), shown.View->DesiredSize().height());
    QPoint pos(units.ToPixelsX(want.X), units.ToPixelsY(want.Y));
    QScreen* screen = QGuiApplication::primaryScreen();
    if (shown.Type == Kind::Frame && size.isEmpty() && screen)
      size = (QSizeF(screen->availableGeometry().size()) * DefaultFrameShare).toSize();
    if (shown.Type != Kind::Child && first && want.X == 0 && want.Y == 0) {
      // No position of its own: a window centred over the frame, the frame on the screen.
      const bool overFrame = shown.Type == Kind::TopLevel && FrameView;
      const QRect over = overFrame ? FrameView->geometry() : (screen ? screen->availableGeometry() : QRect());
      pos = over.center() - QPoint(size.width() / 2, size.height() / 2);
    }

    QRect placed;
    if (shown.Type == Kind::Child) {
      auto* sub = static_cast<QMdiSubWindow*>(shown.Outer.data());
      if (!shown.Resizable) shown.View->setFixedSize(size);
      const QSize chrome = sub->sizeHint() - shown.View->sizeHint();
      placed = BringOnScreen(QRect(pos, size + chrome), shown.Type);
      sub->setGeometry(placed);
    } else {
      if (shown.Type == Kind::TopLevel && !shown.Resizable) shown.View->setFixedSize(size);
      // The position is that of the window with its title bar (as a window manager
      // places it), so the title bar of a window at the screen's top stays on screen.
      const QSize chrome = FrameChrome(*shown.Outer);
      placed = BringOnScreen(QRect(pos, size + chrome), shown.Type);
      shown.Outer->resize(placed.size() - chrome);
      shown.Outer->move(placed.topLeft());
    }
    // A position brought back on screen is the window's position from now on.
    if (placed.topLeft() != pos) {
      shown.Applied.X = units.ToUnitsX(placed.x());
      shown.Applied.Y = units.ToUnitsY(placed.y());
      WindowModel::SetPropInt(window.Id, 0, Prop::XPos, shown.Applied.X);
      WindowModel::SetPropInt(window.Id, 0, Prop::YPos, shown.Applied.Y);
    }
  }
  if (stateChanged && shown.Outer->isVisible()) {
    Qt::WindowStates state = shown.Outer->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized);
    if (want.Maximized) state |= Qt::WindowMaximized;
    else if (want.Iconized) state |= Qt::WindowMinimized;
    if (state != shown.Outer->windowState()) shown.Outer->setWindowState(state);
  }
  Applying = false;
}

QRect Desktop::BringOnScreen(const QRect& wanted, Kind kind) const {
  std::vector<QRect> areas;
  if (kind == Kind::Child) {
    if (!FrameView) return wanted;
    const QSize viewport = FrameView->Mdi()->viewport()->size();
    if (viewport.isEmpty()) return wanted;
    areas.emplace_back(QPoint(0, 0), viewport);
  } else {
    for (QScreen* screen : QGuiApplication::screens()) areas.push_back(screen->availableGeometry());
  }
  if (areas.empty()) return wanted;
  for (const QRect& area : areas) {
    const QRect seen = area.intersected(wanted);
    if (seen.width() >= std::min(MinimumVisible, wanted.width()) && seen.height() >= std::min(MinimumVisible, wanted.height()))
      return wanted;
  }
  const QRect* nearest = &areas.front();
  int64_t best = std::numeric_limits<int64_t>::max();
  for (const QRect& area : areas) {
    const int64_t d = DistanceSquared(area, wanted.center());
    if (d < best) {
      best = d;
      nearest = &area;
    }
  }
  return Inside(wanted, *nearest);
}

void Desktop::WriteBackGeometry(int32_t window, Shown& shown, GeometryChange change) {
  if (Applying || shown.Closing || !shown.Visible || !shown.Outer || !shown.View) return;
  if (shown.Outer->windowState() & Qt::WindowMinimized) return;
  const DialogUnits& units = shown.View->Units();
  if (shown.Outer->windowState() & Qt::WindowMaximized) {
    // The size to restore stays; the layouts follow what the window shows now.
    if (change != GeometryChange::Resized || shown.Type == Kind::Frame) return;
    const QSize inner = shown.Type == Kind::Child ? shown.View->size() : shown.Outer->size();
    const int32_t width = units.ToUnitsX(inner.width());
    const int32_t height = units.ToUnitsY(inner.height());
    if (width == shown.ShownWidth && height == shown.ShownHeight) return;
    shown.ShownWidth = width;
    shown.ShownHeight = height;
    WindowModel::SetPropInt(window, 0, Prop::ClientWidth, width);
    WindowModel::SetPropInt(window, 0, Prop::ClientHeight, height);
    WindowModel::Post(window, Event::Sized);
    return;
  }
  shown.ShownWidth = shown.ShownHeight = 0;
  QPoint pos = shown.Outer->pos();  // with the title bar, as it is placed again
  QSize size = shown.Outer->geometry().size();
  if (shown.Type == Kind::Child) {
    pos = shown.Outer->pos();
    size = shown.View->size();
  }
  Geometry now = shown.Applied;
  now.X = units.ToUnitsX(pos.x());
  now.Y = units.ToUnitsY(pos.y());
  now.Width = units.ToUnitsX(size.width());
  now.Height = units.ToUnitsY(size.height());
  if (now.X == shown.Applied.X && now.Y == shown.Applied.Y && now.Width == shown.Applied.Width &&
      now.Height == shown.Applied.Height)
    return;
  const Geometry was = shown.Applied;
  shown.Applied = now;
  if (now.X != was.X) WindowModel::SetPropInt(window, 0, Prop::XPos, now.X);
  if (now.Y != was.Y) WindowModel::SetPropInt(window, 0, Prop::YPos, now.Y);
  if (now.Width != was.Width) WindowModel::SetPropInt(window, 0, Prop::Width, now.Width);
  if (now.Height != was.Height) WindowModel::SetPropInt(window, 0, Prop::Height, now.Height);
  WindowModel::Post(window, change == GeometryChange::Resized ? Event::Sized : Event::Moved);
}

void Desktop::WriteBackState(int32_t window, Shown& shown) {
  if (Applying || shown.Closing || !shown.Outer) return;
  const bool maximized = shown.Outer->isMaximized();
  const bool minimized = shown.Outer->isMinimized();
  if (maximized == shown.Applied.Maximized && minimized == shown.Applied.Iconized) return;
  shown.Applied.Maximized = maximized && !minimized;
  shown.Applied.Iconized = minimized;
  if (minimized) {
    WindowModel::SetPropInt(window, 0, Prop::Iconize, 1);
    WindowModel::Post(window, Event::Iconized);
  } else if (maximized) {
    WindowModel::SetPropInt(window, 0, Prop::Maximize, 1);
    WindowModel::Post(window, Event::Maximized);
  } else {
    WindowModel::SetPropInt(window, 0, Prop::Maximize, 0);
    WindowModel::SetPropInt(window, 0, Prop::Iconize, 0);
    WindowModel::Post(window, Event::Restored);
  }
}

void Desktop::UpdateEnabled() {
  for (auto& [id, shown] : Windows) {
    if (!shown.View || !shown.Outer) continue;
    const bool takesInput = shown.BoxesOpen == 0 && WindowModel::TakesInput(id);
    if (shown.Type == Kind::Frame) FrameView->menuBar()->setEnabled(takesInput);
    else shown.View->setEnabled(takesInput);
  }
}

bool Desktop::eventFilter(QObject* watched, QEvent* event) {
  const int32_t window = WindowOf(watched);
  auto it = Windows.find(window);
  if (it == Windows.end()) return false;
  Shown& shown = it->second;
  switch (event->type()) {
    case QEvent::Close:
      if (shown.Closing) return false;
      // The program decides: the window closes when its loop has taken the close event.
      event->ignore();
      WindowModel::Input(window, 0, Event::CloseWindow);
      return true;
    case QEvent::Move:
      WriteBackGeometry(window, shown, GeometryChange::Moved);
      return false;
    case QEvent::Resize:
      WriteBackGeometry(window, shown, GeometryChange::Resized);
      return false;
    case QEvent::WindowStateChange:
      WriteBackState(window, shown);
      return false;
    case QEvent::Show:
      if (!shown.Visible) {
        shown.Visible = true;
        emit WindowShown(window);
      }
      return false;
    default:
      return false;
  }
}

// --- Message boxes and popup menus ---------------------------------------------------

void Desktop::ShowMessageBox(const MessageBoxRequest& request, int32_t owner, Answer answer) {
  QWidget* parent = ParentFor(owner);
  auto* box = new QMessageBox(parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  box->setWindowTitle(QtConversions::ToQt(request.Caption));
  box->setTextFormat(Qt::PlainText);
  box->setText(QtConversions::Lines(request.Text));
  if (IconMapper::IsStockCode(request.Icon)) {
    box->setIcon(IconMapper::MessageIconFor(request.Icon));
  } else if (!request.Icon.empty()) {
    box->setIconPixmap(IconMapper::IconFor(request.Icon).pixmap(QSize(MessageIconSize, MessageIconSize), box->devicePixelRatioF()));
  }
  auto values = std::make_shared<std::map<QAbstractButton*, int32_t>>();
  for (const ButtonMapping& b : Buttons) {
    if (!(request.Buttons & b.Value)) continue;
    QPushButton* button = box->addButton(b.Button);
    (*values)[button] = b.Value;
    if (b.Value == request.DefaultButton) box->setDefaultButton(button);
  }
  auto done = std::make_shared<bool>(false);
  const int32_t fallback = request.DefaultButton;
  connect(box, &QMessageBox::buttonClicked, this, [values, done, answer, fallback](QAbstractButton* button) {
    if (*done) return;
    *done = true;
    auto it = values->find(button);
    answer(it == values->end() ? fallback : it->second);
  });
  connect(box, &QDialog::finished, this, [this, owner, done, answer, fallback] {
    if (!*done) {
      *done = true;
      answer(fallback);
    }
    auto it = Windows.find(owner);
    if (it != Windows.end() && it->second.BoxesOpen > 0) --it->second.BoxesOpen;
    UpdateEnabled();
  });
  if (auto it = Windows.find(owner); it != Windows.end()) ++it->second.BoxesOpen;
  UpdateEnabled();
  box->show();
  box->raise();
  box->activateWindow();
}

void Desktop::ShowPopupMenu(const PopupMenu& popup, int32_t x, int32_t y, int32_t owner, Answer answer) {
  QWidget* parent = ParentFor(owner);
  auto* menu = new QMenu(parent);
  AddItems(menu, popup.Items());
  auto done = std::make_shared<bool>(false);
  connect(menu, &QMenu::triggered, this, [done, answer](QAction* action) {
    if (*done || !action->data().isValid()) return;
    *done = true;
    answer(action->data().toInt());
  });
  // The menu hides before the chosen item is triggered: the dismissal is known only
  // once the event that hid it has been handled.
  connect(menu, &QMenu::aboutToHide, this, [menu, done, answer] {
    QTimer::singleShot(0, menu, [menu, done, answer] {
      if (!*done) {
        *done = true;
        answer(0);
      }
      menu->deleteLater();
    });
  });
  QPoint at = QCursor::pos();
  if (x != 0 || y != 0) {
    if (WindowView* view = ViewOf(owner)) at = view->mapToGlobal(QPoint(view->Units().ToPixelsX(x), view->Units().ToPixelsY(y)));
  }
  menu->popup(at);
}

// --- Standard actions ------------------------------------------------------------------

void Desktop::CarryOut(FrameAction action, int32_t window) {
  switch (action) {
    case FrameAction::PrintSetup: {
      if (!Printer) Printer = std::make_unique<QPrinter>();
      auto* dialog = new QPageSetupDialog(Printer.get(), ParentFor(window));
      dialog->setAttribute(Qt::WA_DeleteOnClose);
      dialog->open();
      break;
    }
    case FrameAction::Exit:
      WindowModel::Post(window, Event::CloseWindow);
      break;
    case FrameAction::Cut:
    case FrameAction::Copy:
    case FrameAction::Paste:
      if (auto* entry = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
        if (action == FrameAction::Cut) entry->cut();
        else if (action == FrameAction::Copy) entry->copy();
        else entry->paste();
      }
      break;
    case FrameAction::Tile:
      if (FrameView) FrameView->Tile();
      break;
    case FrameAction::Cascade:
      if (FrameView) FrameView->Cascade();
      break;
    case FrameAction::ArrangeIcons:
      if (FrameView) FrameView->ArrangeIcons();
      break;
    case FrameAction::HelpContents:
    case FrameAction::HelpSearch:
    case FrameAction::HelpOnHelp:
    case FrameAction::None:
      break;  // help pages open from the caller's thread (QtFrontEnd)
  }
}

void Desktop::SetWaitCursor(bool on) {
  if (on && WaitCursors == 0) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    WaitCursors = 1;
  } else if (!on && WaitCursors > 0) {
    QApplication::restoreOverrideCursor();
    WaitCursors = 0;
  }
}

}  // namespace runtime::ui::qt
