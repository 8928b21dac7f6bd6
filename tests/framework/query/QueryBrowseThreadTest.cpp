// Query by example through the whole browse, as a user works it: the Query button
// opens "Query by Example Settings", the values typed there narrow the list, a query
// saved in the form is offered in the context menu (also after a restart) and choosing
// it, or Clear, re-applies the filter.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/FileUsageRegistry.h"
#include "framework/error/ErrorStatus.h"
#include "framework/query/QueryForm.h"
#include "framework/window/IniManager.h"
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
#include "tests/support/QueryBrowseTestWindow.h"
#include "tests/support/TempWorkDir.h"

namespace framework::query {
namespace {

using namespace std::chrono_literals;
using framework::window::IniManager;
using runtime::ui::Event;
using runtime::ui::Prop;
using runtime::ui::WindowModel;
using testsupport::BrowseTestWindow;
using testsupport::QueryBrowseTestWindow;
using Names = std::vector<std::string>;

const Names Alphabet = {"ALPHA", "BETA", "BRAVO", "CHARLIE", "DELTA", "ECHO", "FOXTROT", "GOLF"};
constexpr const char* IniName = "Names.INI";

runtime::core::PerThread<framework::error::ErrorStatus>& Status() {
  static runtime::core::PerThread<framework::error::ErrorStatus> status;
  return status;
}

class QueryBrowseThreadTest : public testing::Test {
 protected:
  void SetUp() override {
    Screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
    Screen->SetAnswerTimeout(3s);
    runtime::ui::FrontEnd::Install(Screen);
    Driver = std::make_unique<runtime::ui::headless::HeadlessDriver>(*Screen, 5s);
    Status().Reset();
    Errors.Construct();
    Errors.Init(Status());
    Ini.Init(IniName, IniManager::StorageIniFile, 0);
    framework::data::FileUsageRegistry::Current().Init();
    Seed();
  }
  void TearDown() override {
    Stop();
    runtime::core::Process::Wait();
    WindowModel::CloseAll();
    framework::data::FileUsageRegistry::Current().Teardown();
    Ini.Teardown();
    Errors.Shutdown();
    runtime::ui::FrontEnd::Install(nullptr);
  }

  void Seed() {
    testsupport::NameFile file(Errors);
    ASSERT_EQ(file.Open(), framework::error::LevelQuiet);
    for (size_t i = 0; i < Alphabet.size(); ++i) ASSERT_EQ(file.Add(Alphabet[i], static_cast<int32_t>(i)), 0);
    file.Relations.Close(framework::data::Walk::Top);
  }
  void Start(BrowseTestWindow::Options options = {}) {
    options.PageRows = 10;
    Browse = std::make_unique<testsupport::QueryBrowseTestThread>(std::move(options), Errors, Ini);
    Window = Driver->FindWindow(BrowseTestWindow::Title);
    ASSERT_NE(Window, 0);
    List = WindowModel::ControlNumber(Window, "?List");
    Idle();
  }
  void Stop() {
    if (Window != 0 && WindowModel::Exists(Window)) {
      WindowModel::Post(Window, Event::CloseWindow);
      Driver->WaitClosed(Window);
    }
    Browse.reset();
    Window = 0;
  }
  void Idle() { ASSERT_TRUE(Driver->WaitIdle().Ok) << Driver->LastFailure(); }

  Names Shown() const {
    Names names;
    for (const auto& row : WindowModel::ListRows(Window, List)) names.push_back(row.empty() ? "" : row[0]);
    return names;
  }
  // Presses Query and waits for the form.
  int32_t OpenForm() {
    EXPECT_TRUE(Driver->Press(Window, "?Query").Ok) << Driver->LastFailure();
    return Driver->FindWindow(QueryForm::Title);
  }
  void Type(int32_t form, const char* entry, const char* text) {
    ASSERT_TRUE(Driver->Type(form, entry, text).Ok) << Driver->LastFailure();
  }
  void Press(int32_t window, const char* button) {
    ASSERT_TRUE(Driver->Press(window, button).Ok) << Driver->LastFailure();
  }
  void Close(int32_t form, const char* button) {
    Press(form, button);
    ASSERT_TRUE(Driver->WaitClosed(form).Ok) << Driver->LastFailure();
    Idle();
  }
  // Right-clicks the first row and answers the menu with `item` ("" dismisses it).
  runtime::ui::PopupMenu RightClick(const std::string& item) {
    if (item.empty()) Driver->AnswerPopup(0);
    else Driver->AnswerPopup(item);
    EXPECT_TRUE(Driver->RightClickRow(Window, "?List", 1).Ok) << Driver->LastFailure();
    Idle();
    const std::vector<runtime::ui::PopupMenu> menus = Screen->PopupMenus();
    return menus.empty() ? runtime::ui::PopupMenu{} : menus.back();
  }
  std::string QueryResult() const {
    return WindowModel::GetProp(Window, QueryBrowseTestWindow::QueryResultNo, Prop::Text);
  }

  testsupport::TempWorkDir Folder;
  testsupport::RecordingErrorManager Errors;
  IniManager Ini;
  std::shared_ptr<runtime::ui::headless::HeadlessFrontEnd> Screen;
  std::unique_ptr<runtime::ui::headless::HeadlessDriver> Driver;
  std::unique_ptr<testsupport::QueryBrowseTestThread> Browse;
  int32_t Window = 0;
  int32_t List = 0;
};

TEST_F(QueryBrowseThreadTest, AnAcceptedQueryShowsOnlyTheMatchingRows) {
  Start();
  ASSERT_EQ(Shown(), Alphabet);
  int32_t form = OpenForm();
  ASSERT_NE(form, 0);
  const std::string printed = runtime::ui::headless::HeadlessDriver::Print(form);
  for (const char* control : {"?SHEET1", "?TAB1", "?TAB2", "?OK", "?CANCEL", "?CLEAR", "?Value1", "?Low2", "?High2"})
    EXPECT_NE(printed.find(control), std::string::npos) << control << " in\n" << printed;
  Type(form, "?Value1", "b*");
  Type(form, "?Value1", "^b*");
  Close(form, "?OK");
  EXPECT_EQ(Shown(), (Names{"BETA", "BRAVO"}));
  EXPECT_EQ(QueryResult(), "SUB(UPPER(NAM:NAME),1,1) = 'B'");

  // A range on the count, with the name cleared: the values the form shows are the
  // query's, so the name must be emptied by hand.
  form = OpenForm();
  ASSERT_NE(form, 0);
  Type(form, "?Value1", "");
  Type(form, "?Low2", "2");
  Type(form, "?High2", "5");
  Close(form, "?OK");
  EXPECT_EQ(Shown(), (Names{"CHARLIE", "DELTA"}));

  // Cancel leaves the query and the list alone; Clear then OK shows everything again.
  form = OpenForm();
  ASSERT_NE(form, 0);
  Type(form, "?Low2", "6");
  Close(form, "?CANCEL");
  EXPECT_EQ(Shown(), (Names{"CHARLIE", "DELTA"}));
  form = OpenForm();
  ASSERT_NE(form, 0);
  Press(form, "?CLEAR");
  Close(form, "?OK");
  EXPECT_EQ(Shown(), Alphabet);
  EXPECT_EQ(QueryResult(), "");
  EXPECT_TRUE(Screen->Failures().empty());
}

TEST_F(QueryBrowseThreadTest, ASavedQueryIsOfferedInTheMenuAfterARestartAndApplied) {
  Start();
  EXPECT_EQ(RightClick("").Print().find("View {"), std::string::npos) << "no query items yet";
  int32_t form = OpenForm();
  ASSERT_NE(form, 0);
  Type(form, "?Value2", ">=6");
  Type(form, "?QueryName", "Late");
  Press(form, "?SaveQuery");
  Idle();
  EXPECT_EQ(WindowModel::ListRows(form, WindowModel::ControlNumber(form, "?SavedList")),
            (std::vector<std::vector<std::string>>{{"Late"}}));
  Close(form, "?CANCEL");
  EXPECT_EQ(Shown(), Alphabet) << "saving alone applies nothing";

  // The program ends and starts again: the saved query comes back from the INI file.
  Stop();
  Ini.Teardown();
  Ini.Init(IniName, IniManager::StorageIniFile, 0);
  Start();
  const std::string menu = RightClick("Late  ").Print();
  EXPECT_NE(menu.find("View {"), std::string::npos) << menu;
  EXPECT_NE(menu.find("Late"), std::string::npos) << menu;
  EXPECT_NE(menu.find("C&lear"), std::string::npos) << menu;
  EXPECT_EQ(Shown(), (Names{"FOXTROT", "GOLF"}));
  EXPECT_EQ(QueryResult(), "(NAM:COUNT >= 6)");

  // Clear from the menu shows every row again.
  RightClick("C&lear");
  EXPECT_EQ(Shown(), Alphabet);
  EXPECT_EQ(QueryResult(), "");

  // Restored in the form from its list, the saved query can be changed and applied.
  form = OpenForm();
  ASSERT_NE(form, 0);
  ASSERT_TRUE(Driver->SelectRow(form, "?SavedList", 1).Ok) << Driver->LastFailure();
  Press(form, "?RestoreQuery");
  Idle();
  EXPECT_EQ(WindowModel::GetProp(form, WindowModel::ControlNumber(form, "?Value2"), Prop::Text), ">=6");
  // Turned into an open range: above 5 and below 7.
  Type(form, "?Value2", "");
  Type(form, "?Low2", "5");
  Type(form, "?High2", "7");
  Close(form, "?OK");
  EXPECT_EQ(Shown(), (Names{"FOXTROT"}));
  EXPECT_TRUE(Screen->Failures().empty());
}

TEST_F(QueryBrowseThreadTest, ASharedQueryFiltersEveryOrderAndAnUnsharedOneOnlyItsOwn) {
  for (const bool shared : {true, false}) {
    SCOPED_TRACE(shared ? "shared" : "not shared");
    BrowseTestWindow::Options options;
    options.SecondOrder = true;
    options.Hook = [shared](BrowseTestWindow& window, int32_t argument) {
      if (argument == 0) window.Browse.QueryShared = shared;
      else window.Browse.ChooseOrder(static_cast<size_t>(argument), framework::window::ResetMode::IfChanged);
      window.Browse.RefreshControls();
    };
    Start(std::move(options));
    auto hook = [&](int32_t argument) {
      WindowModel::Post(Window, BrowseTestWindow::HookEvent, 0, argument);
      Idle();
    };
    hook(0);
    const int32_t form = OpenForm();
    ASSERT_NE(form, 0);
    Type(form, "?Value1", "^b*");
    Close(form, "?OK");
    EXPECT_EQ(Shown(), (Names{"BETA", "BRAVO"}));
    hook(2);
    const Names expected = shared ? Names{"BRAVO", "BETA"}
                                  : Names{"GOLF", "FOXTROT", "ECHO", "DELTA", "CHARLIE", "BRAVO", "BETA", "ALPHA"};
    EXPECT_EQ(Shown(), expected);
    hook(1);
    EXPECT_EQ(Shown(), (Names{"BETA", "BRAVO"}));
    Stop();
  }
}

TEST_F(QueryBrowseThreadTest, ABareOperatorOnANumberIsReportedAndIgnored) {
  Start();
  const int32_t form = OpenForm();
  ASSERT_NE(form, 0);
  Type(form, "?Value2", ">");
  Close(form, "?OK");
  // ">" alone reads as ">" and "=" with no value.
  EXPECT_EQ(QueryResult(), "(NAM:COUNT >= )");
  size_t reported = 0;
  for (const std::string& shown : Errors.Titles())
    if (shown.rfind("View Open Error:", 0) == 0) ++reported;
  EXPECT_EQ(reported, 1u);
  EXPECT_EQ(Shown(), Alphabet);
  // Scrolling reads the view again without asking again.
  ASSERT_TRUE(Driver->PressKey(Window, runtime::ui::Key::Down).Ok);
  Idle();
  reported = 0;
  for (const std::string& shown : Errors.Titles())
    if (shown.rfind("View Open Error:", 0) == 0) ++reported;
  EXPECT_EQ(reported, 1u);
}

}  // namespace
}  // namespace framework::query
