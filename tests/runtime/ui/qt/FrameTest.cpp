// The application frame: its menus and their status messages, a menu choice reaching the
// program, Exit through the program's close, and Help opening the manual in the browser.

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "runtime/ui/Event.h"
#include "runtime/ui/qt/FrameWindow.h"
#include "tests/runtime/ui/qt/DesktopFixture.h"
#include "tests/runtime/ui/qt/TestRegistry.h"
#include "tests/support/RecordingOpener.h"

namespace desktoptest {
namespace {

namespace fs = std::filesystem;
using runtime::ui::Event;

QAction* FindAction(QMenuBar* bar, const QString& text) {
  for (QAction* top : bar->actions()) {
    if (top->text() == text) return top;
    if (QMenu* menu = top->menu())
      for (QAction* item : menu->actions())
        if (item->text() == text) return item;
  }
  return nullptr;
}

}  // namespace

class FrameTest : public QObject {
  Q_OBJECT

 private:
  Screen S;
  std::unique_ptr<ProgramWindow> Frame;

  QMainWindow* StartFrame(ProgramWindow::Handler handler = {}) {
    Frame = std::make_unique<ProgramWindow>();
    Frame->Start(FrameDefinition(), std::move(handler));
    for (int i = 0; i < Patience / 10 && !(S->Frame() && S->Frame()->isVisible()); ++i) QTest::qWait(10);
    return S->Frame();
  }

 private slots:
  void init() { S.Start(); }
  void cleanup() {
    if (Frame) Frame->Join();
    Frame.reset();
    S.Stop();
  }

  void menusCarryTheirTextsAndStatusMessages() {
    QMainWindow* frame = StartFrame();
    QVERIFY(frame);
    QCOMPARE(frame->windowTitle(), QString("Application"));
    QStringList menus;
    for (QAction* a : frame->menuBar()->actions()) menus << a->text();
    QCOMPARE(menus, (QStringList{"&File", "&Edit", "&Browse", "&Window", "&Help"}));

    const struct {
      const char* Item;
      const char* Message;
    } items[] = {
        {"&Print Setup ...", "Setup printer"},
        {"E&xit", "Exit this application"},
        {"Cu&t", "Cut Selection To Clipboard"},
        {"Browse the UrlList file", "Browse UrlList"},
        {"&Arrange Icons", "Arrange the icons for minimized windows"},
        {"&How to Use Help", "Provides general instructions on using help"},
    };
    for (const auto& item : items) {
      QAction* action = FindAction(frame->menuBar(), item.Item);
      QVERIFY2(action, item.Item);
      QCOMPARE(action->statusTip(), QString(item.Message));
      // Pointing at an item shows its message in the status bar (the menu tells the
      // menu bar it was opened from, as Qt's menus do).
      action->showStatusText(frame->menuBar());
      QCOMPARE(frame->statusBar()->currentMessage(), QString(item.Message));
    }
    QVERIFY(!frame->windowIcon().isNull());
  }

  void menuChoiceReachesTheProgramAsAccepted() {
    QMainWindow* frame = StartFrame();
    QVERIFY(frame);
    FindAction(frame->menuBar(), "Browse the UrlList file")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(Frame->Count(Event::Accepted, -10), 1, Patience);
  }

  void exitClosesTheFrameThroughTheProgram() {
    QMainWindow* frame = StartFrame();
    QVERIFY(frame);
    FindAction(frame->menuBar(), "E&xit")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(Frame->Finished.load(), Patience);
    QCOMPARE(Frame->Count(Event::CloseWindow), 1);
    QTRY_VERIFY_WITH_TIMEOUT(S->Frame() == nullptr, Patience);
  }

  void closeButtonAsksTheProgramWhichMayDecline() {
    std::atomic<bool> decline{true};
    QMainWindow* frame = StartFrame([&](int32_t, const PostedEvent& e) {
      return e.Number == Event::CloseWindow && decline ? 5 : 0;  // 5: consumed, the window stays
    });
    QVERIFY(frame);
    frame->close();
    QTRY_COMPARE_WITH_TIMEOUT(Frame->Count(Event::CloseWindow), 1, Patience);
    QTest::qWait(50);
    QVERIFY(S->Frame() && S->Frame()->isVisible());
    decline = false;
    frame->close();
    QTRY_VERIFY_WITH_TIMEOUT(Frame->Finished.load(), Patience);
  }

  void helpOpensTheManualInTheBrowser() {
    // A stand-in opener first on PATH records what it was asked to open.
    const fs::path dir = fs::temp_directory_path() / ("vk-help-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    auto opener = std::make_unique<testsupport::RecordingOpener>(dir);

    QMainWindow* frame = StartFrame();
    QVERIFY(frame);
    FindAction(frame->menuBar(), "&Contents")->trigger();
    FindAction(frame->menuBar(), "&How to Use Help")->trigger();
    // Each choice starts an opener of its own; they finish in either order, so the test
    // waits for both pages and does not look at the order of the lines.
    const std::string folder = "file://" + runtime::ui::qt::DesktopRunner::HelpFolder() + "/";
    std::multiset<std::string> opened;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
          const std::vector<std::string> lines = opener->Lines();
          opened = std::multiset<std::string>(lines.begin(), lines.end());
          return opened.size() >= 2;
        }(),
        Patience);
    opener.reset();
    fs::remove_all(dir);

    QCOMPARE(opened, (std::multiset<std::string>{folder + "index.html", folder + "howto.html"}));
    for (const char* page : {"index.html", "search.html", "howto.html"})
      QVERIFY2(fs::exists(runtime::ui::qt::DesktopRunner::HelpFolder() + "/" + page), page);
  }
};

static Register<FrameTest> registered;

}  // namespace desktoptest

#include "FrameTest.moc"
