#include "runtime/ui/qt/QtFrontEnd.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>
#include <QUrl>

#include <cstdio>
#include <utility>

#include "runtime/core/ThreadContext.h"
#include "runtime/shell/Opener.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventQueues.h"
#include "runtime/ui/HelpPages.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/Desktop.h"
#include "runtime/ui/qt/FrameWindow.h"

namespace runtime::ui::qt {

void QtFrontEnd::Waiting::Finish(int32_t answer) {
  {
    std::lock_guard lock(Lock);
    if (Answered) return;
    Answered = true;
    Answer = answer;
  }
  Done.notify_all();
}

QtFrontEnd::QtFrontEnd(Desktop* desktop, std::string helpFolder) : Screen(desktop), HelpFolder(std::move(helpFolder)) {}

QtFrontEnd::~QtFrontEnd() { Shutdown(); }

bool QtFrontEnd::Post(std::function<void(Desktop&)> work) {
  std::lock_guard lock(Lock);
  if (Closed || !Screen) return false;
  Desktop* target = Screen.data();
  // A Desktop gone before the call is run drops it; its waiters are released by Shutdown.
  QMetaObject::invokeMethod(target, [target, work = std::move(work)] { work(*target); }, Qt::QueuedConnection);
  return true;
}

int32_t QtFrontEnd::Ask(int32_t fallback, std::function<void(Desktop&, std::function<void(int32_t)>)> show) {
  // A box asked for on the GUI thread itself could never be answered while it waits.
  if (Screen && QThread::currentThread() == Screen->thread()) {
    std::fprintf(stderr, "vorkan42: a message box or menu was asked for on the GUI thread; default answer given\n");
    return fallback;
  }
  auto waiting = std::make_shared<Waiting>();
  waiting->Fallback = fallback;
  {
    std::lock_guard lock(Lock);
    if (Closed) return fallback;
    Pending.insert(waiting);
  }
  const bool posted = Post([waiting, show = std::move(show)](Desktop& desktop) {
    show(desktop, [waiting](int32_t answer) { waiting->Finish(answer); });
  });
  if (!posted) waiting->Finish(fallback);
  int32_t answer = fallback;
  {
    std::unique_lock lock(waiting->Lock);
    waiting->Done.wait(lock, [&] { return waiting->Answered; });
    answer = waiting->Answer;
  }
  std::lock_guard lock(Lock);
  Pending.erase(waiting);
  return answer;
}

int32_t QtFrontEnd::ShowMessageBox(const MessageBoxRequest& request) {
  const int32_t owner = EventQueues::Newest(runtime::core::CurrentThreadNumber());
  return Ask(request.DefaultButton, [request, owner](Desktop& desktop, std::function<void(int32_t)> answer) {
    desktop.ShowMessageBox(request, owner, std::move(answer));
  });
}

int32_t QtFrontEnd::ShowPopupMenu(const PopupMenu& menu, int32_t x, int32_t y) {
  const int32_t owner = EventQueues::Newest(runtime::core::CurrentThreadNumber());
  return Ask(0, [menu, x, y, owner](Desktop& desktop, std::function<void(int32_t)> answer) {
    desktop.ShowPopupMenu(menu, x, y, owner, std::move(answer));
  });
}

std::optional<FileChooserRequest::Choice> QtFrontEnd::ChooseFile(const FileChooserRequest& request) {
  // Written on the GUI thread, read here after the answer: behind a lock of its own,
  // since a shutdown may release this thread before the dialog answers.
  struct Result {
    std::mutex Lock;
    std::optional<FileChooserRequest::Choice> Choice;
  };
  auto result = std::make_shared<Result>();
  const int32_t owner = EventQueues::Newest(runtime::core::CurrentThreadNumber());
  Ask(0, [request, owner, result](Desktop& desktop, std::function<void(int32_t)> answer) {
    QWidget* parent = desktop.OuterOf(owner) ? desktop.OuterOf(owner)->window() : desktop.Frame();
    DesktopDialogs::ChooseFile(parent, request, [result, answer](std::optional<FileChooserRequest::Choice> choice) {
      {
        std::lock_guard lock(result->Lock);
        result->Choice = std::move(choice);
      }
      answer(1);
    });
  });
  std::lock_guard lock(result->Lock);
  return result->Choice;
}

void QtFrontEnd::OpenProgress(const ProgressState& state) {
  const int32_t owner = EventQueues::Newest(runtime::core::CurrentThreadNumber());
  Ask(0, [this, state, owner](Desktop& desktop, std::function<void(int32_t)> answer) {
    QWidget* parent = desktop.OuterOf(owner) ? desktop.OuterOf(owner)->window() : desktop.Frame();
    Dialogs.OpenProgress(parent, state, [answer] { answer(1); });
  });
}

void QtFrontEnd::ShowProgress(const ProgressState& state) {
  Post([this, state](Desktop&) { Dialogs.ShowProgress(state); });
}

void QtFrontEnd::CloseProgress(int32_t progress) {
  Post([this, progress](Desktop&) { Dialogs.CloseProgress(progress); });
}

void QtFrontEnd::WindowOpened(int32_t window) {
  Post([window](Desktop& desktop) { desktop.Opened(window); });
}

void QtFrontEnd::WindowChanged(int32_t window) {
  {
    std::lock_guard lock(Lock);
    if (Closed) return;
    Dirty.insert(window);
    if (FlushPosted) return;
    FlushPosted = true;
  }
  if (!Post([this](Desktop&) { FlushChanges(); })) {
    std::lock_guard lock(Lock);
    FlushPosted = false;
  }
}

void QtFrontEnd::FlushChanges() {
  std::set<int32_t> windows;
  {
    std::lock_guard lock(Lock);
    windows.swap(Dirty);
    FlushPosted = false;
  }
  if (!Screen) return;
  for (int32_t window : windows) Screen->Changed(window);
}

void QtFrontEnd::WindowClosed(int32_t window) {
  Post([window](Desktop& desktop) { desktop.Closed(window); });
}

std::string QtFrontEnd::HelpAddress(FrameAction action) const {
  const std::string page = HelpPages::Page(action);
  if (page.empty()) return {};
  return QUrl::fromLocalFile(QString::fromStdString(HelpFolder + "/" + page)).toString().toStdString();
}

void QtFrontEnd::CarryOut(FrameAction action, int32_t window) {
  switch (action) {
    case FrameAction::Exit:
      // The frame's normal close: its handler may still decline.
      WindowModel::Post(window, Event::CloseWindow);
      return;
    case FrameAction::HelpContents:
    case FrameAction::HelpSearch:
    case FrameAction::HelpOnHelp:
      runtime::shell::Opener::OpenAddress(HelpAddress(action));
      return;
    default:
      Post([action, window](Desktop& desktop) { desktop.CarryOut(action, window); });
      return;
  }
}

void QtFrontEnd::Beep(int32_t, int32_t) {
  Post([](Desktop&) { QApplication::beep(); });
}

void QtFrontEnd::SetWaitCursor(bool on) {
  Post([on](Desktop& desktop) { desktop.SetWaitCursor(on); });
}

void QtFrontEnd::Shutdown() {
  std::set<std::shared_ptr<Waiting>> waiting;
  {
    std::lock_guard lock(Lock);
    Closed = true;
    waiting = Pending;
  }
  for (const auto& w : waiting) w->Finish(w->Fallback);
}

}  // namespace runtime::ui::qt
