// A browse driven through the headless front end as a user would: paging at the ends
// of the file, inserting, shrinking the list, a hidden list, an empty file, typing
// letters, a descending order and dragging the thumb.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/data/FileUsageRegistry.h"
#include "framework/error/ErrorStatus.h"
#include "framework/window/WindowController.h"
#include "runtime/core/PerThread.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/MessageBoxService.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/headless/HeadlessDriver.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"
#include "tests/support/BrowseTestWindow.h"
#include "tests/support/TempWorkDir.h"

namespace framework::browse {
namespace {

using namespace std::chrono_literals;
using framework::window::WindowController;
using runtime::ui::Event;
using runtime::ui::Key;
using runtime::ui::Prop;
using runtime::ui::WindowModel;
using testsupport::BrowseTestWindow;
using Names = std::vector<std::string>;

const Names Alphabet = {"ALPHA", "BETA", "BRAVO", "CHARLIE", "DELTA", "ECHO",
                        "FOXTROT", "GOLF", "HOTEL", "INDIA", "JULIET", "KILO"};

runtime::core::PerThread<framework::error::ErrorStatus>& Status() {
  static runtime::core::PerThread<framework::error::ErrorStatus> status;
  return status;
}

class BrowseWindowThreadTest : public testing::Test {
 protected:
  void SetUp() override {
    Screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
    runtime::ui::MessageBoxService::Install(Screen);
    Driver = std::make_unique<runtime::ui::headless::HeadlessDriver>(*Screen, 5s);
    Status().Reset();
    Errors.Construct();
    Errors.Init(Status());
    framework::data::FileUsageRegistry::Current().Init();
  }
  void TearDown() override {
    if (Window != 0 && WindowModel::Exists(Window)) WindowModel::Post(Window, Event::CloseWindow);
    Browse.reset();
    WindowModel::CloseAll();
    framework::data::FileUsageRegistry::Current().Teardown();
    Errors.Shutdown();
    runtime::ui::MessageBoxService::Install(nullptr);
  }

  void Seed(const Names& names) {
    testsupport::NameFile file(Errors);
    ASSERT_EQ(file.Open(), framework::error::LevelQuiet);
    for (size_t i = 0; i < names.size(); ++i) ASSERT_EQ(file.Add(names[i], static_cast<int32_t>(i)), 0);
    file.Relations.Close(framework::data::Walk::Top);
  }

  void Start(BrowseTestWindow::Options options = {}) {
    Browse = std::make_unique<testsupport::BrowseTestThread>(std::move(options), Errors);
    Window = Driver->FindWindow(BrowseTestWindow::Title);
    ASSERT_NE(Window, 0);
    List = WindowModel::ControlNumber(Window, "?List");
    Idle();
  }
  void Idle() { ASSERT_TRUE(Driver->WaitIdle().Ok) << Driver->LastFailure(); }

  // The names the list shows, and the selected one.
  Names Shown() const {
    Names names;
    for (const auto& row : WindowModel::ListRows(Window, List)) names.push_back(row.empty() ? "" : row[0]);
    return names;
  }
  int32_t Selected() const { return WindowModel::Choice(Window, List); }
  std::string SelectedName() const {
    const Names names = Shown();
    const int32_t row = Selected();
    return row >= 1 && row <= static_cast<int32_t>(names.size()) ? names[static_cast<size_t>(row - 1)] : "";
  }
  void Key(int32_t key) {
    ASSERT_TRUE(Driver->PressKey(Window, key).Ok) << Driver->LastFailure();
    Idle();
  }
  void Type(char c) {
    ASSERT_TRUE(Driver->Focus(Window, "?List").Ok) << Driver->LastFailure();
    Key(c >= 'A' && c <= 'Z' ? Key::Shift + Key::Of(c) : Key::Of(c));
  }
  void Select(int32_t row) {
    ASSERT_TRUE(Driver->SelectRow(Window, "?List", row).Ok) << Driver->LastFailure();
    Idle();
  }
  bool Disabled(const char* control) const {
    return WindowModel::GetPropInt(Window, WindowModel::ControlNumber(Window, control), Prop::Disable) != 0;
  }

  testsupport::TempWorkDir Folder;
  testsupport::RecordingErrorManager Errors;
  std::shared_ptr<runtime::ui::headless::HeadlessFrontEnd> Screen;
  std::unique_ptr<runtime::ui::headless::HeadlessDriver> Driver;
  std::unique_ptr<testsupport::BrowseTestThread> Browse;
  int32_t Window = 0;
  int32_t List = 0;
};

TEST_F(BrowseWindowThreadTest, PagingAtTheEndsMovesTheSelectionByTheRowsThatCouldNotBeRead) {
  Seed(Alphabet);
  Start();
  EXPECT_EQ(Shown(), (Names{"ALPHA", "BETA", "BRAVO", "CHARLIE", "DELTA"}));
  EXPECT_EQ(Selected(), 1);

  Key(Key::PgDn);
  EXPECT_EQ(Shown(), (Names{"ECHO", "FOXTROT", "GOLF", "HOTEL", "INDIA"}));
  EXPECT_EQ(Selected(), 1);
  // Two rows left to read: the page moves by two and the selection by the other three.
  Key(Key::PgDn);
  EXPECT_EQ(Shown(), (Names{"GOLF", "HOTEL", "INDIA", "JULIET", "KILO"}));
  EXPECT_EQ(SelectedName(), "JULIET");
  Key(Key::PgDn);
  EXPECT_EQ(SelectedName(), "KILO");

  Key(Key::Home);
  EXPECT_EQ(Shown(), (Names{"ALPHA", "BETA", "BRAVO", "CHARLIE", "DELTA"}));
  Select(3);
  Key(Key::PgUp);
  EXPECT_EQ(Selected(), 1);
  Key(Key::PgUp);
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(Shown().front(), "ALPHA");

  Key(Key::End);
  EXPECT_EQ(Shown(), (Names{"GOLF", "HOTEL", "INDIA", "JULIET", "KILO"}));
  EXPECT_EQ(SelectedName(), "KILO");
  Key(Key::Up);
  EXPECT_EQ(SelectedName(), "JULIET");
}

TEST_F(BrowseWindowThreadTest, InsertedRecordTakesTheLineOfTheSelection) {
  Seed(Alphabet);
  testsupport::RequestLog requests;
  BrowseTestWindow::Options options;
  options.Update = [&](uint8_t request, testsupport::NameFile& file) -> uint8_t {
    requests.Add(request);
    if (request != WindowController::RequestInsert) return WindowController::ResponseCancelled;
    file.SetName("CZAR");
    file.Record.Count = 99;
    return file.Manager.Insert() == 0 ? WindowController::ResponseCompleted : WindowController::ResponseCancelled;
  };
  Start(std::move(options));
  Select(4);
  ASSERT_TRUE(Driver->Press(Window, "?Insert").Ok) << Driver->LastFailure();
  Idle();
  EXPECT_EQ(requests.Take(), (std::vector<uint8_t>{WindowController::RequestInsert}));
  EXPECT_EQ(Shown(), (Names{"BETA", "BRAVO", "CHARLIE", "CZAR", "DELTA"}));
  EXPECT_EQ(Selected(), 4);
}

TEST_F(BrowseWindowThreadTest, ChangedRecordThatFailsTheFilterLeavesTheList) {
  Seed(Alphabet);
  BrowseTestWindow::Options options;
  options.Filter = "NAM:COUNT < 100";
  options.Update = [](uint8_t request, testsupport::NameFile& file) -> uint8_t {
    if (request != WindowController::RequestChange) return WindowController::ResponseCancelled;
    file.Record.Count = 500;
    return file.Manager.Update() == 0 ? WindowController::ResponseCompleted : WindowController::ResponseCancelled;
  };
  Start(std::move(options));
  Select(2);
  ASSERT_TRUE(Driver->Press(Window, "?Change").Ok) << Driver->LastFailure();
  Idle();
  EXPECT_EQ(Shown(), (Names{"ALPHA", "BRAVO", "CHARLIE", "DELTA", "ECHO"}));
  EXPECT_EQ(Selected(), 2);
}

TEST_F(BrowseWindowThreadTest, ShrinkingTheListDropsRowsFromTheTopAndKeepsTheSelection) {
  Seed(Alphabet);
  Start();
  Select(4);
  ASSERT_TRUE(Driver->ResizeList(Window, "?List", 2).Ok);
  WindowModel::Post(Window, Event::Resized);
  Idle();
  EXPECT_EQ(Shown().size(), 2u);
  EXPECT_EQ(SelectedName(), "CHARLIE");
}

TEST_F(BrowseWindowThreadTest, HiddenListLoadsOnlyWhenResetAgain) {
  Seed(Alphabet);
  BrowseTestWindow::Options options;
  options.HideList = true;
  Start(std::move(options));
  EXPECT_TRUE(Shown().empty());
  WindowModel::Unhide(Window, List);
  WindowModel::Post(Window, Event::GainFocus);
  Idle();
  EXPECT_EQ(Shown(), (Names{"ALPHA", "BETA", "BRAVO", "CHARLIE", "DELTA"}));
}

TEST_F(BrowseWindowThreadTest, EmptyFileLeavesNoChoiceAndDisablesTheRecordButtons) {
  Seed({});
  Start();
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(Selected(), 0);
  EXPECT_TRUE(Disabled("?Change"));
  EXPECT_TRUE(Disabled("?Delete"));
  EXPECT_TRUE(Disabled("?View"));
  EXPECT_FALSE(Disabled("?Insert"));
}

TEST_F(BrowseWindowThreadTest, TypedLetterStepsToTheNextRowOrLocatesOnTheCurrentLine) {
  Seed(Alphabet);
  Start();
  Type('B');  // the next row starts with B: one row down
  EXPECT_EQ(SelectedName(), "BETA");
  EXPECT_EQ(Shown().front(), "ALPHA");
  Type('b');  // lower case counts as upper case
  EXPECT_EQ(SelectedName(), "BRAVO");
  Type('F');  // the next row starts otherwise: the first F record, on the current line
  EXPECT_EQ(SelectedName(), "FOXTROT");
  EXPECT_EQ(Selected(), 4);
  EXPECT_EQ(Shown(), (Names{"CHARLIE", "DELTA", "ECHO", "FOXTROT", "GOLF"}));
}

TEST_F(BrowseWindowThreadTest, DescendingOrderLocatesTheLastRecordWithTheInitial) {
  Seed(Alphabet);
  BrowseTestWindow::Options options;
  options.Descending = true;
  Start(std::move(options));
  EXPECT_EQ(Shown(), (Names{"KILO", "JULIET", "INDIA", "HOTEL", "GOLF"}));
  Type('B');
  EXPECT_EQ(SelectedName(), "BRAVO");
  EXPECT_EQ(Shown(), (Names{"DELTA", "CHARLIE", "BRAVO", "BETA", "ALPHA"}));
}

TEST_F(BrowseWindowThreadTest, ThumbDraggedToTheTopGoesToTheFirstPage) {
  Seed(Alphabet);
  Start();
  Key(Key::PgDn);
  ASSERT_EQ(Shown().front(), "ECHO");
  EXPECT_EQ(WindowModel::GetPropInt(Window, List, Prop::VScroll), 1);
  WindowModel::SetPropInt(Window, List, Prop::ThumbPosition, 0);
  ASSERT_EQ(WindowModel::Input(Window, List, Event::ScrollDrag), "");
  Idle();
  EXPECT_EQ(Shown().front(), "ALPHA");
  EXPECT_EQ(Selected(), 1);

  // Dragged to the middle: the browse locates the value the run-time distribution gives.
  WindowModel::SetPropInt(Window, List, Prop::ThumbPosition, 50);
  ASSERT_EQ(WindowModel::Input(Window, List, Event::ScrollDrag), "");
  Idle();
  EXPECT_NE(Shown().front(), "ALPHA");
  EXPECT_NE(Shown().back(), "KILO");
}

}  // namespace
}  // namespace framework::browse
