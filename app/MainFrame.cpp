#include "app/MainFrame.h"

#include "app/AppGlobals.h"
#include "app/WindowPositions.h"
#include "app/BrowseLauncher.h"
#include "app/ExchangeMenu.h"
#include "app/ThreadVariables.h"
#include "runtime/core/Process.h"
#include "runtime/ui/FrameAction.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"

namespace app {
namespace {

using runtime::ui::FrameAction;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

// The status bar's mode: the frame shows each control's and item's message.
constexpr int64_t FrameStatusMessages = 0;

}  // namespace

runtime::ui::WindowDefinition MainFrame::Definition() {
  runtime::ui::WindowBuilder b(WindowName);
  b.Caption(Caption).Icon("WAFRAME.ICO").Font("Microsoft Sans Serif", FontSize).Size(FrameWidth, FrameHeight);
  b.Frame().SystemMenu().Resizable();
  b.MenuBar("?MENUBAR");
  b.Menu("&File", "?FILEMENU");
  b.Item("&Import ...", "?IMPORT").Number(ImportControl).Message("Add the addresses of a bookmark, text or CSV file");
  b.Item("&Export ...", "?EXPORT").Number(ExportControl).Message("Write the addresses to a bookmark, text or CSV file");
  b.Item("&Print Setup ...", "?PRINTSETUP").Message("Setup printer").Action(FrameAction::PrintSetup);
  b.Item("E&xit", "?EXIT").Message("Exit this application").Action(FrameAction::Exit);
  b.EndMenu();
  b.Menu("&Edit", "?EDITMENU");
  b.Item("Cu&t", "?CUT").Message("Cut Selection To Clipboard").Action(FrameAction::Cut);
  b.Item("&Copy", "?COPY").Message("Copy Selection To Clipboard").Action(FrameAction::Copy);
  b.Item("&Paste", "?PASTE").Message("Paste From Clipboard").Action(FrameAction::Paste);
  b.EndMenu();
  b.Menu("&Browse", "?BROWSEMENU");
  b.Item("Browse the UrlList file", "?BROWSEURLLIST").Number(BrowseUrlListControl).Message("Browse UrlList");
  b.EndMenu();
  b.Menu("&Window", "?WINDOWMENU");
  b.Item("T&ile", "?TILE").Message("Arrange multiple opened windows").Action(FrameAction::Tile);
  b.Item("&Cascade", "?CASCADE").Message("Arrange multiple opened windows").Action(FrameAction::Cascade);
  b.Item("&Arrange Icons", "?ARRANGE")
      .Message("Arrange the icons for minimized windows")
      .Action(FrameAction::ArrangeIcons);
  b.EndMenu();
  b.Menu("&Help", "?HELPMENU");
  b.Item("&Contents", "?HELPINDEX").Message("View the contents of the help file").Action(FrameAction::HelpContents);
  b.Item("&Search for Help On...", "?HELPSEARCH")
      .Message("Search for help on a subject")
      .Action(FrameAction::HelpSearch);
  b.Item("&How to Use Help", "?HELPONHELP")
      .Message("Provides general instructions on using help")
      .Action(FrameAction::HelpOnHelp);
  b.EndMenu();
  return b.Build();
}

void MainFrame::Main() {
  const runtime::ui::WindowDefinition frame = Definition();
  framework::window::ToolbarManager toolbar;
  int32_t window = 0;
  {
    MainFrame controller(frame, toolbar);
    *ThreadResponse = controller.Run();
    window = controller.MyWindow;
  }
  // A loop ended by a handler leaves the window open; the procedure frees it.
  if (window != 0 && WindowModel::Exists(window)) WindowModel::Close(window);
}

MainFrame::MainFrame(const runtime::ui::WindowDefinition& frame, framework::window::ToolbarManager& toolbar)
    : Frame(frame), FrameToolbar(toolbar) {}

MainFrame::~MainFrame() {
  // The base destructor would only run the base Teardown; the position must be saved too.
  MainFrame::Teardown();
}

int32_t MainFrame::Init() {
  AppGlobals::Errors().TrackProcedureName(ProcedureName, framework::error::ErrorManager::Track::Enter);
  Request = *ThreadRequest;
  if (const int32_t result = WindowController::Init(); result != EventGoOn) return result;
  Config.FirstField = 1;
  VCRRequest = &*ThreadVcrRequest;
  Errors = &AppGlobals::Errors();
  *ThreadRequest = RequestNone;
  *ThreadResponse = ResponseNone;
  SetToolbar(FrameToolbar);
  Open(Frame, 0);
  AppGlobals::Ini().RestoreWindow(ProcedureName, MyWindow);
  RegisterAlertKeys();
  WindowModel::SetPropInt(MyWindow, 0, Prop::FrameStatus, FrameStatusMessages);
  return EventGoOn;
}

int32_t MainFrame::Teardown() {
  if (const int32_t result = WindowController::Teardown(); result != EventGoOn) return result;
  if (Opened)
    if (auto state = WindowState()) WindowPositions::Save(ProcedureName, *state);
  AppGlobals::Errors().TrackProcedureName(ProcedureName, framework::error::ErrorManager::Track::Leave);
  return EventGoOn;
}

int32_t MainFrame::OnAccepted() {
  const int32_t control = EventInHand().Control;
  MenuBarHandler(control);
  FileMenuHandler(control);
  EditMenuHandler(control);
  BrowseMenuHandler(control);
  WindowMenuHandler(control);
  HelpMenuHandler(control);
  return WindowController::OnAccepted();
}

// The items of these menus are carried out by the runtime's standard frame actions.
void MainFrame::MenuBarHandler(int32_t) {}
void MainFrame::EditMenuHandler(int32_t) {}
void MainFrame::WindowMenuHandler(int32_t) {}
void MainFrame::HelpMenuHandler(int32_t) {}

void MainFrame::FileMenuHandler(int32_t control) {
  // Each runs on a thread of its own: the frame and the browses go on meanwhile.
  if (control == ImportControl) runtime::core::Process::Start(ExchangeMenu::Import, ExchangeMenu::StackSize);
  if (control == ExportControl) runtime::core::Process::Start(ExchangeMenu::Export, ExchangeMenu::StackSize);
}

void MainFrame::BrowseMenuHandler(int32_t control) {
  if (control != BrowseUrlListControl) return;
  // The browse runs on a thread of its own; the frame goes on at once.
  runtime::core::Process::Start(BrowseLauncher::Get(), BrowseStackSize);
}

}  // namespace app
