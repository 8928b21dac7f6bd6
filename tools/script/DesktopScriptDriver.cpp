#include "tools/script/DesktopScriptDriver.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <thread>
#include <utility>

#include "app/Program.h"
#include "runtime/core/Process.h"
#include "runtime/ui/ControlType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventQueues.h"
#include "runtime/ui/FrameAction.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/MessageBoxRequest.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/PopupMenu.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/FrameWindow.h"
#include "runtime/ui/qt/ListView.h"
#include "runtime/ui/qt/QtConversions.h"
#include "runtime/ui/qt/WindowView.h"
#include "tools/script/Layout.h"

namespace tools::script {
namespace {

using runtime::ui::Control;
using runtime::ui::ControlType;
using runtime::ui::MessageBoxRequest;
using runtime::ui::WindowModel;
using runtime::ui::qt::QtConversions;
using Clock = std::chrono::steady_clock;
constexpr auto PollPeriod = std::chrono::milliseconds(2);
// How soon a box or progress window that was not ready for its answer is tried again.
constexpr auto RetryPeriod = std::chrono::milliseconds(10);

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }
std::string Text(const QString& text) { return QtConversions::FromQt(text); }

// Hands every shown widget to the driver.
class ShowWatcher : public QObject {
 public:
  explicit ShowWatcher(DesktopScriptDriver& driver) : Driver(driver) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType()) Driver.OnShown(static_cast<QWidget*>(watched));
    return false;
  }

 private:
  DesktopScriptDriver& Driver;
};

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

// The button of a box that gives `value`; null when the box has none.
QAbstractButton* ButtonOf(const QMessageBox& box, int32_t value) {
  for (const ButtonMapping& b : Buttons)
    if (b.Value == value) return box.button(b.Button);
  return nullptr;
}

int MenuDepth(const runtime::ui::Window& w, const Control& c) {
  int depth = 0;
  const Control* at = &c;
  while (at && at->Parent != 0 && (at->Type == ControlType::Menu || at->Type == ControlType::Item) && depth < 16) {
    at = w.Find(at->Parent);
    ++depth;
  }
  return depth;
}

// The tab widget a tab page sits in.
QTabWidget* SheetOf(QWidget* page) {
  return qobject_cast<QTabWidget*>(page && page->parentWidget() ? page->parentWidget()->parentWidget() : nullptr);
}

// What a control's widget shows as its text.
std::string ShownText(const Control& c, QWidget* w, QAction* action) {
  if (action) return Text(action->text());
  if (!w) return c.Text;
  if (auto* b = qobject_cast<QAbstractButton*>(w); b && !qobject_cast<QCheckBox*>(w)) return Text(b->text());
  if (auto* check = qobject_cast<QCheckBox*>(w)) return check->isChecked() ? "1" : "0";
  if (auto* e = qobject_cast<QLineEdit*>(w)) return Text(e->text());
  if (auto* g = qobject_cast<QGroupBox*>(w)) return Text(g->title());
  if (auto* l = qobject_cast<QLabel*>(w); l && c.Type != ControlType::Image) return Text(l->text());
  if (c.Type == ControlType::Tab)
    if (QTabWidget* tabs = SheetOf(w)) return Text(tabs->tabText(tabs->indexOf(w)));
  return c.Type == ControlType::Image ? c.Text : std::string();
}

// A popup item as the menu shows it: its text, and the key text after the tab.
struct MenuItemText {
  std::string Text;
  std::string Key;
};

MenuItemText ShownItem(const QAction& action) {
  const QString text = action.text();
  const qsizetype tab = text.indexOf('\t');
  if (tab < 0) return {Text(text), {}};
  return {Text(text.left(tab)), Text(text.mid(tab + 1))};
}

// The menu in PopupMenu::Print's layout, read from its actions.
std::string PrintMenu(const QMenu& menu, int depth = 0) {
  const std::string indent(static_cast<size_t>(depth) * 2, ' ');
  std::string out;
  for (QAction* action : menu.actions()) {
    const MenuItemText shown = ShownItem(*action);
    if (action->isSeparator()) {
      out += indent + "- (separator)\n";
    } else if (QMenu* sub = action->menu()) {
      out += indent + shown.Text + " {\n" + PrintMenu(*sub, depth + 1) + indent + "}\n";
    } else {
      out += indent + std::to_string(action->data().toInt()) + " " + shown.Text;
      if (!shown.Key.empty()) out += " [" + shown.Key + "]";
      if (action->isCheckable() && action->isChecked()) out += " (checked)";
      if (!action->isEnabled()) out += " (disabled)";
      out += "\n";
    }
  }
  return out;
}

}  // namespace

DesktopScriptDriver::DesktopScriptDriver(runtime::ui::qt::Desktop& desktop,
                                         std::shared_ptr<runtime::ui::qt::QtFrontEnd> frontEnd,
                                         std::chrono::milliseconds timeout)
    : Screen(desktop), Front(std::move(frontEnd)), Watcher(std::make_unique<ShowWatcher>(*this)), Timeout(timeout) {
  QApplication::instance()->installEventFilter(Watcher.get());
}

DesktopScriptDriver::~DesktopScriptDriver() {
  if (QApplication::instance()) QApplication::instance()->removeEventFilter(Watcher.get());
}

void DesktopScriptDriver::OnGui(const std::function<void()>& work) const {
  if (QThread::currentThread() == QApplication::instance()->thread()) {
    work();
    return;
  }
  QMetaObject::invokeMethod(QApplication::instance(), work, Qt::BlockingQueuedConnection);
}

DriverResult DesktopScriptDriver::Fail(std::string message) {
  std::lock_guard lock(Lock);
  Last = message;
  return DriverResult::Failure(std::move(message));
}

bool DesktopScriptDriver::Start(std::string& why) {
  runtime::ui::FrontEnd::Install(Front);
  if (runtime::core::Process::Launch(app::Program::Table(), app::Program::MainProcedure)) return true;
  why = "the program could not be started";
  return false;
}

bool DesktopScriptDriver::ShutDown(std::string_view frameTitle, std::string& why) {
  bool ok = true;
  const int32_t frame = WindowModel::FindByTitle(frameTitle);
  if (frame != 0) {
    (void)Close(frame);
    const auto deadline = Clock::now() + Timeout;
    while (WindowModel::Exists(frame) && Clock::now() < deadline) std::this_thread::sleep_for(PollPeriod);
    if (WindowModel::Exists(frame)) {
      why = "the frame did not close within " + std::to_string(Timeout.count()) +
            " ms (a window declined); the program was stopped";
      // What held it open, when it is a box still waiting for its answer.
      OnGui([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
          if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            why += "; message box " + Quoted(Text(box->windowTitle())) + " saying " + Quoted(Text(box->text())) + " is open";
      });
      ok = false;
      Front->Shutdown();
      WindowModel::CloseAll();
    }
  }
  runtime::core::Process::Wait();
  return ok;
}

void DesktopScriptDriver::SetTimeout(std::chrono::milliseconds timeout) { Timeout = timeout; }

void DesktopScriptDriver::Settle() const {
  // Changes the program made before it came to rest were handed to the GUI thread before
  // this call; running one call there after them shows them all.
  OnGui([] { QCoreApplication::processEvents(); });
}

int32_t DesktopScriptDriver::FindWindow(std::string_view title) {
  const auto deadline = Clock::now() + Timeout;
  const QString wanted = QtConversions::ToQt(title);
  for (;;) {
    const int32_t id = WindowModel::FindByTitle(title);
    if (id != 0) {
      const auto snapshot = WindowModel::Snapshot(id);
      const bool atRest = !snapshot || runtime::ui::EventQueues::ThreadAtRest(snapshot->Thread);
      bool shown = false;
      if (atRest)
        OnGui([&] {
          QWidget* outer = Screen.OuterOf(id);
          shown = outer && outer->isVisible() && outer->windowTitle() == wanted;
        });
      if (shown) {
        Settle();
        return id;
      }
    }
    if (Clock::now() >= deadline) break;
    std::this_thread::sleep_for(PollPeriod);
  }
  std::string titles;
  for (int32_t id : WindowModel::Windows()) titles += (titles.empty() ? "" : ", ") + Quoted(WindowModel::GetProp(id, 0, runtime::ui::Prop::Text));
  Fail("no window titled " + Quoted(title) + " within " + std::to_string(Timeout.count()) +
       " ms; open windows: " + (titles.empty() ? "none" : titles));
  return 0;
}

DriverResult DesktopScriptDriver::WaitClosedTitle(std::string_view title) {
  const auto deadline = Clock::now() + Timeout;
  const QString wanted = QtConversions::ToQt(title);
  for (;;) {
    bool shown = WindowModel::FindByTitle(title) != 0;
    if (!shown)
      OnGui([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
          if (w->isVisible() && w->windowTitle() == wanted) shown = true;
      });
    if (!shown) return DriverResult::Success();
    if (Clock::now() >= deadline)
      return Fail("window " + Quoted(title) + " still open after " + std::to_string(Timeout.count()) + " ms");
    std::this_thread::sleep_for(PollPeriod);
  }
}

bool DesktopScriptDriver::Exists(int32_t window) const { return WindowModel::Exists(window); }

DriverResult DesktopScriptDriver::WaitIdle() {
  if (!runtime::ui::EventQueues::WaitIdle(Timeout))
    return Fail("threads still busy after " + std::to_string(Timeout.count()) + " ms");
  Settle();
  return DriverResult::Success();
}

int32_t DesktopScriptDriver::Resolve(int32_t window, std::string_view control, std::string& failure) const {
  auto w = WindowModel::Snapshot(window);
  if (!w) {
    failure = "window " + std::to_string(window) + " is not open";
    return 0;
  }
  if (const Control* c = w->Find(control)) return c->Number;
  for (const Control& c : w->Controls)
    if (!c.Text.empty() && (c.Text == control || runtime::ui::PopupMenu::PlainText(c.Text) == control)) return c.Number;
  if (const Control* c = w->Find("?" + std::string(control))) return c->Number;
  failure = "window " + Quoted(w->Title) + " has no control " + Quoted(control);
  return 0;
}

DriverResult DesktopScriptDriver::OnControl(int32_t window, std::string_view control,
                                            const std::function<DriverResult(int32_t, QWidget*)>& act) {
  std::string failure;
  const int32_t number = Resolve(window, control, failure);
  if (number == 0) return Fail(failure);
  DriverResult result;
  OnGui([&] {
    runtime::ui::qt::WindowView* view = Screen.ViewOf(window);
    if (!view) {
      result = DriverResult::Failure("window " + std::to_string(window) + " is not on the screen");
      return;
    }
    result = act(number, view->WidgetOf(number));
  });
  if (!result) return Fail(result.Message);
  return result;
}

DriverResult DesktopScriptDriver::ChooseMenu(int32_t window, std::string_view item) {
  return OnControl(window, item, [&](int32_t number, QWidget*) {
    QAction* action = Screen.ViewOf(window)->ActionOf(number);
    if (!action || action->menu()) return DriverResult::Failure(Quoted(item) + " is not a menu item");
    if (!action->isEnabled()) return DriverResult::Failure("menu item " + Quoted(item) + " is disabled");
    if (Screen.Frame() && Screen.OuterOf(window) == Screen.Frame() && !Screen.Frame()->menuBar()->isEnabled())
      return DriverResult::Failure("window does not take input");
    action->trigger();
    return DriverResult::Success();
  });
}

DriverResult DesktopScriptDriver::Press(int32_t window, std::string_view button) {
  return OnControl(window, button, [&](int32_t, QWidget* widget) {
    if (!widget || !widget->isVisible()) return DriverResult::Failure("control " + Quoted(button) + " is not shown");
    if (!widget->isEnabled()) return DriverResult::Failure("control " + Quoted(button) + " takes no input");
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    return DriverResult::Success();
  });
}

DriverResult DesktopScriptDriver::Type(int32_t window, std::string_view entry, std::string_view text) {
  return TypeInto(window, entry, text, Leave::Yes);
}

DriverResult DesktopScriptDriver::Edit(int32_t window, std::string_view entry, std::string_view text) {
  return TypeInto(window, entry, text, Leave::No);
}

DriverResult DesktopScriptDriver::TypeInto(int32_t window, std::string_view entry, std::string_view text, Leave leave) {
  return OnControl(window, entry, [&](int32_t, QWidget* widget) {
    auto* edit = qobject_cast<QLineEdit*>(widget);
    if (!edit) return DriverResult::Failure("control " + Quoted(entry) + " does not take typing");
    if (!edit->isEnabled() || edit->isReadOnly()) return DriverResult::Failure("control " + Quoted(entry) + " takes no typing");
    edit->activateWindow();
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, QtConversions::ToQt(text));
    // Leaving the entry hands its text to the program.
    if (leave == Leave::Yes) emit edit->editingFinished();
    return DriverResult::Success();
  });
}

DriverResult DesktopScriptDriver::OnRow(int32_t window, std::string_view list, int32_t row,
                                        const std::function<void(QWidget*, const QPoint&)>& act) {
  return OnControl(window, list, [&](int32_t number, QWidget*) {
    runtime::ui::qt::ListView* view = Screen.ViewOf(window)->ListOf(number);
    if (!view) return DriverResult::Failure("control " + Quoted(list) + " is not a list");
    QTreeWidget* tree = view->Tree();
    if (row < 1 || row > tree->topLevelItemCount())
      return DriverResult::Failure("list " + Quoted(list) + " has no row " + std::to_string(row) + " (it shows " +
                                   std::to_string(tree->topLevelItemCount()) + ")");
    if (!tree->isEnabled()) return DriverResult::Failure("list " + Quoted(list) + " takes no input");
    act(tree->viewport(), tree->visualItemRect(tree->topLevelItem(row - 1)).center());
    return DriverResult::Success();
  });
}

DriverResult DesktopScriptDriver::SelectRow(int32_t window, std::string_view list, int32_t row) {
  return OnRow(window, list, row, [](QWidget* viewport, const QPoint& at) { QTest::mouseClick(viewport, Qt::LeftButton, {}, at); });
}

DriverResult DesktopScriptDriver::DoubleClickRow(int32_t window, std::string_view list, int32_t row) {
  return OnRow(window, list, row, [](QWidget* viewport, const QPoint& at) { QTest::mouseDClick(viewport, Qt::LeftButton, {}, at); });
}

DriverResult DesktopScriptDriver::RightClickRow(int32_t window, std::string_view list, int32_t row) {
  return OnRow(window, list, row, [](QWidget* viewport, const QPoint& at) { QTest::mouseClick(viewport, Qt::RightButton, {}, at); });
}

DriverResult DesktopScriptDriver::Focus(int32_t window, std::string_view control) {
  return OnControl(window, control, [&](int32_t number, QWidget* widget) {
    if (!widget) return DriverResult::Failure("control " + Quoted(control) + " is not shown");
    runtime::ui::qt::ListView* list = Screen.ViewOf(window)->ListOf(number);
    QWidget* target = list ? static_cast<QWidget*>(list->Tree()) : widget;
    target->activateWindow();
    target->setFocus(Qt::MouseFocusReason);
    // Without a focused top-level window Qt records the focus without telling anyone:
    // the program hears of it as it would of a click.
    if (WindowModel::GetPropInt(window, 0, runtime::ui::Prop::Focus) != number) {
      WindowModel::SetKeyCode(runtime::ui::Key::MouseLeft);
      WindowModel::Select(window, number);
    }
    return DriverResult::Success();
  });
}

DriverResult DesktopScriptDriver::PressKey(int32_t window, int32_t key) {
  Qt::KeyboardModifiers modifiers;
  const int qtKey = QtConversions::QtKeyOf(key, modifiers);
  if (qtKey == 0) return Fail("key " + std::to_string(key) + " has no key on the desktop");
  DriverResult result;
  OnGui([&] {
    runtime::ui::qt::WindowView* view = Screen.ViewOf(window);
    if (!view) {
      result = DriverResult::Failure("window " + std::to_string(window) + " is not on the screen");
      return;
    }
    // The key goes where the keyboard's focus is in that window: the focused widget, or
    // the widget of the control the program gave the focus.
    QWidget* target = view->focusWidget();
    if (!target || view->ControlOfWidget(target) == 0) {
      const auto focus = static_cast<int32_t>(WindowModel::GetPropInt(window, 0, runtime::ui::Prop::Focus));
      if (runtime::ui::qt::ListView* list = view->ListOf(focus)) target = list->Tree();
      else target = view->WidgetOf(focus);
    }
    if (!target) target = view;
    QTest::keyClick(target, static_cast<Qt::Key>(qtKey), modifiers);
  });
  if (!result) return Fail(result.Message);
  return result;
}

DriverResult DesktopScriptDriver::Close(int32_t window) {
  DriverResult result;
  OnGui([&] {
    QWidget* outer = Screen.OuterOf(window);
    if (!outer) result = DriverResult::Failure("window " + std::to_string(window) + " is not on the screen");
    else outer->close();
  });
  if (!result) return Fail(result.Message);
  return result;
}

DriverResult DesktopScriptDriver::Reshape(int32_t window, Shape shape) {
  DriverResult result;
  OnGui([&] {
    QWidget* outer = Screen.OuterOf(window);
    if (!outer) {
      result = DriverResult::Failure("window " + std::to_string(window) + " is not on the screen");
      return;
    }
    if (shape == Shape::Maximized) outer->showMaximized();
    else outer->showNormal();
  });
  if (!result) return Fail(result.Message);
  // The program lays the window out again; wait until it has, and the screen shows it.
  if (!runtime::ui::EventQueues::WaitIdle(Timeout)) return Fail("threads still busy after " + std::to_string(Timeout.count()) + " ms");
  Settle();
  return result;
}

DriverResult DesktopScriptDriver::CheckLayout(int32_t window) {
  const auto w = WindowModel::Snapshot(window);
  if (!w) return Fail("window " + std::to_string(window) + " is not open");
  DriverResult result;
  OnGui([&] {
    runtime::ui::qt::WindowView* view = Screen.ViewOf(window);
    if (!view) {
      result = DriverResult::Failure("window " + std::to_string(window) + " is not on the screen");
      return;
    }
    std::vector<LaidOut> placed;
    for (const Control& c : w->Controls) {
      QWidget* widget = view->WidgetOf(c.Number);
      if (!widget || widget->isHidden() || IsContainer(c.Type)) continue;
      const QPoint at = widget->mapTo(view, QPoint(0, 0));
      placed.push_back({c.Name, at.x(), at.y(), widget->width(), widget->height()});
    }
    result = CheckPlaced(placed, view->width(), view->height());
  });
  if (!result) return Fail(result.Message);
  return result;
}

// --- Message boxes and popup menus ------------------------------------------------------

void DesktopScriptDriver::OnShown(QWidget* widget) {
  if (Seen.count(widget)) return;
  if (auto* box = qobject_cast<QMessageBox*>(widget)) {
    Seen.insert(widget);
    QObject::connect(box, &QObject::destroyed, Watcher.get(), [this, widget] { Seen.erase(widget); });
    {
      std::lock_guard lock(Lock);
      Boxes.push_back({Text(box->windowTitle()), Text(box->text())});
    }
    OpenBoxes.emplace_back(box);
  } else if (auto* menu = qobject_cast<QMenu*>(widget);
             menu && !qobject_cast<QMenuBar*>(menu->parentWidget()) && !qobject_cast<QMenu*>(menu->parentWidget())) {
    // A context menu (the menu bar's menus and submenus are not popups of the program).
    Seen.insert(widget);
    QObject::connect(menu, &QObject::destroyed, Watcher.get(), [this, widget] { Seen.erase(widget); });
    {
      std::lock_guard lock(Lock);
      Menus.push_back(PrintMenu(*menu));
    }
    OpenMenus.emplace_back(menu);
  } else if (auto* chooser = qobject_cast<QFileDialog*>(widget)) {
    Seen.insert(widget);
    QObject::connect(chooser, &QObject::destroyed, Watcher.get(), [this, widget] { Seen.erase(widget); });
    OpenFileDialogs.emplace_back(chooser);
  } else if (auto* progress = qobject_cast<QProgressDialog*>(widget)) {
    // Shown as long as the work runs: no answer is awaited, so no time limit.
    Seen.insert(widget);
    QObject::connect(progress, &QObject::destroyed, Watcher.get(), [this, widget] { Seen.erase(widget); });
    OpenProgress.emplace_back(progress);
    QTimer::singleShot(0, Watcher.get(), [this] { AnswerOpen(); });
    return;
  } else {
    return;
  }
  QPointer<QWidget> guarded(widget);
  QTimer::singleShot(Timeout, Watcher.get(), [this, guarded] {
    if (guarded) TimedOut(guarded);
  });
  // Answered once it is fully on the screen.
  QTimer::singleShot(0, Watcher.get(), [this] { AnswerOpen(); });
}

void DesktopScriptDriver::TimedOut(QWidget* widget) {
  for (auto& box : OpenBoxes)
    if (box == widget) {
      std::lock_guard lock(Lock);
      FailureTexts.push_back("no answer for message box " + Quoted(Text(box->windowTitle())));
    }
  for (auto& menu : OpenMenus)
    if (menu == widget) {
      std::lock_guard lock(Lock);
      FailureTexts.push_back("no answer for popup menu");
    }
  for (auto& chooser : OpenFileDialogs)
    if (chooser == widget) {
      std::lock_guard lock(Lock);
      FailureTexts.push_back("no answer for file chooser " + Quoted(Text(chooser->windowTitle())));
    }
  std::erase_if(OpenBoxes, [widget](const QPointer<QMessageBox>& b) { return !b || b == widget; });
  std::erase_if(OpenMenus, [widget](const QPointer<QMenu>& m) { return !m || m == widget; });
  std::erase_if(OpenFileDialogs, [widget](const QPointer<QFileDialog>& d) { return !d || d == widget; });
  widget->close();
}

void DesktopScriptDriver::AnswerOpen() {
  std::erase_if(OpenBoxes, [](const QPointer<QMessageBox>& b) { return !b || !b->isVisible(); });
  std::erase_if(OpenMenus, [](const QPointer<QMenu>& m) { return !m || !m->isVisible(); });
  for (;;) {
    int32_t button = 0;
    {
      std::lock_guard lock(Lock);
      if (OpenBoxes.empty() || BoxAnswers.empty()) break;
      button = BoxAnswers.front();
    }
    QPointer<QMessageBox> box = OpenBoxes.front();
    // A box just shown may not have laid out its buttons yet, and a click on a button
    // without a size is lost (as it would be for a person): answer once it has one.
    if (QAbstractButton* shown = ButtonOf(*box, button); shown && shown->rect().isEmpty()) {
      AnswerLater();
      break;
    }
    if (AnswerBox(box, button) == Clicked::NotTaken) {
      AnswerLater();
      break;
    }
    OpenBoxes.pop_front();
    std::lock_guard lock(Lock);
    BoxAnswers.pop_front();
  }
  for (;;) {
    PopupAnswer answer;
    {
      std::lock_guard lock(Lock);
      if (OpenMenus.empty() || MenuAnswers.empty()) break;
      answer = MenuAnswers.front();
      MenuAnswers.pop_front();
    }
    QPointer<QMenu> menu = OpenMenus.front();
    OpenMenus.pop_front();
    AnswerMenu(menu, answer);
  }
  std::erase_if(OpenFileDialogs, [](const QPointer<QFileDialog>& d) { return !d || !d->isVisible(); });
  for (;;) {
    std::optional<std::string> path;
    {
      std::lock_guard lock(Lock);
      if (OpenFileDialogs.empty() || FileAnswers.empty()) break;
      path = FileAnswers.front();
      FileAnswers.pop_front();
    }
    QPointer<QFileDialog> chooser = OpenFileDialogs.front();
    OpenFileDialogs.pop_front();
    AnswerFile(chooser, path);
  }
  std::erase_if(OpenProgress, [](const QPointer<QProgressDialog>& p) { return !p || !p->isVisible(); });
  for (;;) {
    {
      std::lock_guard lock(Lock);
      if (OpenProgress.empty() || ProgressCancels == 0) break;
      --ProgressCancels;
    }
    QPointer<QProgressDialog> progress = OpenProgress.front();
    auto* cancel = progress->findChild<QPushButton*>();
    if (cancel && !cancel->rect().isEmpty()) QTest::mouseClick(cancel, Qt::LeftButton);
    if (cancel && progress && !progress->wasCanceled()) {
      // Not laid out yet, or the click was lost: the progress window waits for it.
      std::lock_guard lock(Lock);
      ++ProgressCancels;
      AnswerLater();
      break;
    }
    OpenProgress.pop_front();
  }
}

void DesktopScriptDriver::AnswerLater() {
  if (AnswerPending) return;
  AnswerPending = true;
  QTimer::singleShot(RetryPeriod, Watcher.get(), [this] {
    AnswerPending = false;
    AnswerOpen();
  });
}

void DesktopScriptDriver::AnswerFile(QFileDialog* chooser, const std::optional<std::string>& path) {
  auto* name = chooser->findChild<QLineEdit*>("fileNameEdit");
  if (!path || !name) {
    if (path) {
      std::lock_guard lock(Lock);
      FailureTexts.push_back("file chooser " + Quoted(Text(chooser->windowTitle())) + " has no name to type into");
    }
    chooser->reject();
    return;
  }
  // As a person would, the kind of file the name is of is chosen first (the dialog
  // only takes names its kind shows): the first kind whose patterns match it.
  const QString fileName = QFileInfo(QtConversions::ToQt(*path)).fileName();
  for (const QString& kind : chooser->nameFilters()) {
    const qsizetype from = kind.lastIndexOf('(');
    const qsizetype to = kind.lastIndexOf(')');
    if (from < 0 || to < from) continue;
    const QStringList patterns = kind.mid(from + 1, to - from - 1).split(' ', Qt::SkipEmptyParts);
    if (QDir::match(patterns, fileName)) {
      chooser->selectNameFilter(kind);
      break;
    }
  }
  name->setFocus(Qt::OtherFocusReason);
  name->selectAll();
  QTest::keyClick(name, Qt::Key_Delete);
  QTest::keyClicks(name, QtConversions::ToQt(*path));
  // Enter takes the name. The dialog enables its Open (Save) button only once it has
  // looked the name up in the folder it reads in the background, and Enter does
  // nothing before; what the button then does (accept) is done when Enter did not.
  QPointer<QFileDialog> open(chooser);
  QTest::keyClick(name, Qt::Key_Return);
  if (open && open->isVisible()) {
    // The save dialog may still take the folder for the answer until it has read it.
    open->selectFile(QtConversions::ToQt(*path));
    QMetaObject::invokeMethod(open.data(), "accept", Qt::DirectConnection);
  }
  if (open && open->isVisible()) {
    std::lock_guard lock(Lock);
    FailureTexts.push_back("file chooser " + Quoted(Text(chooser->windowTitle())) + " did not take " + Quoted(*path));
  }
}

void DesktopScriptDriver::AnswerFileChooser(std::optional<std::string> path) {
  {
    std::lock_guard lock(Lock);
    FileAnswers.push_back(std::move(path));
  }
  OnGui([this] { AnswerOpen(); });
}

void DesktopScriptDriver::CancelProgress() {
  {
    std::lock_guard lock(Lock);
    ++ProgressCancels;
  }
  OnGui([this] { AnswerOpen(); });
}

DesktopScriptDriver::Clicked DesktopScriptDriver::AnswerBox(QMessageBox* box, int32_t button) {
  if (QAbstractButton* shown = ButtonOf(*box, button)) {
    QPointer<QMessageBox> open(box);
    QTest::mouseClick(shown, Qt::LeftButton);
    // A click the box took closes it before the click returns.
    return open && open->isVisible() ? Clicked::NotTaken : Clicked::Taken;
  }
  {
    std::lock_guard lock(Lock);
    FailureTexts.push_back("message box " + Quoted(Text(box->windowTitle())) + " has no button " + std::to_string(button));
  }
  box->close();
  return Clicked::Taken;
}

void DesktopScriptDriver::AnswerMenu(QMenu* menu, const PopupAnswer& answer) {
  std::function<QAction*(QMenu*)> find = [&](QMenu* in) -> QAction* {
    for (QAction* action : in->actions()) {
      if (QMenu* sub = action->menu()) {
        if (QAction* found = find(sub)) return found;
        continue;
      }
      if (action->isSeparator()) continue;
      const bool matches = answer.Text.empty()
                               ? action->data().toInt() == answer.Number
                               : runtime::ui::PopupMenu::PlainText(ShownItem(*action).Text) == answer.Text;
      if (matches) return action;
    }
    return nullptr;
  };
  QAction* chosen = answer.Text.empty() && answer.Number == 0 ? nullptr : find(menu);
  if (!chosen && !(answer.Text.empty() && answer.Number == 0)) {
    std::lock_guard lock(Lock);
    FailureTexts.push_back("popup menu has no item " + (answer.Text.empty() ? std::to_string(answer.Number) : Quoted(answer.Text)));
  }
  if (chosen && chosen->isEnabled()) chosen->trigger();
  menu->close();
}

void DesktopScriptDriver::AnswerMessageBox(int32_t button) {
  {
    std::lock_guard lock(Lock);
    BoxAnswers.push_back(button);
  }
  OnGui([this] { AnswerOpen(); });
}

void DesktopScriptDriver::AnswerPopup(int32_t number) {
  {
    std::lock_guard lock(Lock);
    MenuAnswers.push_back({number, {}});
  }
  OnGui([this] { AnswerOpen(); });
}

void DesktopScriptDriver::AnswerPopup(std::string text) {
  {
    std::lock_guard lock(Lock);
    MenuAnswers.push_back({0, std::move(text)});
  }
  OnGui([this] { AnswerOpen(); });
}

std::vector<std::string> DesktopScriptDriver::PopupMenus() const {
  std::lock_guard lock(Lock);
  return Menus;
}

std::vector<ScriptDriver::ShownBox> DesktopScriptDriver::MessageBoxes() const {
  std::lock_guard lock(Lock);
  return Boxes;
}

// --- Reading back ------------------------------------------------------------------------

std::string DesktopScriptDriver::Print(int32_t window) {
  const auto w = WindowModel::Snapshot(window);
  if (!w) return "no window " + std::to_string(window) + "\n";
  std::string out;
  OnGui([&] {
    runtime::ui::qt::WindowView* view = Screen.ViewOf(window);
    QWidget* outer = Screen.OuterOf(window);
    if (!view || !outer) {
      out = "no window " + std::to_string(window) + " on the screen\n";
      return;
    }
    const runtime::ui::qt::DialogUnits& units = view->Units();
    const auto* sub = qobject_cast<QMdiSubWindow*>(outer);
    const bool frame = Screen.Frame() == outer;
    // The size a window has when neither maximized nor minimized, as the program keeps it.
    const bool normal = !outer->isMaximized() && !outer->isMinimized();
    const QSize size = frame ? outer->size() : view->size();
    const int32_t width = normal && w->Width != 0 ? units.ToUnitsX(size.width()) : w->Width;
    const int32_t height = normal && w->Height != 0 ? units.ToUnitsY(size.height()) : w->Height;
    out = "window \"" + Text(outer->windowTitle()) + "\" " + std::to_string(width) + "x" + std::to_string(height);
    if (outer->isMaximized()) out += " maximized";
    if (outer->isMinimized()) out += " iconized";
    if (sub) out += " in-frame";
    const bool covered = frame ? !static_cast<runtime::ui::qt::FrameWindow*>(outer)->menuBar()->isEnabled() : !view->isEnabled();
    if (covered) out += " covered";
    out += "\n";
    const int32_t focus = view->ControlOfWidget(view->focusWidget());
    for (const Control& c : w->Controls) {
      QWidget* widget = view->WidgetOf(c.Number);
      QAction* action = view->ActionOf(c.Number);
      runtime::ui::qt::ListView* list = view->ListOf(c.Number);
      out += std::string(2 + 2 * static_cast<size_t>(MenuDepth(*w, c)), ' ');
      out += std::to_string(c.Number);
      if (!c.Name.empty()) out += " " + c.Name;
      out += " ";
      out += ControlType::NameOf(c.Type);
      const std::string text = ShownText(c, widget, action);
      if (!text.empty() || c.Type == ControlType::Entry) out += " \"" + text + "\"";
      QTreeWidget* tree = list ? list->Tree() : nullptr;
      int32_t selected = 0;
      if (tree) {
        const QList<QTreeWidgetItem*> chosen = tree->selectedItems();
        selected = chosen.isEmpty() ? 0 : tree->indexOfTopLevelItem(chosen.front()) + 1;
        out += " rows " + std::to_string(tree->topLevelItemCount()) + " selected " + std::to_string(selected);
      }
      if (c.Action != runtime::ui::FrameAction::None) out += std::string(" action ") + runtime::ui::FrameActionName(c.Action);
      if (auto* b = qobject_cast<QPushButton*>(widget); b && b->isDefault()) out += " default";
      bool disabled = false;
      bool hidden = false;
      if (action) {
        disabled = !action->isEnabled();
        hidden = !action->isVisible();
      } else if (c.Type == ControlType::Tab) {
        if (QTabWidget* tabs = SheetOf(widget)) {
          disabled = !tabs->isTabEnabled(tabs->indexOf(widget));
          hidden = !tabs->isTabVisible(tabs->indexOf(widget));
        }
      } else if (widget) {
        disabled = !widget->isEnabledTo(view);
        hidden = widget->isHidden();
      }
      if (disabled) out += " disabled";
      if (hidden) out += " hidden";
      if (auto* e = qobject_cast<QLineEdit*>(widget); e && e->isReadOnly()) out += " readonly";
      if (focus != 0 && focus == c.Number) out += " focus";
      out += "\n";
      if (!tree) continue;
      for (int row = 0; row < tree->topLevelItemCount(); ++row) {
        out += row + 1 == selected ? "    > " : "      ";
        out += std::to_string(row + 1);
        const QTreeWidgetItem* item = tree->topLevelItem(row);
        for (int column = 0; column < tree->columnCount(); ++column) out += " | " + Text(item->text(column));
        out += "\n";
      }
    }
  });
  return out;
}

bool DesktopScriptDriver::ControlText(int32_t window, std::string_view control, std::string& text, std::string& why) {
  const auto w = WindowModel::Snapshot(window);
  const Control* c = w ? w->Find(control) : nullptr;
  if (!c) {
    why = "window " + Quoted(w ? w->Title : "?") + " has no control " + Quoted(control);
    return false;
  }
  OnGui([&] {
    runtime::ui::qt::WindowView* view = Screen.ViewOf(window);
    text = view ? ShownText(*c, view->WidgetOf(c->Number), view->ActionOf(c->Number)) : c->Text;
  });
  return true;
}

std::string DesktopScriptDriver::LastFailure() const {
  std::lock_guard lock(Lock);
  return Last;
}

std::vector<std::string> DesktopScriptDriver::Failures() const {
  std::lock_guard lock(Lock);
  return FailureTexts;
}

}  // namespace tools::script
