// The error window as a user meets it: the history viewer and messages shown in
// history mode, with their captions, buttons laid out from the right, the default
// button, the icon, the list of recorded messages and the value of the button pressed.
// The window runs on the test's thread while a second thread drives it.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/error/Buttons.h"
#include "framework/error/ErrorManager.h"
#include "framework/error/ErrorWindow.h"
#include "framework/error/ErrorWindowDefinition.h"
#include "framework/error/StandardErrorLog.h"
#include "framework/error/StockIcon.h"
#include "runtime/core/Halt.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/headless/HeadlessDriver.h"
#include "tests/framework/error/ErrorTestFixture.h"
#include "tests/support/TempWorkDir.h"

namespace framework::error::errortest {
namespace {

using namespace std::chrono_literals;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

// What the user saw in the window before pressing.
struct Seen {
  std::string Title;
  std::vector<std::string> Buttons;  // captions of the shown buttons, left to right
  std::string DefaultButton;
  std::string Focused;
  std::vector<std::vector<std::string>> Rows;
  std::string Icon;
};

class ErrorWindowThreadTest : public ErrorManagerFixture {
 protected:
  void SetUp() override {
    ErrorManagerFixture::SetUp();
    Driver = std::make_unique<runtime::ui::headless::HeadlessDriver>(*Screen, 3s);
  }
  void TearDown() override {
    WindowModel::CloseAll();
    ErrorManagerFixture::TearDown();
  }

  static Seen Look(int32_t window) {
    Seen seen;
    auto w = WindowModel::Snapshot(window);
    if (!w) return seen;
    seen.Title = w->Title;
    // ?BUTTON1 (107) is the leftmost, ?BUTTON8 (100) the rightmost.
    for (int32_t control = ErrorWindowDefinition::FirstButtonControl + ErrorWindowDefinition::ButtonCount - 1;
         control >= ErrorWindowDefinition::FirstButtonControl; --control) {
      const runtime::ui::Control* c = w->Find(control);
      if (!c || c->Hidden) continue;
      seen.Buttons.push_back(c->Text);
      if (c->Default) seen.DefaultButton = c->Text;
      if (w->Focus == control) seen.Focused = c->Text;
    }
    seen.Rows = WindowModel::ListRows(window, ErrorWindowDefinition::ListControl);
    seen.Icon = WindowModel::GetProp(window, ErrorWindowDefinition::ImageControl, Prop::Icon);
    return seen;
  }

  // Runs `show` on this thread while another thread finds the window titled `title`,
  // records what it shows and then acts as `user` says.
  int32_t Drive(const std::string& title, const std::function<int32_t()>& show,
                const std::function<void(int32_t window)>& user, Seen& seen) {
    std::thread driver([&] {
      const int32_t window = Driver->FindWindow(title);
      if (window == 0) return;
      EXPECT_TRUE(Driver->WaitIdle());
      seen = Look(window);
      user(window);
      if (!Driver->WaitClosed(window)) WindowModel::Close(window);
    });
    const int32_t result = show();
    driver.join();
    return result;
  }

  std::unique_ptr<runtime::ui::headless::HeadlessDriver> Driver;
  // A manager whose history window really opens.
  ErrorManager Real;
};

TEST_F(ErrorWindowThreadTest, EmptyHistoryViewShowsOkAndHelpAndReturnsThePressedButton) {
  struct Case {
    const char* Press;
    int32_t Result;
  };
  for (const Case& c : {Case{"O&k", Button::Ok}, Case{"&Help", Button::Help}}) {
    SCOPED_TRACE(c.Press);
    Real.Construct();
    Real.Init(TestStatus());
    Seen seen;
    const int32_t result = Drive(
        "Errors History", [&] { return Real.OpenHistoryView(); },
        [&](int32_t w) { EXPECT_TRUE(Driver->Press(w, c.Press)); }, seen);
    EXPECT_EQ(result, c.Result);
    EXPECT_EQ(seen.Buttons, (std::vector<std::string>{"O&k", "&Help"}));
    EXPECT_EQ(seen.DefaultButton, "O&k");
    EXPECT_EQ(seen.Focused, "O&k");
    EXPECT_TRUE(seen.Rows.empty());
    EXPECT_EQ(seen.Icon, ErrorWindow::IconCode(ErrorWindow::DefaultIconId));
    EXPECT_EQ(seen.Icon, StockIcon::Asterisk);
    Real.Shutdown();
  }
}

TEST_F(ErrorWindowThreadTest, ButtonsReadLeftToRightInIncreasingValue) {
  struct Case {
    int32_t Set;
    int32_t Default;
    std::vector<std::string> Buttons;
  };
  const Case cases[] = {
      {Button::YesNoCancel, Button::Cancel, {"&Yes", "&No", "&Cancel"}},
      {255, Button::Retry, {"O&k", "&Yes", "&No", "&Abort", "&Retry", "&Ignore", "&Cancel", "&Help"}},
      {Button::Abort | Button::Ignore, Button::Ignore, {"&Abort", "&Ignore"}},
  };
  Real.Construct();
  Real.Init(TestStatus());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Set);
    Seen seen;
    const int32_t result = Drive(
        "Layout", [&] { return Real.ShowHistoryWindow("Layout", 0, c.Set, c.Default); },
        [&](int32_t w) { EXPECT_TRUE(Driver->Press(w, c.Buttons.front())); }, seen);
    EXPECT_EQ(seen.Buttons, c.Buttons);
    EXPECT_EQ(seen.DefaultButton, ErrorWindow::ButtonCaption(c.Default));
    EXPECT_EQ(result, c.Set & -c.Set) << "the leftmost button is the lowest value";
  }
  Real.Shutdown();
}

TEST_F(ErrorWindowThreadTest, NoButtonsAndClosingTheWindowReturnsTheDefault) {
  Real.Construct();
  Real.Init(TestStatus());
  Seen seen;
  const int32_t result = Drive(
      "Nothing to press", [&] { return Real.ShowHistoryWindow("Nothing to press", 0, 0, Button::Retry); },
      [&](int32_t w) { EXPECT_TRUE(Driver->PressKey(w, runtime::ui::Key::Esc)); }, seen);
  EXPECT_TRUE(seen.Buttons.empty());
  EXPECT_EQ(result, Button::Retry);
  Real.Shutdown();
}

TEST_F(ErrorWindowThreadTest, HistoryListShowsTheKeptMessagesOldestFirstWithTheirCategory) {
  Real.Construct();
  Real.Init(TestStatus());
  Real.SetHistoryThreshold(3);
  Real.SetCategory(28, "Data");
  for (int i = 0; i < 5; ++i) Real.RaiseErrorWithMessage(19, std::to_string(i));  // recorded, not shown
  Real.RaiseError(28);
  Seen seen;
  Drive(
      "Errors History", [&] { return Real.OpenHistoryView(); },
      [&](int32_t w) { EXPECT_TRUE(Driver->Press(w, "O&k")); }, seen);
  const std::vector<std::vector<std::string>> expected = {
      {"The value of  must be in the list : 3.", "Kel"},
      {"The value of  must be in the list : 4.", "Kel"},
      {"There are no records available to process.", "Data"},
  };
  EXPECT_EQ(seen.Rows, expected);
  EXPECT_TRUE(Boxes().empty());
  Real.Shutdown();
}

TEST_F(ErrorWindowThreadTest, InHistoryModeOnlyTheViewedSeverityOpensTheWindow) {
  Real.Construct();
  Real.Init(TestStatus());
  Real.SetHistoryThreshold(-1);
  // A notice is recorded, nothing opens, and the caller gets the default button.
  EXPECT_EQ(Real.ReportMessage("quiet notice", "Notice", StockIcon::Asterisk, Button::Ok, Button::Ok, 0), Button::Ok);
  EXPECT_EQ(Real.RaiseError(28), LevelNotice);
  EXPECT_TRUE(WindowModel::Windows().empty());
  EXPECT_EQ(Real.HistoryEntries().size(), 2u);

  // At the viewed level the window opens with the message's title and a numeric icon.
  Real.SetHistoryViewLevel(LevelNotice);
  Real.SetCurrentError(28);
  Seen seen;
  const int32_t result = Drive(
      "Shown", [&] { return Real.ReportMessage("now shown", "Shown", "42", Button::YesNo, Button::No, 0); },
      [&](int32_t w) { EXPECT_TRUE(Driver->Press(w, "&Yes")); }, seen);
  EXPECT_EQ(result, Button::Yes);
  EXPECT_EQ(seen.Icon, ErrorWindow::IconCode(42));
  ASSERT_EQ(seen.Rows.size(), 3u);
  EXPECT_EQ(seen.Rows.back().front(), "now shown");
  EXPECT_TRUE(Boxes().empty());
  Real.Shutdown();
}

TEST_F(ErrorWindowThreadTest, LogThatCannotBeOpenedStillRecordsAndShowsTheMessage) {
  testsupport::TempWorkDir folder;
  std::filesystem::create_directory(StandardErrorLog::FileName);  // a folder in the way of the file
  Real.Construct();
  Real.Init(TestStatus());
  Real.LogErrors = true;
  Real.SetHistoryThreshold(-1);
  Real.SetHistoryViewLevel(LevelNotice);
  Seen seen;
  ::testing::internal::CaptureStderr();
  Drive(
      "No Records", [&] { return static_cast<int32_t>(Real.RaiseError(28)); },
      [&](int32_t w) { EXPECT_TRUE(Driver->Press(w, "O&k")); }, seen);
  ::testing::internal::GetCapturedStderr();
  ASSERT_EQ(seen.Rows.size(), 1u);
  EXPECT_EQ(seen.Rows[0][0], "There are no records available to process.");
  Real.Shutdown();
}

using ErrorWindowThreadDeathTest = ErrorWindowThreadTest;

TEST_F(ErrorWindowThreadDeathTest, HaltLevelMessageInHistoryModeOpensTheWindowThenHalts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Real.Construct();
        Real.Init(TestStatus());
        Real.SetHistoryThreshold(-1);
        Real.SetFileName("UrlList");
        std::thread user([this] {
          const int32_t w = Driver->FindWindow("File Access Error");
          if (w == 0 || !Driver->WaitIdle()) return;
          const Seen seen = Look(w);
          std::fprintf(stderr, "shown [%s] buttons %zu icon %s\n", seen.Rows.at(0).at(0).c_str(), seen.Buttons.size(),
                       seen.Icon == StockIcon::Asterisk ? "default" : "other");
          Driver->Press(w, "O&k");
        });
        user.detach();
        runtime::core::AddHaltHook(
            [](int code, const std::string& text) { std::fprintf(stderr, "halt %d [%s]\n", code, text.c_str()); });
        Real.RaiseError(29);
        std::fprintf(stderr, "returned\n");
      },
      ::testing::ExitedWithCode(1),
      "shown \\[File UrlList could not be opened.  Error:  \\(0\\).  Press OK to end this application\\] "
      "buttons 1 icon default\nhalt 1 \\[File Access Error: File UrlList");
}

}  // namespace
}  // namespace framework::error::errortest
