#include "runtime/ui/qt/WindowView.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>

#include "runtime/ui/ControlType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/InputRouter.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/CellEditor.h"
#include "runtime/ui/qt/EntryValidator.h"
#include "runtime/ui/qt/IconMapper.h"
#include "runtime/ui/qt/ListView.h"
#include "runtime/ui/qt/QtConversions.h"

namespace runtime::ui::qt {
namespace {

constexpr std::string_view SeparatorText = "-";
constexpr std::string_view CheckedText = "1";
constexpr std::string_view UncheckedText = "0";

bool IsEntry(int32_t type) {
  return type == ControlType::Entry || type == ControlType::Text || type == ControlType::Spin || type == ControlType::Combo;
}

bool SameGeometry(const Control& a, const Control& b) {
  return a.X == b.X && a.Y == b.Y && a.Width == b.Width && a.Height == b.Height;
}

}  // namespace

WindowView::WindowView(int32_t window, QMenuBar* menuBar, QWidget* parent)
    : QWidget(parent), WindowId(window), Bar(menuBar) {
  setFocusPolicy(Qt::NoFocus);
}

QWidget* WindowView::WidgetOf(int32_t control) const {
  auto it = Controls.find(control);
  return it == Controls.end() ? nullptr : it->second.Widget.data();
}

QAction* WindowView::ActionOf(int32_t control) const {
  auto it = Controls.find(control);
  return it == Controls.end() ? nullptr : it->second.Action.data();
}

ListView* WindowView::ListOf(int32_t control) const {
  auto it = Controls.find(control);
  return it == Controls.end() ? nullptr : it->second.List;
}

void WindowView::Apply(const Window& window) {
  if (window.Font != FontName || window.FontSize != FontPoints) {
    FontName = window.Font;
    FontPoints = window.FontSize;
    const QFont font = QtConversions::FontFor(FontName, FontPoints);
    setFont(font);
    Metrics = DialogUnits(font);
    for (auto& [number, shown] : Controls) shown.Applied = false;  // every placement is redone
  }
  Desired = QSize(Metrics.ToPixelsX(window.Width), Metrics.ToPixelsY(window.Height) + MenuBarHeight);

  for (const Control& c : window.Controls) {
    if (!Controls.count(c.Number)) Create(window, c);
    auto it = Controls.find(c.Number);
    if (it != Controls.end()) Update(c, it->second);
  }
  std::vector<int32_t> gone;
  for (const auto& [number, shown] : Controls)
    if (!window.Find(number)) gone.push_back(number);
  for (int32_t number : gone) Remove(number);

  if (OwnBar && Bar) {
    MenuBarHeight = Bar->sizeHint().height();
    Bar->setGeometry(0, 0, std::max(width(), Desired.width()), MenuBarHeight);
  }
  if (window.Focus != AppliedFocus) {
    AppliedFocus = window.Focus;
    if (QWidget* w = WidgetOf(window.Focus)) w->setFocus(Qt::OtherFocusReason);
  }
}

void WindowView::Create(const Window& window, const Control& c) {
  Shown s;
  s.Type = c.Type;
  const QString text = QtConversions::ToQt(c.Text);
  QPoint offset;
  switch (c.Type) {
    case ControlType::MenuBar:
      if (!Bar) {
        Bar = new QMenuBar(this);
        OwnBar = true;
      }
      break;
    case ControlType::Menu: {
      auto parent = Controls.find(c.Parent);
      QMenu* menu = nullptr;
      if (parent != Controls.end() && parent->second.Menu) menu = parent->second.Menu->addMenu(text);
      else if (Bar) menu = Bar->addMenu(text);
      s.Menu = menu;
      s.Action = menu ? menu->menuAction() : nullptr;
      break;
    }
    case ControlType::Item: {
      auto parent = Controls.find(c.Parent);
      QWidget* owner = parent != Controls.end() && parent->second.Menu ? static_cast<QWidget*>(parent->second.Menu.data()) : Bar;
      if (!owner) break;
      auto* action = new QAction(text, owner);
      if (c.Text == SeparatorText) action->setSeparator(true);
      owner->addAction(action);
      const int32_t number = c.Number;
      connect(action, &QAction::triggered, this, [this, number] {
        CommitAll();
        WindowModel::Input(WindowId, number, Event::Accepted);
      });
      s.Action = action;
      break;
    }
    default: {
      QWidget* container = ContainerFor(c, offset);
      QWidget* widget = nullptr;
      const int32_t number = c.Number;
      switch (c.Type) {
        case ControlType::Button: {
          auto* button = new QPushButton(text, container);
          button->setAutoDefault(false);
          // A click leaves the focus where it was (on the list, in an entry): the
          // keyboard goes on acting on what the person was working in. Tab still
          // reaches the button.
          button->setFocusPolicy(Qt::TabFocus);
          connect(button, &QPushButton::clicked, this, [this, number] {
            CommitAll();
            WindowModel::Input(WindowId, number, Event::Accepted, Key::MouseLeft);
          });
          widget = button;
          break;
        }
        case ControlType::Prompt:
        case ControlType::String: {
          auto* label = new QLabel(text, container);
          label->setTextFormat(Qt::PlainText);
          widget = label;
          break;
        }
        case ControlType::Check: {
          auto* check = new QCheckBox(text, container);
          connect(check, &QCheckBox::clicked, this, [this, number](bool on) {
            WindowModel::TypeText(WindowId, number, on ? CheckedText : UncheckedText);
          });
          widget = check;
          break;
        }
        case ControlType::Radio: {
          auto* radio = new QRadioButton(text, container);
          connect(radio, &QRadioButton::clicked, this, [this, number] {
            WindowModel::Input(WindowId, number, Event::Accepted, Key::MouseLeft);
          });
          widget = radio;
          break;
        }
        case ControlType::Group:
        case ControlType::Option:
          widget = new QGroupBox(text, container);
          break;
        case ControlType::Box:
        case ControlType::Line: {
          auto* frame = new QFrame(container);
          frame->setFrameShape(c.Type == ControlType::Line ? QFrame::HLine : QFrame::Box);
          frame->setFrameShadow(QFrame::Sunken);
          widget = frame;
          break;
        }
        case ControlType::Image: {
          auto* label = new QLabel(container);
          label->setAlignment(Qt::AlignCenter);
          widget = label;
          break;
        }
        case ControlType::List:
          s.List = new ListView(WindowId, number, container);
          CellEditor::TrackColumns(*s.List, WindowId, number);
          widget = s.List;
          break;
        case ControlType::Sheet: {
          auto* sheet = new QTabWidget(container);
          connect(sheet, &QTabWidget::tabBarClicked, this, [this, number] {
            WindowModel::Input(WindowId, number, Event::NewSelection, Key::MouseLeft);
          });
          widget = sheet;
          break;
        }
        case ControlType::Tab: {
          auto parent = Controls.find(c.Parent);
          auto* sheet = parent != Controls.end() ? qobject_cast<QTabWidget*>(parent->second.Widget.data()) : nullptr;
          auto* page = new QWidget();
          if (sheet) sheet->addTab(page, text);
          else page->setParent(container);
          widget = page;
          break;
        }
        default:
          if (IsEntry(c.Type)) {
            auto* entry = new QLineEdit(container);
            connect(entry, &QLineEdit::editingFinished, this, [this, number] { CommitEntry(number); });
            connect(entry, &QLineEdit::textEdited, this, [this, number](const QString& now) {
              WindowModel::EditText(WindowId, number, QtConversions::FromQt(now));
            });
            widget = entry;
          } else {
            widget = new QWidget(container);  // regions, toolbars: room on the window
          }
          break;
      }
      s.Widget = widget;
      // Containers lie beneath the window's other controls whatever their place in the
      // definition: a tab sheet declared after the list it frames must not cover it.
      if (c.Type == ControlType::Sheet || c.Type == ControlType::Group || c.Type == ControlType::Option ||
          c.Type == ControlType::Box)
        widget->lower();
      if (c.Type == ControlType::List) Watch(s.List->Tree(), number);
      Watch(widget, number);
      break;
    }
  }
  (void)window;
  Controls[c.Number] = std::move(s);
}

QWidget* WindowView::ContainerFor(const Control& c, QPoint& offset) {
  offset = QPoint(0, -MenuBarHeight);
  auto parent = Controls.find(c.Parent);
  if (parent == Controls.end() || parent->second.Type != ControlType::Tab || !parent->second.Widget) return this;
  // Controls on a tab are placed in window coordinates like every other; the page
  // starts below the sheet's tab bar.
  auto sheet = Controls.find(parent->second.Last.Parent);
  if (sheet != Controls.end()) {
    const Control& s = sheet->second.Last;
    auto* tabs = qobject_cast<QTabWidget*>(sheet->second.Widget.data());
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int bar = tabs ? tabs->tabBar()->sizeHint().height() : 0;
    offset = QPoint(Metrics.ToPixelsX(s.X) + frame, Metrics.ToPixelsY(s.Y) + bar + frame - MenuBarHeight);
  }
  return parent->second.Widget;
}

void WindowView::Watch(QWidget* widget, int32_t control) {
  widget->installEventFilter(this);
  ByWidget[widget] = control;
}

void WindowView::Place(const Control& c, Shown& s) {
  if (!s.Widget || c.Type == ControlType::Tab) return;
  if (auto list = Controls.find(c.Parent); list != Controls.end() && list->second.List) {
    // An in-place editor sits over its cell, or out of sight while it edits none.
    const QRect cell = CellEditor::CellRect(list->second.Last, *list->second.List, c.Number, this);
    s.Widget->setGeometry(cell.isEmpty() ? QRect(0, 0, 0, 0) : cell);
    s.Widget->raise();
    return;
  }
  QPoint offset;
  ContainerFor(c, offset);
  QRect rect = Metrics.ToPixels(c.X, c.Y, c.Width, c.Height).translated(-offset);
  if (c.Width <= 0 || c.Height <= 0) {
    const QSize hint = s.Widget->sizeHint();
    if (c.Width <= 0) rect.setWidth(hint.width());
    if (c.Height <= 0) rect.setHeight(hint.height());
  }
  s.Widget->setGeometry(rect);
}

void WindowView::Update(const Control& c, Shown& s) {
  const bool first = !s.Applied;
  const Control& was = s.Last;
  const QString text = QtConversions::ToQt(c.Text);

  if (s.Action) {
    if (first || c.Text != was.Text) s.Action->setText(text);
    if (first || c.Message != was.Message) s.Action->setStatusTip(QtConversions::ToQt(c.Message));
    if (first || c.Icon != was.Icon) s.Action->setIcon(IconMapper::IconFor(c.Icon));
    s.Action->setEnabled(!c.Disabled);
    s.Action->setVisible(!c.Hidden);
  }
  if (s.Widget) {
    QWidget* w = s.Widget;
    if (first || c.Text != was.Text) {
      if (auto* b = qobject_cast<QPushButton*>(w)) b->setText(text);
      else if (auto* l = qobject_cast<QLabel*>(w); l && c.Type != ControlType::Image) l->setText(text);
      else if (auto* check = qobject_cast<QCheckBox*>(w)) check->setChecked(c.Text == CheckedText);
      else if (auto* radio = qobject_cast<QRadioButton*>(w)) radio->setText(text);
      else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(text);
      else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        // A redisplay shows the program's text; typing in progress is kept only while
        // the program shows the same text as before. The text typed so far, taken in
        // keystroke by keystroke, is left alone: setting it again would move the cursor.
        if (e->text() != text) {
          e->setText(text);
          e->setModified(false);
        }
      } else if (c.Type == ControlType::Tab) {
        if (auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
          tabs->setTabText(tabs->indexOf(w), text);
      }
    }
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
      if (first || c.Picture != was.Picture) {
        auto* old = e->validator();
        e->setValidator(c.Picture.empty() ? nullptr : new EntryValidator(c.Picture, e));
        delete old;
      }
      e->setReadOnly(c.ReadOnly);
    }
    if (first || c.Icon != was.Icon || !SameGeometry(c, was)) {
      const QIcon icon = IconMapper::IconFor(c.Icon);
      if (auto* b = qobject_cast<QPushButton*>(w)) b->setIcon(icon);
      else if (auto* l = qobject_cast<QLabel*>(w); l && c.Type == ControlType::Image) {
        const QSize size = Metrics.ToPixels(0, 0, c.Width, c.Height).size();
        l->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(size.isEmpty() ? QSize(32, 32) : size, devicePixelRatioF()));
      }
    }
    if (first || c.Message != was.Message || c.Tip != was.Tip) {
      // A control's own tip first; a button showing only an icon falls back to its message.
      const bool iconOnly = qobject_cast<QPushButton*>(w) && c.Text.empty();
      const std::string tip = !c.Tip.empty() ? c.Tip : iconOnly ? c.Message : std::string();
      w->setToolTip(QtConversions::ToQt(tip));
    }
    if (auto* b = qobject_cast<QPushButton*>(w)) b->setDefault(c.Default);
    if (first || !SameGeometry(c, was)) Place(c, s);
    if (c.Type == ControlType::Tab) {
      auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr);
      if (tabs) {
        tabs->setTabVisible(tabs->indexOf(w), !c.Hidden);
        tabs->setTabEnabled(tabs->indexOf(w), !c.Disabled);
      }
    } else {
      w->setEnabled(!c.Disabled);
      w->setVisible(!c.Hidden);
    }
    if (s.List) s.List->Apply(c, Metrics);
    // A message the program changes while its control has the focus (the count of
    // addresses opened) shows at once, not only when the focus next arrives.
    if (!first && c.Message != was.Message && (w->hasFocus() || w->underMouse())) emit StatusMessage(QtConversions::ToQt(c.Message));
  }
  s.Last = c;
  // The list's in-place editors follow its selected row.
  if (s.List)
    for (auto& [number, child] : Controls)
      if (child.Applied && child.Last.Parent == c.Number && child.Type == ControlType::Entry) Place(child.Last, child);
  s.Last.Rows.clear();
  s.Applied = true;
}

void WindowView::Remove(int32_t control) {
  auto it = Controls.find(control);
  if (it == Controls.end()) return;
  if (it->second.Menu) it->second.Menu->deleteLater();
  else if (it->second.Action) it->second.Action->deleteLater();
  if (it->second.Widget) it->second.Widget->deleteLater();
  Controls.erase(it);
  std::erase_if(ByWidget, [control](const auto& entry) { return entry.second == control; });
}

int32_t WindowView::ControlOfWidget(QObject* object) const {
  auto it = ByWidget.find(object);
  return it == ByWidget.end() ? 0 : it->second;
}

bool WindowView::CommitEntry(int32_t control) {
  auto* entry = qobject_cast<QLineEdit*>(WidgetOf(control));
  if (!entry || !entry->isModified()) return false;
  entry->setModified(false);
  // The model takes the focus to the entry it accepts; the user's focus has already
  // moved on, and stays where it is.
  AppliedFocus = control;
  WindowModel::TypeText(WindowId, control, QtConversions::FromQt(entry->text()));
  if (QWidget* focus = focusWidget(); focus && focus != entry) {
    if (const int32_t now = ControlOfWidget(focus)) {
      AppliedFocus = now;
      WindowModel::SetPropInt(WindowId, 0, Prop::Focus, now);
    }
  }
  return true;
}

int32_t WindowView::CommitAll() {
  int32_t focusedCommitted = 0;
  const int32_t focus = ControlOfWidget(focusWidget());
  for (auto& [number, shown] : Controls)
    if (IsEntry(shown.Type) && CommitEntry(number) && number == focus) focusedCommitted = number;
  return focusedCommitted;
}

bool WindowView::RouteKey(int32_t focus, int32_t key) {
  if (key == Key::None) return false;
  // What was typed reaches the model before the key that acts on it: Enter takes every
  // entry's typing, an alert key the typing of the entry it is pressed in.
  bool accepted = false;
  if (key == Key::Enter) {
    accepted = CommitAll() != 0;
  } else if (auto it = Controls.find(focus); it != Controls.end()) {
    for (const auto& [slot, k] : it->second.Last.Alerts)
      if (k == key) CommitEntry(focus);
  }
  // The key goes where it was pressed, even before the model has heard of the focus.
  return InputRouter::Key(WindowId, key, focus, accepted ? EntryAccepted::Already : EntryAccepted::No).Routed;
}

bool WindowView::eventFilter(QObject* watched, QEvent* event) {
  const int32_t control = ControlOfWidget(watched);
  if (control == 0) return false;
  switch (event->type()) {
    case QEvent::KeyPress: {
      const int32_t key = QtConversions::KeyCodeOf(*static_cast<QKeyEvent*>(event));
      return RouteKey(control, key);
    }
    case QEvent::FocusIn: {
      auto it = Controls.find(control);
      if (it != Controls.end()) emit StatusMessage(QtConversions::ToQt(it->second.Last.Message));
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason != Qt::OtherFocusReason && reason != Qt::ActiveWindowFocusReason && AppliedFocus != control) {
        AppliedFocus = control;
        WindowModel::Select(WindowId, control);
      }
      return false;
    }
    case QEvent::Enter: {
      auto it = Controls.find(control);
      if (it != Controls.end() && !it->second.Last.Message.empty())
        emit StatusMessage(QtConversions::ToQt(it->second.Last.Message));
      return false;
    }
    case QEvent::Leave:
      emit StatusMessage(QString());
      return false;
    default:
      return false;
  }
}

void WindowView::keyPressEvent(QKeyEvent* event) {
  if (RouteKey(ControlOfWidget(focusWidget()), QtConversions::KeyCodeOf(*event))) return;
  QWidget::keyPressEvent(event);
}

}  // namespace runtime::ui::qt
