// The browse BrowseUrlList run as the program runs it: the real start-up table, the
// frame on thread 1, each browse on a thread the frame's browse item starts, the form
// UpdateUrlList on the browse's thread, the real UrlList file in a temporary working
// folder and the headless front end. The desktop's opener is a recording script put
// first on PATH.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "app/BrowseUrlList.h"
#include "app/MainFrame.h"
#include "app/OpenAction.h"
#include "app/Program.h"
#include "app/ThreadVariables.h"
#include "app/UpdateUrlList.h"
#include "app/UrlListFile.h"
#include "app/UrlListManagers.h"
#include "framework/data/RelationManager.h"
#include "framework/data/UseType.h"
#include "framework/error/Buttons.h"
#include "framework/query/QueryForm.h"
#include "framework/window/WindowController.h"
#include "runtime/core/Process.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/settings/IniFile.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/headless/HeadlessDriver.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"
#include "tests/support/RecordingOpener.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/TestHooks.h"

namespace app {
namespace {

using namespace std::chrono_literals;
using framework::data::Walk;
using framework::error::Button;
using framework::error::LevelQuiet;
using runtime::ui::Prop;
using runtime::ui::WindowModel;
using B = BrowseUrlList;
using F = UpdateUrlList;
using Rows = std::vector<std::vector<std::string>>;

constexpr auto Patience = 8s;
constexpr size_t StackSize = 50000;

class BrowseUrlListThreadTest : public testing::Test {
 protected:
  void SetUp() override {
    Opener.emplace(Dir.Path());

    Screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
    Screen->SetAnswerTimeout(3s);
    runtime::ui::FrontEnd::Install(Screen);
    Driver = std::make_unique<runtime::ui::headless::HeadlessDriver>(*Screen, 5s);
    testsupport::SetBrowseProcedure(nullptr);  // the program's own browse
    Program::SetFrame(MainFrame::Main);
    ASSERT_TRUE(runtime::core::Process::Launch(Program::Table(), Program::MainProcedure));
    Frame = Driver->FindWindow(MainFrame::Caption);
    ASSERT_NE(Frame, 0) << Driver->LastFailure();
  }
  void TearDown() override {
    if (Frame != 0 && WindowModel::Exists(Frame)) WindowModel::Input(Frame, 0, runtime::ui::Event::CloseWindow);
    if (Frame != 0 && !Driver->WaitClosed(Frame)) WindowModel::CloseAll();
    runtime::core::Process::Wait();
    testsupport::SetBrowseProcedure(nullptr);
    Program::SetFrame(nullptr);
    WindowModel::CloseAll();
    runtime::ui::FrontEnd::Install(nullptr);
    Opener.reset();
    for (const std::string& failure : Screen->Failures()) ADD_FAILURE() << failure;
    EXPECT_EQ(Screen->PendingAnswers(), 0u) << "answers queued but never asked for";
  }

  // Runs `work` on a program thread of its own (with its own UrlList managers) and
  // waits for it, as another browse would touch the file.
  static void OnProgramThread(std::function<void()> work) {
    std::promise<void> done;
    ASSERT_NE(runtime::core::Process::Start(
                  [&] {
                    work();
                    done.set_value();
                  },
                  StackSize),
              0);
    ASSERT_EQ(done.get_future().wait_for(Patience), std::future_status::ready);
  }
  static void Seed(const std::vector<std::pair<std::string, int32_t>>& records) {
    OnProgramThread([&] {
      framework::data::RelationManager& relate = *UrlListManagers::Relate();
      EXPECT_EQ(relate.Open(Walk::Top), framework::error::LevelQuiet);
      for (const auto& [url, times] : records) {
        UrlListFile::Instance().ClearBuffer();
        UrlListManagers::FileManager()->AssignUrl(url);
        UrlListFile::Record().NumberOfTimesToOpen = times;
        EXPECT_EQ(relate.Insert(), LevelQuiet) << url;
      }
      relate.Close(Walk::Top);
    });
  }
  static std::vector<std::pair<std::string, int32_t>> Stored() {
    std::vector<std::pair<std::string, int32_t>> all;
    OnProgramThread([&] {
      framework::data::RelationManager& relate = *UrlListManagers::Relate();
      EXPECT_EQ(relate.Open(Walk::Top), framework::error::LevelQuiet);
      UrlListFileManager& files = *UrlListManagers::FileManager();
      EXPECT_EQ(files.EnsureUsable(framework::data::UseType::Record), LevelQuiet);
      runtime::files::KeyedFile& file = UrlListFile::Instance();
      file.ClearBuffer();
      file.SetKeyPosition(UrlListFile::KeyUrl);
      while (files.NextQuiet() == LevelQuiet)
        all.emplace_back(UrlListFile::Record().Url, UrlListFile::Record().NumberOfTimesToOpen);
      relate.Close(Walk::Top);
    });
    return all;
  }

  static std::set<int32_t> BrowseWindows() {
    std::set<int32_t> found;
    for (int32_t w : WindowModel::Windows())
      if (auto shown = WindowModel::Snapshot(w); shown && shown->Title == B::Caption) found.insert(w);
    return found;
  }
  // Chooses the frame's browse item and returns the browse window it opened, once the
  // browse has shown its first page.
  int32_t OpenBrowse() {
    const std::set<int32_t> before = BrowseWindows();
    EXPECT_TRUE(Driver->ChooseMenu(Frame, "Browse the UrlList file")) << Driver->LastFailure();
    const auto until = std::chrono::steady_clock::now() + Patience;
    while (std::chrono::steady_clock::now() < until) {
      for (int32_t w : BrowseWindows())
        if (!before.contains(w)) {
          EXPECT_TRUE(Driver->WaitIdle());
          return w;
        }
      std::this_thread::sleep_for(10ms);
    }
    ADD_FAILURE() << "no browse window opened";
    return 0;
  }
  void CloseBrowse(int32_t w) {
    EXPECT_TRUE(Driver->Press(w, "&Close")) << Driver->LastFailure();
    EXPECT_TRUE(Driver->WaitClosed(w)) << Driver->LastFailure();
  }
  // Fills the form that `press` opens from browse `w` and presses OK.
  void ThroughForm(int32_t w, const char* press, const char* caption, const std::string& url, const std::string& times) {
    ASSERT_TRUE(Driver->Press(w, press)) << Driver->LastFailure();
    const int32_t form = Driver->FindWindow(caption);
    ASSERT_NE(form, 0) << Driver->LastFailure();
    if (!url.empty()) {
      ASSERT_TRUE(Driver->Type(form, "?URL:URL", url)) << Driver->LastFailure();
    }
    ASSERT_TRUE(Driver->Type(form, "?URL:NUMBEROFTIMESTOOPEN", times)) << Driver->LastFailure();
    ASSERT_TRUE(Driver->Press(form, "&OK")) << Driver->LastFailure();
    ASSERT_TRUE(Driver->WaitClosed(form)) << Driver->LastFailure();
    ASSERT_TRUE(Driver->WaitIdle());
  }
  static Rows Listed(int32_t w) { return WindowModel::ListRows(w, B::BrowseList); }
  static int32_t Selected(int32_t w) {
    return static_cast<int32_t>(WindowModel::GetPropInt(w, B::BrowseList, Prop::Selected));
  }
  static bool Disabled(int32_t w, int32_t control) { return WindowModel::GetPropInt(w, control, Prop::Disable) != 0; }
  // The lines the opener was handed, once there are `count` of them (the opener runs
  // in the background); when fewer are expected, waits a little for strays.
  std::vector<std::string> OpenedLines(size_t count) {
    std::vector<std::string> lines;
    const auto until = std::chrono::steady_clock::now() + (count == 0 ? 300ms : Patience);
    do {
      lines = Opener->Lines();
      if (count > 0 && lines.size() >= count) break;
      std::this_thread::sleep_for(10ms);
    } while (std::chrono::steady_clock::now() < until);
    return lines;
  }

  testsupport::TempWorkDir Dir;
  std::optional<testsupport::RecordingOpener> Opener;
  std::shared_ptr<runtime::ui::headless::HeadlessFrontEnd> Screen;
  std::unique_ptr<runtime::ui::headless::HeadlessDriver> Driver;
  int32_t Frame = 0;
};

TEST_F(BrowseUrlListThreadTest, TheWindowHasEveryControlAsDefined) {
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  auto shown = WindowModel::Snapshot(w);
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->DefinitionName, "P1$QUICKWINDOW");
  EXPECT_EQ(shown->Font, "Microsoft Sans Serif");
  using Row = std::tuple<int32_t, std::string, std::string, std::string, std::string>;
  std::vector<Row> rows;
  for (const runtime::ui::Control& c : shown->Controls) rows.emplace_back(c.Number, c.Name, c.Text, c.Icon, c.Message);
  EXPECT_THAT(rows, testing::ElementsAre(Row{1, "?BROWSE:1", "", "", "Browsing the UrlList file"},
                                         Row{2, "?VIEW:2", "&View", "WAVIEW.ICO", "View Record"},
                                         Row{3, "?INSERT:3", "&Insert", "WAINSERT.ICO", "Insert a Record"},
                                         Row{4, "?CHANGE:3", "&Change", "WACHANGE.ICO", "Change the Record"},
                                         Row{5, "?DELETE:3", "&Delete", "WADELETE.ICO", "Delete the Record"},
                                         Row{6, "?CURRENTTAB", "", "", ""}, Row{7, "?TAB:2", "&1) KeyUrl", "", ""},
                                         Row{8, "?CLOSE", "&Close", "WACLOSE.ICO", "Close Window"},
                                         Row{9, "?HELP", "&Help", "WAHELP.ICO", "See Help Window"},
                                         Row{10, "?BUTTONOPEN", "Open", "", ""},
                                         Row{11, "?FindText", "", "", "Find the addresses that contain this text"},
                                         Row{12, "?Query", "&Query", "", "Query by example"}));
  EXPECT_EQ(shown->Controls.front().Format, "244L(2)|M~Url~@s199@80R(10)|M~Number Of Times To Open~C(0)@n9@");
  const std::string printed = runtime::ui::headless::HeadlessDriver::Print(w);
  EXPECT_THAT(printed, testing::StartsWith("window \"Browse the UrlList file\""));
  EXPECT_THAT(printed, testing::HasSubstr("10 ?BUTTONOPEN button \"Open\""));
  CloseBrowse(w);
}

TEST_F(BrowseUrlListThreadTest, AnEmptyFileLeavesOnlyInsertToDo) {
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  EXPECT_THAT(Listed(w), testing::IsEmpty());
  EXPECT_TRUE(Disabled(w, B::ChangeButton));
  EXPECT_TRUE(Disabled(w, B::DeleteButton));
  EXPECT_TRUE(Disabled(w, B::ViewButton));
  EXPECT_FALSE(Disabled(w, B::InsertButton));
  // Open with no row selected hands nothing to the opener.
  ASSERT_TRUE(Driver->Press(w, "Open"));
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_THAT(OpenedLines(0), testing::IsEmpty());
  CloseBrowse(w);
}

TEST_F(BrowseUrlListThreadTest, InsertAndChangeThroughTheFormShowOnTheListSelected) {
  Seed({{"https://alpha.example/", 1}, {"https://zulu.example/", 1}});
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  ThroughForm(w, "&Insert", F::InsertCaption, "https://mike.example/", "3");
  EXPECT_EQ(Listed(w), (Rows{{"https://alpha.example/", "1"}, {"https://mike.example/", "3"},
                             {"https://zulu.example/", "1"}}));
  EXPECT_EQ(Selected(w), 2);
  EXPECT_FALSE(Disabled(w, B::ChangeButton));

  // The change works on the selected row and the list shows the stored values.
  ThroughForm(w, "&Change", F::ChangeCaption, "", "7");
  EXPECT_EQ(Listed(w)[1], (std::vector<std::string>{"https://mike.example/", "7"}));
  EXPECT_EQ(Selected(w), 2);
  CloseBrowse(w);
  EXPECT_EQ(Stored(), (std::vector<std::pair<std::string, int32_t>>{
                          {"https://alpha.example/", 1}, {"https://mike.example/", 7}, {"https://zulu.example/", 1}}));
}

TEST_F(BrowseUrlListThreadTest, DeleteIsRefusedByTheFormAndTheRecordStays) {
  Seed({{"https://alpha.example/", 1}});
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  Driver->AnswerMessageBox(Button::Ok);
  ASSERT_TRUE(Driver->Press(w, "&Delete"));
  ASSERT_TRUE(Driver->WaitIdle());
  ASSERT_EQ(Screen->MessageBoxes().size(), 1u);
  EXPECT_EQ(Screen->MessageBoxes()[0].Text, "This form cannot be used to delete a record");
  EXPECT_EQ(Listed(w), (Rows{{"https://alpha.example/", "1"}}));
  CloseBrowse(w);
  EXPECT_EQ(Stored().size(), 1u);
}

TEST_F(BrowseUrlListThreadTest, ViewShowsTheSelectedRecordReadOnly) {
  Seed({{"https://alpha.example/", 1}, {"https://bravo.example/", 4}});
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  ASSERT_TRUE(Driver->SelectRow(w, "?BROWSE:1", 2));
  ASSERT_TRUE(Driver->Press(w, "&View"));
  const int32_t form = Driver->FindWindow(F::ViewCaption);
  ASSERT_NE(form, 0) << Driver->LastFailure();
  EXPECT_EQ(WindowModel::GetProp(form, F::UrlEntry, Prop::Text).substr(0, 22), "https://bravo.example/");
  EXPECT_EQ(WindowModel::GetPropInt(form, F::UrlEntry, Prop::ReadOnly), 1);
  ASSERT_TRUE(Driver->Press(form, "&Cancel"));
  ASSERT_TRUE(Driver->WaitClosed(form));
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_EQ(Selected(w), 2);
  CloseBrowse(w);
}

TEST_F(BrowseUrlListThreadTest, OpenHandsTheSelectedUrlToTheOpenerItsNumberOfTimes) {
  // A leading "-" reaches the opener as a path, never as an option.
  Seed({{"-dash.example/", 2}, {"https://never.example/", 0}, {"https://three.example/?a=1&b=2", 3},
        {"https://zminus.example/", -4}});
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  struct Case {
    int32_t Row;
    std::vector<std::string> Expected;
  };
  const std::vector<Case> cases = {
      {2, {}},
      {4, {}},
      {3, std::vector<std::string>(3, "https://three.example/?a=1&b=2")},
      {1, std::vector<std::string>(2, "./-dash.example/")},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(Opener->Log());
    ASSERT_TRUE(Driver->SelectRow(w, "?BROWSE:1", c.Row));
    ASSERT_TRUE(Driver->Press(w, "Open"));
    ASSERT_TRUE(Driver->WaitIdle());
    EXPECT_EQ(OpenedLines(c.Expected.size()), c.Expected) << "row " << c.Row;
  }
  CloseBrowse(w);
}

TEST_F(BrowseUrlListThreadTest, ManyOpensAreAskedFirstWithNoAsTheDefault) {
  Seed({{"https://many.example/", 12}});
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  ASSERT_TRUE(Driver->SelectRow(w, "?BROWSE:1", 1));
  Driver->AnswerMessageBox(Button::No);
  ASSERT_TRUE(Driver->Press(w, "Open"));
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_THAT(OpenedLines(0), testing::IsEmpty());
  Driver->AnswerMessageBox(Button::Yes);
  ASSERT_TRUE(Driver->Press(w, "Open"));
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_EQ(OpenedLines(12), std::vector<std::string>(12, "https://many.example/"));
  const auto boxes = Screen->MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].Text, "Open https://many.example/ 12 times?");
  EXPECT_EQ(boxes[0].Buttons, Button::Yes + Button::No);
  EXPECT_EQ(boxes[0].DefaultButton, Button::No);
  EXPECT_EQ(WindowModel::GetProp(w, B::OpenButton, Prop::Message), "Opened https://many.example/ 12 times");
  EXPECT_EQ(WindowModel::GetProp(w, B::OpenButton, Prop::Text), "Open");
  CloseBrowse(w);
}

TEST_F(BrowseUrlListThreadTest, OpensRunBetweenOtherInputAndOpenAgainStopsThem) {
  Seed({{"https://stop.example/", 40}});
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  ASSERT_TRUE(Driver->SelectRow(w, "?BROWSE:1", 1));
  std::atomic<int> calls{0};
  std::atomic<bool> stopShown{false};
  // The person presses the button (now "Stop") while the third open starts: the press
  // waits in the window's queue behind nothing but the rest of that batch.
  OpenAction::UseStarter([&](const std::string&) {
    if (++calls == 3) {
      stopShown = WindowModel::GetProp(w, B::OpenButton, Prop::Text) == OpenAction::StopText;
      WindowModel::Input(w, B::OpenButton, runtime::ui::Event::Accepted);
    }
    return true;
  });
  Driver->AnswerMessageBox(Button::Yes);
  ASSERT_TRUE(Driver->Press(w, "Open"));
  ASSERT_TRUE(Driver->WaitIdle());
  OpenAction::UseStarter(nullptr);
  EXPECT_TRUE(stopShown);
  EXPECT_EQ(calls, OpenAction::OpensPerStep);
  EXPECT_EQ(WindowModel::GetProp(w, B::OpenButton, Prop::Message), "Opened https://stop.example/ 5 of 40 times");
  EXPECT_EQ(WindowModel::GetProp(w, B::OpenButton, Prop::Text), "Open");
  CloseBrowse(w);
}

TEST_F(BrowseUrlListThreadTest, WhatCannotBeOpenedIsSaidAndTheProgramGoesOn) {
  Seed({{"", 2}, {"https://none.example/", 1}, {"https://out.example/", 20}});
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  // An empty address.
  ASSERT_TRUE(Driver->SelectRow(w, "?BROWSE:1", 1));
  Driver->AnswerMessageBox(Button::Ok);
  ASSERT_TRUE(Driver->Press(w, "Open"));
  ASSERT_TRUE(Driver->WaitIdle());
  // No opener on the PATH.
  ::setenv("PATH", (Dir.Path() / "nothing-here").c_str(), 1);
  ASSERT_TRUE(Driver->SelectRow(w, "?BROWSE:1", 2));
  Driver->AnswerMessageBox(Button::Ok);
  ASSERT_TRUE(Driver->Press(w, "Open"));
  ASSERT_TRUE(Driver->WaitIdle());
  // The system runs out of processes part way.
  int calls = 0;
  OpenAction::UseStarter([&](const std::string&) {
    if (++calls < 7) return true;
    runtime::core::RuntimeError::Set(runtime::core::RuntimeErrorCode::ThreadNotStarted,
                                     "xdg-open could not be started: Resource temporarily unavailable");
    return false;
  });
  ASSERT_TRUE(Driver->SelectRow(w, "?BROWSE:1", 3));
  Driver->AnswerMessageBox(Button::Yes);
  Driver->AnswerMessageBox(Button::Ok);
  ASSERT_TRUE(Driver->Press(w, "Open"));
  ASSERT_TRUE(Driver->WaitIdle());
  OpenAction::UseStarter(nullptr);
  std::vector<std::string> texts;
  for (const auto& box : Screen->MessageBoxes()) texts.push_back(box.Caption + ": " + box.Text);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Open: Nothing was opened: the record has no address.",
                       "Open: https://none.example/ could not be opened: xdg-open could not be started: No such file "
                       "or directory.|Opened 0 of 1 time.",
                       "Open: Open https://out.example/ 20 times?",
                       "Open: https://out.example/ could not be opened: xdg-open could not be started: Resource "
                       "temporarily unavailable.|Opened 6 of 20 times.",
                   }));
  EXPECT_EQ(WindowModel::GetProp(w, B::OpenButton, Prop::Message), "Opened https://out.example/ 6 of 20 times");
  CloseBrowse(w);
}

TEST_F(BrowseUrlListThreadTest, OpenAfterAScrollKeyOpensTheRowTheKeyMovedToThoughARowIsChosenBeforeOpenIsTaken) {
  // The browse's thread is held in its context menu (opened with the menu key once the
  // scroll key is through) while Open is pressed and then another row is clicked: Open
  // was pressed on the row the key moved to, whatever the list shows when it is taken.
  Seed({{"https://alpha.example/", 1}, {"https://bravo.example/", 1}, {"https://charlie.example/", 1}});
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  struct Case {
    int32_t From;
    int32_t Key;
    std::string Expected;
  };
  const std::vector<Case> cases = {{3, runtime::ui::Key::Home, "https://alpha.example/"},
                                   {1, runtime::ui::Key::PgDn, "https://charlie.example/"}};
  for (const Case& c : cases) {
    std::filesystem::remove(Opener->Log());
    ASSERT_TRUE(Driver->SelectRow(w, "?BROWSE:1", c.From));
    ASSERT_TRUE(Driver->Focus(w, "?BROWSE:1"));
    ASSERT_TRUE(Driver->PressKey(w, c.Key)) << Driver->LastFailure();
    ASSERT_TRUE(Driver->WaitIdle());
    const size_t menus = Screen->PopupMenus().size();
    ASSERT_TRUE(Driver->PressKey(w, runtime::ui::Key::MenuKey)) << Driver->LastFailure();
    const auto until = std::chrono::steady_clock::now() + Patience;
    while (Screen->PopupMenus().size() == menus && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(10ms);
    ASSERT_GT(Screen->PopupMenus().size(), menus) << "the context menu never showed";
    ASSERT_TRUE(Driver->Press(w, "Open")) << Driver->LastFailure();
    ASSERT_TRUE(Driver->SelectRow(w, "?BROWSE:1", 2)) << Driver->LastFailure();
    Driver->AnswerPopup(0);
    ASSERT_TRUE(Driver->WaitIdle());
    EXPECT_EQ(OpenedLines(1), std::vector<std::string>{c.Expected}) << "key " << c.Key;
    EXPECT_EQ(Selected(w), 2) << "the row clicked last stays selected";
  }
  CloseBrowse(w);
}

TEST_F(BrowseUrlListThreadTest, ABrowseOpenedToViewCallsNoForm) {
  Seed({{"https://alpha.example/", 1}});
  testsupport::SetBrowseProcedure([] {
    *ThreadRequest = framework::window::WindowController::RequestView;
    BrowseUrlList::Procedure();
  });
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  // Neither the record buttons nor View bring up the form; the list stays as it was.
  for (const char* button : {"&Insert", "&Change", "&View"}) {
    ASSERT_TRUE(Driver->Press(w, button)) << button;
    ASSERT_TRUE(Driver->WaitIdle());
    EXPECT_EQ(BrowseWindows().size() + 1, WindowModel::Windows().size()) << button << " opened a window";
  }
  EXPECT_EQ(Listed(w), (Rows{{"https://alpha.example/", "1"}}));
  CloseBrowse(w);
}

TEST_F(BrowseUrlListThreadTest, TypingALetterLocatesTheFirstUrlWithIt) {
  std::vector<std::pair<std::string, int32_t>> records;
  for (char letter = 'a'; letter <= 'z'; ++letter)
    for (int i = 1; i <= 2; ++i) records.emplace_back(std::string(1, letter) + std::to_string(i) + ".example", i);
  Seed(records);
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  ASSERT_TRUE(Driver->Focus(w, "?BROWSE:1"));
  ASSERT_TRUE(Driver->PressKey(w, runtime::ui::Key::Of('q')));
  ASSERT_TRUE(Driver->WaitIdle());
  ASSERT_GT(Selected(w), 0);
  EXPECT_EQ(Listed(w)[Selected(w) - 1][0], "q1.example");
  // The same initial again steps to the next row with it.
  ASSERT_TRUE(Driver->PressKey(w, runtime::ui::Key::Of('Q')));
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_EQ(Listed(w)[Selected(w) - 1][0], "q2.example");
  CloseBrowse(w);
}

TEST_F(BrowseUrlListThreadTest, FindNarrowsToTheAddressesContainingTheTextAndEscBringsAllBackOnTheSameRecord) {
  std::vector<std::pair<std::string, int32_t>> records;
  for (int i = 0; i < 60; ++i) records.emplace_back("https://site" + std::to_string(100 + i) + ".example/", 1);
  records.emplace_back("https://www.SHOP.example/", 2);
  records.emplace_back("https://bookshop.example/", 3);
  records.emplace_back("https://workshops.example/", 4);
  Seed(records);
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  ASSERT_TRUE(Driver->Focus(w, "?BROWSE:1"));
  ASSERT_TRUE(Driver->PressKey(w, runtime::ui::Key::Ctrl + runtime::ui::Key::Of('F')));
  ASSERT_TRUE(Driver->WaitIdle());
  ASSERT_TRUE(Driver->Type(w, "?FindText", "shop")) << Driver->LastFailure();
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_EQ(Listed(w), (Rows{{"https://bookshop.example/", "3"},
                             {"https://workshops.example/", "4"},
                             {"https://www.SHOP.example/", "2"}}));
  // Pick one, then clear the find: the whole list is back with that record selected.
  ASSERT_TRUE(Driver->SelectRow(w, "?BROWSE:1", 2));
  ASSERT_TRUE(Driver->WaitIdle());
  ASSERT_TRUE(Driver->Focus(w, "?FindText"));
  ASSERT_TRUE(Driver->PressKey(w, runtime::ui::Key::Esc));
  ASSERT_TRUE(Driver->WaitIdle());
  ASSERT_GT(Selected(w), 0);
  EXPECT_EQ(Listed(w)[Selected(w) - 1][0], "https://workshops.example/");
  EXPECT_GT(Listed(w).size(), 3u);
  // A text the index cannot serve is still found, by reading every record.
  ASSERT_TRUE(Driver->Type(w, "?FindText", "15")) << Driver->LastFailure();
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_EQ(Listed(w), (Rows{{"https://site115.example/", "1"}, {"https://site150.example/", "1"},
                             {"https://site151.example/", "1"}, {"https://site152.example/", "1"},
                             {"https://site153.example/", "1"}, {"https://site154.example/", "1"},
                             {"https://site155.example/", "1"}, {"https://site156.example/", "1"},
                             {"https://site157.example/", "1"}, {"https://site158.example/", "1"},
                             {"https://site159.example/", "1"}}));
  CloseBrowse(w);
}

TEST_F(BrowseUrlListThreadTest, FindNarrowsWithEachKeyTypedAndClearingItKeepsTheSelectedRecord) {
  std::vector<std::pair<std::string, int32_t>> records;
  for (int i = 0; i < 40; ++i) records.emplace_back("https://site" + std::to_string(100 + i) + ".example/", 1);
  records.emplace_back("https://bookshop.example/", 3);
  records.emplace_back("https://shoes.example/", 5);
  records.emplace_back("https://workshops.example/", 4);
  Seed(records);
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  // Typed key by key and never left: the list follows the text as it grows.
  ASSERT_TRUE(Driver->Edit(w, "?FindText", "sho")) << Driver->LastFailure();
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_EQ(Listed(w), (Rows{{"https://bookshop.example/", "3"},
                             {"https://shoes.example/", "5"},
                             {"https://workshops.example/", "4"}}));
  ASSERT_TRUE(Driver->Edit(w, "?FindText", "shop")) << Driver->LastFailure();
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_EQ(Listed(w), (Rows{{"https://bookshop.example/", "3"}, {"https://workshops.example/", "4"}}));
  EXPECT_EQ(WindowModel::GetProp(w, BrowseUrlList::FindEntry, runtime::ui::Prop::Text), "shop");
  ASSERT_TRUE(Driver->SelectRow(w, "?BROWSE:1", 2));
  ASSERT_TRUE(Driver->WaitIdle());
  // Deleting the text brings the whole list back on the record that was selected.
  ASSERT_TRUE(Driver->Edit(w, "?FindText", "")) << Driver->LastFailure();
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_GT(Listed(w).size(), 3u);
  ASSERT_GT(Selected(w), 0);
  EXPECT_EQ(Listed(w)[Selected(w) - 1][0], "https://workshops.example/");
  CloseBrowse(w);
}

TEST_F(BrowseUrlListThreadTest, QueryByExampleNarrowsTheListAndTheMenuOffersIt) {
  Seed({{"https://news.example/", 1}, {"https://shop.example/", 5}, {"https://bookshop.example/", 2}});
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  Driver->AnswerPopup(0);
  ASSERT_TRUE(Driver->RightClickRow(w, "?BROWSE:1", 1)) << Driver->LastFailure();
  ASSERT_TRUE(Driver->WaitIdle());
  const std::vector<runtime::ui::PopupMenu> menus = Screen->PopupMenus();
  ASSERT_FALSE(menus.empty());
  bool offered = false;
  for (const auto& item : menus.back().Items()) offered = offered || item.Text.find("Query") != std::string::npos;
  EXPECT_TRUE(offered);

  ASSERT_TRUE(Driver->Press(w, "?Query")) << Driver->LastFailure();
  const int32_t form = Driver->FindWindow(framework::query::QueryForm::Title);
  ASSERT_NE(form, 0) << Driver->LastFailure();
  ASSERT_TRUE(Driver->Type(form, "?Value1", "*shop")) << Driver->LastFailure();
  ASSERT_TRUE(Driver->Type(form, "?Low2", "1")) << Driver->LastFailure();
  ASSERT_TRUE(Driver->Press(form, "?OK")) << Driver->LastFailure();
  ASSERT_TRUE(Driver->WaitClosed(form));
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_EQ(Listed(w), (Rows{{"https://bookshop.example/", "2"}, {"https://shop.example/", "5"}}));
  CloseBrowse(w);
}

TEST_F(BrowseUrlListThreadTest, TwoBrowsesFromTheFrameEachKeepTheirOwnList) {
  Seed({{"https://alpha.example/", 1}});
  const int32_t first = OpenBrowse();
  const int32_t second = OpenBrowse();
  ASSERT_NE(first, 0);
  ASSERT_NE(second, 0);
  ASSERT_NE(first, second);
  // An insert in the second shows there; the first keeps the page it read.
  ThroughForm(second, "&Insert", F::InsertCaption, "https://bravo.example/", "2");
  EXPECT_EQ(Listed(second).size(), 2u);
  EXPECT_EQ(Listed(first), (Rows{{"https://alpha.example/", "1"}}));
  // Closing one leaves the other working with its own file and view.
  CloseBrowse(second);
  ThroughForm(first, "&Insert", F::InsertCaption, "https://charlie.example/", "1");
  EXPECT_EQ(Listed(first), (Rows{{"https://alpha.example/", "1"}, {"https://bravo.example/", "2"},
                                 {"https://charlie.example/", "1"}}));
  EXPECT_EQ(Selected(first), 3);
  CloseBrowse(first);
}

TEST_F(BrowseUrlListThreadTest, ThePositionIsKeptUnderBrowseUrlList) {
  const int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  CloseBrowse(w);
  // The INI manager writes its file by the time the program has ended.
  ASSERT_TRUE(Driver->ChooseMenu(Frame, "Exit"));
  ASSERT_TRUE(Driver->WaitClosed(Frame));
  runtime::core::Process::Wait();
  const std::string ini = (Dir.Path() / "Vorkan42.INI").string();
  EXPECT_EQ(runtime::settings::IniFile::Read(ini, B::ProcedureName, "Width", "<none>"), "358");
  EXPECT_EQ(runtime::settings::IniFile::Read(ini, B::ProcedureName, "Maximize", "<none>"), "No");
}

TEST_F(BrowseUrlListThreadTest, EditInPlaceOptionChangesTheCountInTheListAndIsRemembered) {
  Seed({{"https://alpha.example/", 1}, {"https://bravo.example/", 2}});
  int32_t w = OpenBrowse();
  ASSERT_NE(w, 0);
  // Off by default: a double click on the count edits nothing in the list; it opens the
  // change form, as on any other column.
  WindowModel::SetPropInt(w, B::BrowseList, Prop::MouseDownColumn, BrowseUrlListBrowse::CountColumn);
  ASSERT_TRUE(Driver->DoubleClickRow(w, "?BROWSE:1", 1));
  const int32_t changeForm = Driver->FindWindow(F::ChangeCaption);
  ASSERT_NE(changeForm, 0) << Driver->LastFailure();
  EXPECT_EQ(WindowModel::ControlNumber(w, "?EditInPlace:2"), 0);
  ASSERT_TRUE(Driver->Press(changeForm, "&Cancel")) << Driver->LastFailure();
  ASSERT_TRUE(Driver->WaitClosed(changeForm)) << Driver->LastFailure();
  ASSERT_TRUE(Driver->WaitIdle());

  Driver->AnswerPopup(B::InPlaceItemText);
  ASSERT_TRUE(Driver->RightClickRow(w, "?BROWSE:1", 2));
  ASSERT_TRUE(Driver->WaitIdle());
  // Enter edits the count of the selected row in the list.
  ASSERT_TRUE(Driver->Focus(w, "?BROWSE:1"));
  ASSERT_TRUE(Driver->PressKey(w, runtime::ui::Key::Enter)) << Driver->LastFailure();
  ASSERT_TRUE(Driver->WaitIdle());
  const int32_t editor = WindowModel::ControlNumber(w, "?EditInPlace:2");
  ASSERT_NE(editor, 0);
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::Focus), editor);
  EXPECT_EQ(WindowModel::GetProp(w, editor, Prop::Text), "2");
  ASSERT_TRUE(Driver->Type(w, "?EditInPlace:2", "5"));
  ASSERT_TRUE(Driver->PressKey(w, runtime::ui::Key::Enter));
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_EQ(WindowModel::ControlNumber(w, "?EditInPlace:2"), 0);
  EXPECT_EQ(Listed(w)[1], (std::vector<std::string>{"https://bravo.example/", "5"}));
  EXPECT_EQ(Selected(w), 2);

  // A double click on the count edits it too; on the address the form opens.
  WindowModel::SetPropInt(w, B::BrowseList, Prop::MouseDownColumn, BrowseUrlListBrowse::CountColumn);
  ASSERT_TRUE(Driver->DoubleClickRow(w, "?BROWSE:1", 1));
  ASSERT_TRUE(Driver->WaitIdle());
  ASSERT_TRUE(Driver->Type(w, "?EditInPlace:2", "8"));
  ASSERT_TRUE(Driver->PressKey(w, runtime::ui::Key::Enter));
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_EQ(Listed(w)[0], (std::vector<std::string>{"https://alpha.example/", "8"}));
  WindowModel::SetPropInt(w, B::BrowseList, Prop::MouseDownColumn, 1);
  ASSERT_TRUE(Driver->DoubleClickRow(w, "?BROWSE:1", 1));
  const int32_t form = Driver->FindWindow(F::ChangeCaption);
  ASSERT_NE(form, 0) << Driver->LastFailure();
  ASSERT_TRUE(Driver->Press(form, "&Cancel"));
  ASSERT_TRUE(Driver->WaitClosed(form));
  ASSERT_TRUE(Driver->WaitIdle());
  CloseBrowse(w);
  EXPECT_EQ(Stored(), (std::vector<std::pair<std::string, int32_t>>{{"https://alpha.example/", 8},
                                                                    {"https://bravo.example/", 5}}));

  // The option is kept under the browse's name and is on after a restart.
  ASSERT_TRUE(Driver->ChooseMenu(Frame, "Exit"));
  ASSERT_TRUE(Driver->WaitClosed(Frame));
  runtime::core::Process::Wait();
  const std::string ini = (Dir.Path() / "Vorkan42.INI").string();
  EXPECT_EQ(runtime::settings::IniFile::Read(ini, B::ProcedureName, B::InPlaceEntry, "<none>"), "1");
  ASSERT_TRUE(runtime::core::Process::Launch(Program::Table(), Program::MainProcedure));
  Frame = Driver->FindWindow(MainFrame::Caption);
  ASSERT_NE(Frame, 0) << Driver->LastFailure();
  w = OpenBrowse();
  ASSERT_NE(w, 0);
  ASSERT_TRUE(Driver->Focus(w, "?BROWSE:1"));
  ASSERT_TRUE(Driver->PressKey(w, runtime::ui::Key::Enter)) << Driver->LastFailure();
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_NE(WindowModel::ControlNumber(w, "?EditInPlace:2"), 0);
  ASSERT_TRUE(Driver->PressKey(w, runtime::ui::Key::Esc));
  ASSERT_TRUE(Driver->WaitIdle());
  CloseBrowse(w);
}

}  // namespace
}  // namespace app
