#pragma once
// Helpers for the desktop tests: the desktop front end installed for one test, window
// procedures run on threads of their own (as the program's would), the events they saw,
// and a few definitions shaped like the program's windows.

#include <QApplication>
#include <QTest>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "runtime/ui/EventLoop.h"
#include "runtime/ui/FrameAction.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/Desktop.h"
#include "runtime/ui/qt/DesktopRunner.h"
#include "runtime/ui/qt/QtFrontEnd.h"

namespace desktoptest {

using runtime::ui::PostedEvent;
using runtime::ui::WindowDefinition;

constexpr int Patience = 30000;  // ms any wait in a test may take; only a failing test waits this long

// The desktop front end, installed from Start to Stop.
class Screen {
 public:
  void Start() {
    Desk = std::make_unique<runtime::ui::qt::Desktop>();
    Front = std::make_shared<runtime::ui::qt::QtFrontEnd>(Desk.get(), runtime::ui::qt::DesktopRunner::HelpFolder());
    runtime::ui::FrontEnd::Install(Front);
  }
  void Stop() {
    Front->Shutdown();
    runtime::ui::FrontEnd::Install(nullptr);
    runtime::ui::WindowModel::CloseAll();
    QCoreApplication::processEvents();
    Desk.reset();
    Front.reset();
  }
  runtime::ui::qt::Desktop* operator->() const { return Desk.get(); }
  runtime::ui::qt::Desktop& operator*() const { return *Desk; }

  std::unique_ptr<runtime::ui::qt::Desktop> Desk;
  std::shared_ptr<runtime::ui::qt::QtFrontEnd> Front;
};

// A window procedure on a thread of its own: opens the window, runs `setup` there, then
// its event loop with `handler` (0 lets the runtime finish each event).
class ProgramWindow {
 public:
  using Handler = std::function<int32_t(int32_t window, const PostedEvent& event)>;

  void Start(WindowDefinition definition, Handler handler = {}, std::function<void(int32_t)> setup = {}) {
    Join();
    Id = 0;
    Finished = false;
    {
      std::lock_guard lock(Lock);
      Seen.clear();
    }
    Worker = std::thread([this, definition = std::move(definition), handler = std::move(handler), setup = std::move(setup)] {
      const int32_t window = runtime::ui::WindowModel::Open(definition);
      if (setup) setup(window);
      Id = window;
      runtime::ui::EventLoop::Run(window, [&](const PostedEvent& e) {
        {
          std::lock_guard lock(Lock);
          Seen.push_back(e);
        }
        return handler ? handler(window, e) : 0;
      });
      Finished = true;
    });
    for (int i = 0; i < Patience && Id == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  void Join() {
    if (!Worker.joinable()) return;
    if (!Finished) runtime::ui::WindowModel::Close(Id);
    Worker.join();
  }
  ~ProgramWindow() { Join(); }

  std::vector<PostedEvent> Events() const {
    std::lock_guard lock(Lock);
    return Seen;
  }
  // How many events of that number (on that control, when not 0) the procedure saw.
  int Count(int32_t number, int32_t control = 0) const {
    int n = 0;
    for (const PostedEvent& e : Events())
      if (e.Number == number && (control == 0 || e.Control == control)) ++n;
    return n;
  }

  std::atomic<int32_t> Id{0};
  std::atomic<bool> Finished{false};

 private:
  mutable std::mutex Lock;
  std::vector<PostedEvent> Seen;
  std::thread Worker;
};

// The application frame with the program's menus.
inline WindowDefinition FrameDefinition() {
  using runtime::ui::FrameAction;
  runtime::ui::WindowBuilder b("P1$APPFRAME");
  b.Caption("Application").Icon("WAFRAME.ICO").Font("Microsoft Sans Serif", 8).Size(480, 300).Frame().Resizable();
  b.MenuBar("?MENUBAR");
  b.Menu("&File", "?FILEMENU");
  b.Item("&Print Setup ...", "?PRINTSETUP").Message("Setup printer").Action(FrameAction::PrintSetup);
  b.Item("E&xit", "?EXIT").Message("Exit this application").Action(FrameAction::Exit);
  b.EndMenu();
  b.Menu("&Edit", "?EDITMENU");
  b.Item("Cu&t", "?CUT").Message("Cut Selection To Clipboard").Action(FrameAction::Cut);
  b.Item("&Copy", "?COPY").Message("Copy Selection To Clipboard").Action(FrameAction::Copy);
  b.Item("&Paste", "?PASTE").Message("Paste From Clipboard").Action(FrameAction::Paste);
  b.EndMenu();
  b.Menu("&Browse", "?BROWSEMENU");
  b.Item("Browse the UrlList file", "?BROWSEURLLIST").Number(-10).Message("Browse UrlList");
  b.EndMenu();
  b.Menu("&Window", "?WINDOWMENU");
  b.Item("T&ile", "?TILE").Message("Arrange multiple opened windows").Action(FrameAction::Tile);
  b.Item("&Cascade", "?CASCADE").Message("Arrange multiple opened windows").Action(FrameAction::Cascade);
  b.Item("&Arrange Icons", "?ARRANGE").Message("Arrange the icons for minimized windows").Action(FrameAction::ArrangeIcons);
  b.EndMenu();
  b.Menu("&Help", "?HELPMENU");
  b.Item("&Contents", "?HELPINDEX").Message("View the contents of the help file").Action(FrameAction::HelpContents);
  b.Item("&Search for Help On...", "?HELPSEARCH").Message("Search for help on a subject").Action(FrameAction::HelpSearch);
  b.Item("&How to Use Help", "?HELPONHELP").Message("Provides general instructions on using help").Action(FrameAction::HelpOnHelp);
  b.EndMenu();
  return b.Build();
}

// A browse-like window in the frame: a list, an entry and a few buttons.
constexpr const char* BrowseFormat = "160L(2)|M~Address~@s199@40R(2)|M~Times~C(0)@n3@30C~Mark~L@s1@";

inline WindowDefinition BrowseDefinition(const std::string& caption = "Browse the UrlList file", int32_t x = 10,
                                         int32_t y = 10) {
  runtime::ui::WindowBuilder b("BrowseUrlList");
  b.Caption(caption).Font("Microsoft Sans Serif", 8).Position(x, y).Size(260, 140).MdiChild().Resizable().SystemMenu();
  b.List(1, "?Browse:1", BrowseFormat).At(4, 4, 252, 100).Message("Addresses");
  b.Button(2, "?Insert", "&Insert").At(4, 110, 45, 14).ControlIcon("WAINSERT.ICO").Message("Add a record");
  b.Button(3, "?Close", "&Close").At(210, 110, 45, 14).Default();
  // Declared after the list it frames, as the program's browse declares it.
  b.Sheet(4, "?CurrentTab").At(2, 0, 256, 108);
  b.Tab(5, "?Tab:1", "&1) KeyUrl");
  return b.Build();
}

}  // namespace desktoptest
