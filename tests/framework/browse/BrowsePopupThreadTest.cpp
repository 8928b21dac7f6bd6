// The browse's record actions reached every way a user can: the context menu after a
// right click, the keys of the list, a double click and the "Browse Actions" toolbox.
// Each must end in the update procedure with the right request and the selected
// record, and the browse must reposition on its answer.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/data/FileUsageRegistry.h"
#include "framework/error/ErrorStatus.h"
#include "framework/window/WindowController.h"
#include "runtime/core/PerThread.h"
#include "runtime/core/Process.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/PopupMenu.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/headless/HeadlessDriver.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"
#include "tests/support/PopupBrowseTestWindow.h"
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

const Names Alphabet = {"ALPHA", "BETA", "BRAVO", "CHARLIE", "DELTA", "ECHO", "FOXTROT", "GOLF"};

runtime::core::PerThread<framework::error::ErrorStatus>& Status() {
  static runtime::core::PerThread<framework::error::ErrorStatus> status;
  return status;
}

// What the update procedure was asked: the request and the record in the buffer.
struct Call {
  uint8_t Request = 0;
  std::string Name;
  bool operator==(const Call&) const = default;
};

class CallLog {
 public:
  void Add(Call call) {
    std::lock_guard lock(Lock);
    Calls.push_back(std::move(call));
  }
  std::vector<Call> Take() {
    std::lock_guard lock(Lock);
    return std::exchange(Calls, {});
  }

 private:
  std::mutex Lock;
  std::vector<Call> Calls;
};

class BrowsePopupThreadTest : public testing::Test {
 protected:
  void SetUp() override {
    Screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
    Screen->SetAnswerTimeout(3s);
    runtime::ui::FrontEnd::Install(Screen);
    Driver = std::make_unique<runtime::ui::headless::HeadlessDriver>(*Screen, 5s);
    Status().Reset();
    Errors.Construct();
    Errors.Init(Status());
    framework::data::FileUsageRegistry::Current().Init();
  }
  void TearDown() override {
    if (Window != 0 && WindowModel::Exists(Window)) WindowModel::Post(Window, Event::CloseWindow);
    Browse.reset();
    // Collects the toolbox threads, which ended with their browse.
    runtime::core::Process::Wait();
    WindowModel::CloseAll();
    framework::data::FileUsageRegistry::Current().Teardown();
    Errors.Shutdown();
    runtime::ui::FrontEnd::Install(nullptr);
  }

  void Seed(const Names& names) {
    testsupport::NameFile file(Errors);
    ASSERT_EQ(file.Open(), framework::error::LevelQuiet);
    for (size_t i = 0; i < names.size(); ++i) ASSERT_EQ(file.Add(names[i], static_cast<int32_t>(i)), 0);
    file.Relations.Close(framework::data::Walk::Top);
  }

  // Starts the browse with an update procedure that logs each call and answers with
  // `answer` (which may change the file first).
  void Start(std::function<uint8_t(uint8_t, testsupport::NameFile&)> answer = {}) {
    BrowseTestWindow::Options options;
    options.Update = [this, answer](uint8_t request, testsupport::NameFile& file) -> uint8_t {
      Log.Add({request, file.Record.Name});
      return answer ? answer(request, file) : WindowController::ResponseCancelled;
    };
    Browse = std::make_unique<testsupport::PopupBrowseTestThread>(std::move(options), Errors);
    Window = Driver->FindWindow(BrowseTestWindow::Title);
    ASSERT_NE(Window, 0);
    List = WindowModel::ControlNumber(Window, "?List");
    Idle();
  }
  void Idle() { ASSERT_TRUE(Driver->WaitIdle().Ok) << Driver->LastFailure(); }

  Names Shown() const {
    Names names;
    for (const auto& row : WindowModel::ListRows(Window, List)) names.push_back(row.empty() ? "" : row[0]);
    return names;
  }
  int32_t Selected() const { return WindowModel::Choice(Window, List); }

  // Right-clicks the row (0: the empty list itself) and answers the menu with `item`
  // ("" dismisses it); the menu shown.
  runtime::ui::PopupMenu RightClick(int32_t row, const std::string& item) {
    const size_t before = Screen->PopupMenus().size();
    if (item.empty()) Driver->AnswerPopup(0);
    else Driver->AnswerPopup(item);
    if (row == 0) EXPECT_EQ(WindowModel::Input(Window, List, Event::AlertKey, Key::MouseRightUp), "");
    else EXPECT_TRUE(Driver->RightClickRow(Window, "?List", row).Ok) << Driver->LastFailure();
    Idle();
    const std::vector<runtime::ui::PopupMenu> menus = Screen->PopupMenus();
    EXPECT_EQ(menus.size(), before + 1) << "one menu per right click";
    return menus.empty() ? runtime::ui::PopupMenu{} : menus.back();
  }
  void Key(int32_t key) {
    ASSERT_TRUE(Driver->Focus(Window, "?List").Ok) << Driver->LastFailure();
    ASSERT_TRUE(Driver->PressKey(Window, key).Ok) << Driver->LastFailure();
    Idle();
  }

  testsupport::TempWorkDir Folder;
  testsupport::RecordingErrorManager Errors;
  std::shared_ptr<runtime::ui::headless::HeadlessFrontEnd> Screen;
  std::unique_ptr<runtime::ui::headless::HeadlessDriver> Driver;
  std::unique_ptr<testsupport::PopupBrowseTestThread> Browse;
  CallLog Log;
  int32_t Window = 0;
  int32_t List = 0;
};

TEST_F(BrowsePopupThreadTest, RightClickShowsTheBrowseItemsAndEachCallsTheUpdateProcedure) {
  Seed(Alphabet);
  Start();
  const runtime::ui::PopupMenu menu = RightClick(3, "");
  // Each record item shows the list's key for its button; the toolbox has none.
  EXPECT_EQ(menu.Print(),
            "1 &Insert [Ins]\n2 &Change [Ctrl+Enter]\n3 &Delete [Del]\n4 &View [Shift+Enter]\n- (separator)\n"
            "5 &Toolbox\n");
  EXPECT_TRUE(Log.Take().empty());

  struct Case {
    const char* Item;
    uint8_t Request;
  };
  const Case cases[] = {{"Insert", WindowController::RequestInsert},
                        {"Change", WindowController::RequestChange},
                        {"Delete", WindowController::RequestDelete},
                        {"View", WindowController::RequestView}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Item);
    RightClick(4, c.Item);
    const std::vector<Call> calls = Log.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Request, c.Request);
    // An insert starts from a primed, empty record; the others see the clicked row.
    EXPECT_EQ(calls[0].Name, c.Request == WindowController::RequestInsert ? "" : "CHARLIE");
    EXPECT_EQ(Selected(), 4);
  }
  EXPECT_TRUE(Screen->Failures().empty());
}

TEST_F(BrowsePopupThreadTest, TheBrowseRepositionsOnTheAnswerToAMenuChoice) {
  Seed(Alphabet);
  Start([](uint8_t request, testsupport::NameFile& file) -> uint8_t {
    if (request == WindowController::RequestChange) {
      file.SetName("BZZ");
      return file.Manager.Update() == 0 ? WindowController::ResponseCompleted : WindowController::ResponseCancelled;
    }
    if (request == WindowController::RequestDelete)
      return file.Manager.DeleteCurrent(framework::data::ConfirmDelete::No) == 0 ? WindowController::ResponseCompleted
                                                    : WindowController::ResponseCancelled;
    return WindowController::ResponseCancelled;
  });
  // DELTA renamed to BZZ sorts up: the list shows it selected.
  RightClick(5, "Change");
  ASSERT_GT(Selected(), 0);
  EXPECT_EQ(Shown()[static_cast<size_t>(Selected() - 1)], "BZZ");
  // A deleted row leaves the list; the selection keeps its line.
  RightClick(2, "Delete");
  EXPECT_EQ(Shown(), (Names{"ALPHA", "BRAVO", "BZZ", "CHARLIE", "ECHO"}));
  EXPECT_EQ(Selected(), 2);
  // A cancelled request reloads the page unchanged.
  RightClick(3, "View");
  EXPECT_EQ(Shown(), (Names{"ALPHA", "BRAVO", "BZZ", "CHARLIE", "ECHO"}));
  EXPECT_EQ(Selected(), 3);
}

TEST_F(BrowsePopupThreadTest, KeysAndDoubleClickReachTheSameButtons) {
  Seed(Alphabet);
  Start();
  // Selecting with the double click's meaning set to "change".
  WindowModel::SetPropInt(Window, List, Prop::ListAction, BrowseManager::DoubleClickChanges);
  ASSERT_TRUE(Driver->SelectRow(Window, "?List", 2).Ok);
  Idle();
  struct Case {
    int32_t Key;
    uint8_t Request;
  };
  const Case cases[] = {{Key::Insert, WindowController::RequestInsert},
                        {Key::CtrlEnter, WindowController::RequestChange},
                        {Key::Delete, WindowController::RequestDelete},
                        {Key::ShiftEnter, WindowController::RequestView}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Key);
    Key(c.Key);
    const std::vector<Call> calls = Log.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Request, c.Request);
  }
  ASSERT_TRUE(Driver->DoubleClickRow(Window, "?List", 3).Ok) << Driver->LastFailure();
  Idle();
  EXPECT_EQ(Log.Take(), (std::vector<Call>{{WindowController::RequestChange, "BRAVO"}}));
  // The menu key shows the same menu as a right click.
  Driver->AnswerPopup("View");
  Key(Key::MenuKey);
  EXPECT_EQ(Log.Take(), (std::vector<Call>{{WindowController::RequestView, "BRAVO"}}));
}

TEST_F(BrowsePopupThreadTest, AnEmptyListOffersOnlyInsert) {
  Start();
  const runtime::ui::PopupMenu menu = RightClick(0, "Change");
  EXPECT_EQ(menu.Print(), "1 &Insert [Ins]\n2 &Change [Ctrl+Enter] (disabled)\n3 &Delete [Del] (disabled)\n"
                          "4 &View [Shift+Enter] (disabled)\n- (separator)\n5 &Toolbox\n");
  EXPECT_TRUE(Log.Take().empty());
  // The Insert key still reaches the insert button.
  Key(Key::Insert);
  EXPECT_EQ(Log.Take(), (std::vector<Call>{{WindowController::RequestInsert, ""}}));
  Key(Key::Delete);
  EXPECT_TRUE(Log.Take().empty());
}

TEST_F(BrowsePopupThreadTest, TheToolboxPressesTheBrowseButtonsAndClosesWithTheBrowse) {
  Seed(Alphabet);
  Start();
  ASSERT_TRUE(Driver->SelectRow(Window, "?List", 2).Ok);
  Idle();
  ASSERT_TRUE(Driver->Press(Window, "?Toolbox").Ok) << Driver->LastFailure();
  const int32_t box = Driver->FindWindow(BrowseManager::ToolboxCaption);
  ASSERT_NE(box, 0) << Driver->LastFailure();
  Idle();
  // The toolbox button is off while the toolbox is open.
  EXPECT_NE(WindowModel::GetPropInt(Window, testsupport::PopupBrowseTestWindow::ToolboxNo, Prop::Disable), 0);
  ASSERT_TRUE(Driver->Press(box, "&Change").Ok) << Driver->LastFailure();
  Idle();
  EXPECT_EQ(Log.Take(), (std::vector<Call>{{WindowController::RequestChange, "BETA"}}));

  WindowModel::Post(Window, Event::CloseWindow);
  Browse->Join();
  EXPECT_FALSE(WindowModel::Exists(box));
}

}  // namespace
}  // namespace framework::browse
