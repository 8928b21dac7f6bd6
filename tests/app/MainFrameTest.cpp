// The frame Main run as the program runs it (start-up table, thread 1, headless front
// end): its menus, the browse item starting threads, closing with other windows open,
// and its position in the INI file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/MainFrame.h"
#include "app/Program.h"
#include "framework/window/WindowController.h"
#include "runtime/core/Process.h"
#include "runtime/core/ThreadContext.h"
#include "runtime/settings/IniFile.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/headless/HeadlessDriver.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/TestHooks.h"

namespace app {
namespace {

using namespace std::chrono_literals;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

constexpr const char* IniFile = "Vorkan42.INI";
constexpr const char* Missing = "<none>";

// Stands in for the browse: a window of its own on the new thread, which declines to
// close while `Decline` is set.
class StandInBrowse : public framework::window::WindowController {
 public:
  explicit StandInBrowse(std::atomic<bool>& decline) : Decline(decline) {}
  int32_t Init() override {
    if (const int32_t result = WindowController::Init(); result != EventGoOn) return result;
    runtime::ui::WindowBuilder b("Browse");
    b.Caption("Browse stand-in").Size(100, 50).MdiChild();
    Open(b.Build(), 0);
    return EventGoOn;
  }
  int32_t OnCloseRequest() override { return Decline ? EventConsumed : EventGoOn; }

 private:
  std::atomic<bool>& Decline;
};

class MainFrameThreadTest : public testing::Test {
 protected:
  void SetUp() override {
    Screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
    runtime::ui::FrontEnd::Install(Screen);
    Driver = std::make_unique<runtime::ui::headless::HeadlessDriver>(*Screen, 5s);
    testsupport::SetBrowseProcedure([this] {
      Threads.fetch_add(1);
      StandInBrowse browse(Decline);
      browse.Run();
    });
    Program::SetFrame(MainFrame::Main);
    ASSERT_TRUE(runtime::core::Process::Launch(Program::Table(), Program::MainProcedure));
    Frame = Driver->FindWindow(MainFrame::Caption);
    ASSERT_NE(Frame, 0);
  }
  void TearDown() override {
    Decline = false;
    if (WindowModel::Exists(Frame)) WindowModel::Input(Frame, 0, runtime::ui::Event::CloseWindow);
    if (!Driver->WaitClosed(Frame)) WindowModel::CloseAll();
    runtime::core::Process::Wait();
    testsupport::SetBrowseProcedure(nullptr);
    Program::SetFrame(nullptr);
    runtime::ui::FrontEnd::Install(nullptr);
  }
  // Closes the frame as its Exit item does and waits for the program to end.
  void ExitProgram() {
    ASSERT_TRUE(Driver->ChooseMenu(Frame, "Exit"));
    ASSERT_TRUE(Driver->WaitClosed(Frame));
    runtime::core::Process::Wait();
  }
  std::string Stored(const char* entry) {
    return runtime::settings::IniFile::Read(IniFile, MainFrame::ProcedureName, entry, Missing);
  }

  testsupport::TempWorkDir Dir;
  std::shared_ptr<runtime::ui::headless::HeadlessFrontEnd> Screen;
  std::unique_ptr<runtime::ui::headless::HeadlessDriver> Driver;
  std::atomic<bool> Decline{false};
  std::atomic<int> Threads{0};
  int32_t Frame = 0;
};

TEST_F(MainFrameThreadTest, OpensWithEveryMenuTextAndStatusMessage) {
  auto frame = WindowModel::Snapshot(Frame);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->Icon, "WAFRAME.ICO");
  EXPECT_EQ(frame->Font, "Microsoft Sans Serif");
  EXPECT_EQ(frame->Thread, 1);
  using Item = std::tuple<std::string, std::string, std::string>;
  std::vector<Item> items;
  for (const runtime::ui::Control& c : frame->Controls) items.emplace_back(c.Name, c.Text, c.Message);
  EXPECT_THAT(items, testing::ElementsAre(
                         Item{"?MENUBAR", "", ""}, Item{"?FILEMENU", "&File", ""},
                         Item{"?IMPORT", "&Import ...", "Add the addresses of a bookmark, text or CSV file"},
                         Item{"?EXPORT", "&Export ...", "Write the addresses to a bookmark, text or CSV file"},
                         Item{"?PRINTSETUP", "&Print Setup ...", "Setup printer"},
                         Item{"?EXIT", "E&xit", "Exit this application"}, Item{"?EDITMENU", "&Edit", ""},
                         Item{"?CUT", "Cu&t", "Cut Selection To Clipboard"},
                         Item{"?COPY", "&Copy", "Copy Selection To Clipboard"},
                         Item{"?PASTE", "&Paste", "Paste From Clipboard"}, Item{"?BROWSEMENU", "&Browse", ""},
                         Item{"?BROWSEURLLIST", "Browse the UrlList file", "Browse UrlList"},
                         Item{"?WINDOWMENU", "&Window", ""},
                         Item{"?TILE", "T&ile", "Arrange multiple opened windows"},
                         Item{"?CASCADE", "&Cascade", "Arrange multiple opened windows"},
                         Item{"?ARRANGE", "&Arrange Icons", "Arrange the icons for minimized windows"},
                         Item{"?HELPMENU", "&Help", ""},
                         Item{"?HELPINDEX", "&Contents", "View the contents of the help file"},
                         Item{"?HELPSEARCH", "&Search for Help On...", "Search for help on a subject"},
                         Item{"?HELPONHELP", "&How to Use Help", "Provides general instructions on using help"}));
  EXPECT_EQ(WindowModel::ControlNumber(Frame, "?BROWSEURLLIST"), MainFrame::BrowseUrlListControl);
  EXPECT_EQ(WindowModel::GetProp(Frame, 0, Prop::FrameStatus), "0");

  // The items without program code are the runtime's standard actions.
  ASSERT_TRUE(Driver->ChooseMenu(Frame, "Tile"));
  ASSERT_TRUE(Driver->WaitIdle());
  ASSERT_EQ(Screen->Actions().size(), 1u);
  EXPECT_EQ(Screen->Actions()[0].Action, runtime::ui::FrameAction::Tile);
}

TEST_F(MainFrameThreadTest, BrowseItemTwiceRunsTwoThreadsWithTheirOwnWindows) {
  ASSERT_TRUE(Driver->ChooseMenu(Frame, "Browse the UrlList file"));
  ASSERT_TRUE(Driver->ChooseMenu(Frame, "Browse the UrlList file"));
  ASSERT_TRUE(Driver->WaitIdle());
  std::set<int64_t> threads;
  for (int32_t w : WindowModel::Windows())
    if (WindowModel::GetProp(w, 0, Prop::Text) == "Browse stand-in") threads.insert(WindowModel::GetPropInt(w, 0, Prop::Thread));
  EXPECT_EQ(Threads, 2);
  EXPECT_EQ(threads.size(), 2u);
  EXPECT_EQ(threads.count(1), 0u);  // neither runs on the frame's thread

  // Closing the frame closes both through their own close paths, then the program ends.
  ExitProgram();
  EXPECT_TRUE(WindowModel::Windows().empty());
}

TEST_F(MainFrameThreadTest, FrameStaysOpenWhileAnotherWindowDeclinesToClose) {
  Decline = true;
  ASSERT_TRUE(Driver->ChooseMenu(Frame, "Browse the UrlList file"));
  const int32_t browse = Driver->FindWindow("Browse stand-in");
  ASSERT_NE(browse, 0);
  ASSERT_TRUE(Driver->ChooseMenu(Frame, "Exit"));
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_TRUE(WindowModel::Exists(Frame));
  EXPECT_TRUE(WindowModel::Exists(browse));
  EXPECT_EQ(Stored("Maximize"), Missing);  // not torn down, nothing saved

  Decline = false;
  ExitProgram();
  EXPECT_FALSE(WindowModel::Exists(browse));
}

TEST_F(MainFrameThreadTest, PositionIsSavedUnderMainAndComesBackNextTime) {
  WindowModel::SetPropInt(Frame, 0, Prop::XPos, 12);
  WindowModel::SetPropInt(Frame, 0, Prop::YPos, 34);
  ExitProgram();
  EXPECT_EQ(Stored("Maximize"), "No");
  EXPECT_EQ(Stored("Minimize"), "No");
  EXPECT_EQ(Stored("XPos"), "12");
  EXPECT_EQ(Stored("YPos"), "34");

  ASSERT_TRUE(runtime::core::Process::Launch(Program::Table(), Program::MainProcedure));
  Frame = Driver->FindWindow(MainFrame::Caption);
  ASSERT_NE(Frame, 0);
  ASSERT_TRUE(Driver->WaitIdle());  // the frame restores its position after it opened
  EXPECT_EQ(WindowModel::GetPropInt(Frame, 0, Prop::XPos), 12);
  EXPECT_EQ(WindowModel::GetPropInt(Frame, 0, Prop::YPos), 34);

  // Closed maximized: the state is kept and the position entries go.
  WindowModel::SetPropInt(Frame, 0, Prop::Maximize, 1);
  ExitProgram();
  EXPECT_EQ(Stored("Maximize"), "Yes");
  EXPECT_EQ(Stored("XPos"), Missing);
  EXPECT_EQ(Stored("YPos"), Missing);
  EXPECT_EQ(Stored("Width"), Missing);
}

}  // namespace
}  // namespace app
