// A browse driven through the headless front end as a user would: paging at the ends
// of the file, inserting, shrinking the list, a hidden list, an empty file, typing
// letters, a descending order and dragging the thumb.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "framework/data/FileUsageRegistry.h"
#include "framework/error/ErrorStatus.h"
#include "framework/window/WindowController.h"
#include "runtime/core/PerThread.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/headless/HeadlessDriver.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"
#include "tests/support/BrowseTestWindow.h"
#include "tests/support/BrowseThreadFixture.h"

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

class BrowseWindowThreadTest : public testsupport::BrowseThreadFixture {
 protected:
  void Start(BrowseTestWindow::Options options = {}) { BrowseThreadFixture::Start(std::move(options)); }

  // The names the list shows, and the selected one.
  Names Shown() const {
    Names names;
    for (const auto& row : WindowModel::ListRows(Window, List)) names.push_back(row.empty() ? "" : row[0]);
    return names;
  }
  std::string SelectedName() const {
    const Names names = Shown();
    const int32_t row = Selected();
    return row >= 1 && row <= static_cast<int32_t>(names.size()) ? names[static_cast<size_t>(row - 1)] : "";
  }
  void Type(char c) {
    ASSERT_TRUE(Driver->Focus(Window, "?List").Ok) << Driver->LastFailure();
    Key(c >= 'A' && c <= 'Z' ? Key::Shift + Key::Of(c) : Key::Of(c));
  }
  bool Disabled(const char* control) const {
    return WindowModel::GetPropInt(Window, WindowModel::ControlNumber(Window, control), Prop::Disable) != 0;
  }
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
  EXPECT_NE(Shown().back(), "KILO") << testing::PrintToString(Shown());
}

TEST_F(BrowseWindowThreadTest, SelectingBrowsePicksTheRowOrGivesTheBufferBack) {
  Seed(Alphabet);
  struct Picked {
    uint8_t Response;
    std::string Name;
  };
  enum class How { SelectButton, DoubleClick, Esc };
  std::vector<Picked> picked;
  for (How how : {How::SelectButton, How::DoubleClick, How::Esc}) {
    BrowseTestWindow::Options options;
    options.Selecting = true;
    options.PresetName = "BEFORE";
    options.AfterRun = [&](BrowseTestWindow& window, uint8_t response) {
      picked.push_back({response, window.Data.Record.Name});
    };
    Start(std::move(options));
    // The list starts at the caller's record.
    EXPECT_EQ(Shown().front(), "BETA");
    Select(3);
    EXPECT_FALSE(Disabled("?Select"));
    runtime::ui::headless::DriverResult done;
    if (how == How::SelectButton) done = Driver->Press(Window, "?Select");
    if (how == How::DoubleClick) done = Driver->DoubleClickRow(Window, "?List", 3);
    if (how == How::Esc) done = Driver->PressKey(Window, Key::Esc);
    ASSERT_TRUE(done.Ok) << Driver->LastFailure();
    ASSERT_TRUE(Driver->WaitClosed(Window).Ok) << Driver->LastFailure();
    Browse.reset();
    Window = 0;
  }
  ASSERT_EQ(picked.size(), 3u);
  EXPECT_EQ(picked[0].Response, WindowController::ResponseCompleted);
  EXPECT_EQ(picked[0].Name, "CHARLIE");
  EXPECT_EQ(picked[1].Response, WindowController::ResponseCompleted);
  EXPECT_EQ(picked[1].Name, "CHARLIE");
  // Nothing picked: the record buffer is as the caller left it.
  EXPECT_EQ(picked[2].Response, WindowController::ResponseCancelled);
  EXPECT_EQ(picked[2].Name, "BEFORE");
}

TEST_F(BrowseWindowThreadTest, RecordThatVanishedUnderTheSelectionIsReportedAndThePageReloaded) {
  Seed(Alphabet);
  testsupport::RequestLog requests;
  BrowseTestWindow::Options options;
  options.Update = [&](uint8_t request, testsupport::NameFile&) -> uint8_t {
    requests.Add(request);
    return WindowController::ResponseCancelled;
  };
  Start(std::move(options));
  Select(2);
  {
    // Another station deletes the selected record.
    testsupport::NameFile other(Errors);
    ASSERT_EQ(other.Open(), framework::error::LevelQuiet);
    other.SetName("BETA");
    ASSERT_EQ(other.Manager.Fetch(testsupport::KeyName), framework::error::LevelQuiet);
    ASSERT_EQ(other.File.Delete(), 0);
    other.Relations.Close(framework::data::Walk::Top);
  }
  ASSERT_TRUE(Driver->Press(Window, "?Change").Ok) << Driver->LastFailure();
  Idle();
  EXPECT_TRUE(requests.Take().empty()) << "no form for a record that is gone";
  const auto titles = Errors.Titles();
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_EQ(titles[0].substr(0, 23), "Record Retrieval Error:");
  EXPECT_EQ(Shown(), (Names{"ALPHA", "BRAVO", "CHARLIE", "DELTA", "ECHO"}));
}

TEST_F(BrowseWindowThreadTest, SwitchingSortOrdersAndTemporaryOrders) {
  Seed(Alphabet);
  std::mutex lock;  // the hook runs on the browse's thread
  std::string savedSort;
  uint8_t savedFlag = 0;
  auto saved = [&] {
    std::lock_guard guard(lock);
    return std::make_pair(savedSort, savedFlag);
  };
  BrowseTestWindow::Options options;
  options.SecondOrder = true;
  options.Hook = [&](BrowseTestWindow& window, int32_t argument) {
    if (argument == 1 || argument == 2) window.Browse.ChooseOrder(static_cast<size_t>(argument), framework::window::ResetMode::IfChanged);
    if (argument == 3) window.Browse.SetTemporaryOrder("-NAM:COUNT", nullptr, nullptr);
    if (argument == 4) window.Browse.SetTemporaryOrder("NAM:COUNT", nullptr, nullptr);
    {
      std::lock_guard guard(lock);
      savedSort = window.Browse.SavedSortString;
      savedFlag = window.Browse.SavedSort;
    }
    window.Browse.RefreshControls();
  };
  Start(std::move(options));
  auto hook = [&](int32_t argument) {
    WindowModel::Post(Window, BrowseTestWindow::HookEvent, 0, argument);
    Idle();
  };
  EXPECT_EQ(Shown(), (Names{"ALPHA", "BETA", "BRAVO", "CHARLIE", "DELTA"}));
  // The other order keeps the selected record in view.
  hook(2);
  EXPECT_EQ(Shown(), (Names{"DELTA", "CHARLIE", "BRAVO", "BETA", "ALPHA"}));
  EXPECT_EQ(SelectedName(), "ALPHA");
  Key(Key::Home);
  EXPECT_EQ(Shown(), (Names{"KILO", "JULIET", "INDIA", "HOTEL", "GOLF"}));
  hook(1);
  EXPECT_EQ(SelectedName(), "KILO");
  EXPECT_LT(Shown().front(), Shown().back());
  Key(Key::Home);
  EXPECT_EQ(Shown(), (Names{"ALPHA", "BETA", "BRAVO", "CHARLIE", "DELTA"}));

  // A temporary order keeps the order it replaced; a second one keeps the same.
  hook(3);
  EXPECT_EQ(saved().second, 1);
  const std::string original = saved().first;
  EXPECT_NE(original.find("NAM:NAME"), std::string::npos);
  Key(Key::Home);
  EXPECT_EQ(Shown(), (Names{"KILO", "JULIET", "INDIA", "HOTEL", "GOLF"}));
  hook(4);
  EXPECT_EQ(saved().first, original);
  Key(Key::Home);
  EXPECT_EQ(Shown(), (Names{"ALPHA", "BETA", "BRAVO", "CHARLIE", "DELTA"}));
}

TEST_F(BrowseWindowThreadTest, ThumbFollowsTheSelectedRowWhileScrolling) {
  Seed(Alphabet);
  Start();
  auto thumb = [&] { return WindowModel::GetPropInt(Window, List, Prop::ThumbPosition); };
  EXPECT_EQ(thumb(), 0);
  Key(Key::PgDn);
  const auto middle = thumb();
  EXPECT_GT(middle, 0);
  EXPECT_LT(middle, 100);
  Key(Key::Down);
  EXPECT_GE(thumb(), middle);
  Key(Key::End);
  EXPECT_EQ(thumb(), 100);
  Key(Key::PgUp);
  EXPECT_LT(thumb(), 100);
  Key(Key::Home);
  EXPECT_EQ(thumb(), 0);
}

// Storing many rows is slow under the sanitizers; the thread paths it takes are those of
// the tests above, so it stays out of the threading set.
class StoredAddressThumbTest : public BrowseWindowThreadTest {};

TEST_F(StoredAddressThumbTest, DragsLandNearTheirShareOfTheRows) {
  // Addresses over "http://" and "https://", stored in the browse's file: 20,000 in
  // the test run; VK_THUMB_ROWS=1000000 checks a million (minutes to store).
  const char* rows = std::getenv("VK_THUMB_ROWS");
  const size_t Count = rows != nullptr ? std::strtoul(rows, nullptr, 10) : 20'000;
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::mt19937 random(7);
  std::vector<std::string> addresses;
  addresses.reserve(Count);
  for (size_t i = 0; i < Count; ++i) {
    std::string host;
    for (int c = 0; c < 10; ++c) host += alphabet[random() % alphabet.size()];
    addresses.push_back(std::string(random() % 2 ? "http://" : "https://") + "www." + host + ".example/");
  }
  {
    testsupport::NameFile file(Errors);
    ASSERT_EQ(file.Open(), framework::error::LevelQuiet);
    ASSERT_EQ(file.AddMany(Count, [&](size_t i) { return addresses[i]; }), 0);
    file.Relations.Close(framework::data::Walk::Top);
  }
  std::sort(addresses.begin(), addresses.end());
  BrowseTestWindow::Options options;
  options.StepControls = StringStep::ControlLetters | StringStep::ControlDigits | StringStep::ControlAddress;
  Start(std::move(options));
  for (int32_t percent : {10, 50, 90}) {
    SCOPED_TRACE(percent);
    WindowModel::SetPropInt(Window, List, Prop::ThumbPosition, percent);
    ASSERT_EQ(WindowModel::Input(Window, List, Event::ScrollDrag), "");
    Idle();
    const std::string shown = SelectedName();
    const auto at = std::lower_bound(addresses.begin(), addresses.end(), shown);
    ASSERT_TRUE(at != addresses.end() && *at == shown) << shown;
    EXPECT_NEAR(100.0 * static_cast<double>(at - addresses.begin()) / static_cast<double>(Count), percent, 5.0)
        << shown;
  }
}

}  // namespace
}  // namespace framework::browse
