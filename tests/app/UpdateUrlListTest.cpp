// The form UpdateUrlList run as the program runs it (start-up table, thread 1 with its
// UrlList managers, the real UrlList file in a temporary working folder, the headless
// front end): insert, change and view, the refused delete, duplicates, long addresses,
// refused numbers, Ctrl+H, the Open button and the saved position. The desktop's
// opener is a recording script put first on PATH.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/Program.h"
#include "app/ThreadVariables.h"
#include "app/UpdateUrlList.h"
#include "app/UrlListFile.h"
#include "app/UrlListManagers.h"
#include "framework/data/RelationManager.h"
#include "framework/data/UseType.h"
#include "framework/error/Buttons.h"
#include "framework/window/WindowController.h"
#include "runtime/core/Process.h"
#include "runtime/settings/IniFile.h"
#include "runtime/ui/ControlType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/headless/HeadlessDriver.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"
#include "tests/support/RecordingOpener.h"
#include "tests/support/ProgramThread.h"
#include "tests/support/TempWorkDir.h"

namespace app {
namespace {

using namespace std::chrono_literals;
using framework::data::Walk;
using framework::error::Button;
using framework::error::LevelQuiet;
using runtime::ui::Prop;
using runtime::ui::WindowModel;
using testsupport::ProgramThread;
using W = framework::window::WindowController;
using F = UpdateUrlList;

constexpr auto Patience = 8s;

struct Stored {
  std::string Url;
  int32_t Times = 0;
  bool operator==(const Stored&) const = default;
};

class UpdateUrlListThreadTest : public testing::Test {
 protected:
  void SetUp() override {
    Opener.emplace(Dir.Path());

    Screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
    Screen->SetAnswerTimeout(3s);
    runtime::ui::FrontEnd::Install(Screen);
    Driver = std::make_unique<runtime::ui::headless::HeadlessDriver>(*Screen, 5s);
    Program::SetFrame([this] { Thread1.Loop(); });
    ASSERT_TRUE(runtime::core::Process::Launch(Program::Table(), Program::MainProcedure));
  }
  void TearDown() override {
    Thread1.Finish();
    runtime::core::Process::Wait();
    Program::SetFrame(nullptr);
    WindowModel::CloseAll();
    runtime::ui::FrontEnd::Install(nullptr);
    Opener.reset();
    for (const std::string& failure : Screen->Failures()) ADD_FAILURE() << failure;
    EXPECT_EQ(Screen->PendingAnswers(), 0u) << "answers queued but never asked for";
  }

  // Runs the form on thread 1 with `request`, the record of `load` in the buffer when
  // it is given (as the browse leaves it), and keeps its response.
  std::future<void> StartForm(uint8_t request, std::optional<std::string> load = std::nullopt) {
    return Thread1.Post([this, request, load] {
      EXPECT_EQ(RelationManager().Open(Walk::Top), framework::error::LevelQuiet);
      UrlListFile::Instance().ClearBuffer();
      if (load) {
        UrlListManagers::FileManager()->AssignUrl(*load);
        EXPECT_EQ(UrlListManagers::FileManager()->Fetch(UrlListFile::KeyUrl), LevelQuiet) << *load;
      }
      *ThreadRequest = request;
      UpdateUrlList::Procedure();
      Response = *ThreadResponse;
      RelationManager().Close(Walk::Top);
    });
  }
  // Waits for the form to end; a form left open is closed so that no test hangs.
  void Await(std::future<void>& form) {
    if (form.wait_for(Patience) != std::future_status::ready) {
      ADD_FAILURE() << "the form did not close";
      for (int32_t w : WindowModel::Windows()) WindowModel::Close(w);
    }
    form.get();
  }
  void Seed(const std::string& url, int32_t times) {
    Thread1
        .Post([&] {
          EXPECT_EQ(RelationManager().Open(Walk::Top), framework::error::LevelQuiet);
          UrlListFile::Instance().ClearBuffer();
          UrlListManagers::FileManager()->AssignUrl(url);
          UrlListFile::Record().NumberOfTimesToOpen = times;
          EXPECT_EQ(RelationManager().Insert(), LevelQuiet);
          RelationManager().Close(Walk::Top);
        })
        .get();
  }
  // Every stored record in key order. Thread 1 runs it: never while a form is open there.
  std::vector<Stored> All() {
    std::vector<Stored> all;
    Thread1
        .Post([&] {
          EXPECT_EQ(RelationManager().Open(Walk::Top), framework::error::LevelQuiet);
          UrlListFileManager& files = *UrlListManagers::FileManager();
          EXPECT_EQ(files.EnsureUsable(framework::data::UseType::Record), LevelQuiet);
          runtime::files::KeyedFile& file = UrlListFile::Instance();
          file.ClearBuffer();
          file.SetKeyPosition(UrlListFile::KeyUrl);
          while (files.NextQuiet() == LevelQuiet)
            all.push_back({UrlListFile::Record().Url, UrlListFile::Record().NumberOfTimesToOpen});
          RelationManager().Close(Walk::Top);
        })
        .get();
    return all;
  }
  static framework::data::RelationManager& RelationManager() { return *UrlListManagers::Relate(); }

  int32_t Form(const char* caption) {
    const int32_t w = Driver->FindWindow(caption);
    EXPECT_NE(w, 0) << Driver->LastFailure();
    return w;
  }
  static std::string Screenful(int32_t window, int32_t control) {
    std::string text = WindowModel::GetProp(window, control, Prop::Text);
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }
  std::vector<std::pair<std::string, std::string>> Boxes() const {
    std::vector<std::pair<std::string, std::string>> boxes;
    for (const auto& box : Screen->MessageBoxes()) boxes.emplace_back(box.Caption, box.Text);
    return boxes;
  }
  // The lines the opener was handed, once there are `count` of them (the opener runs
  // in the background).
  std::vector<std::string> OpenedLines(size_t count) {
    std::vector<std::string> lines;
    const auto until = std::chrono::steady_clock::now() + Patience;
    do {
      lines = Opener->Lines();
      if (lines.size() >= count) break;
      std::this_thread::sleep_for(10ms);
    } while (std::chrono::steady_clock::now() < until);
    return lines;
  }

  testsupport::TempWorkDir Dir;
  std::optional<testsupport::RecordingOpener> Opener;
  std::shared_ptr<runtime::ui::headless::HeadlessFrontEnd> Screen;
  std::unique_ptr<runtime::ui::headless::HeadlessDriver> Driver;
  ProgramThread Thread1;
  uint8_t Response = 0;
};

TEST_F(UpdateUrlListThreadTest, TheWindowHasEveryControlAsDefined) {
  auto form = StartForm(W::RequestInsert);
  const int32_t w = Form(F::InsertCaption);
  auto shown = WindowModel::Snapshot(w);
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->DefinitionName, F::WindowName);
  EXPECT_EQ(shown->Font, "Microsoft Sans Serif");
  using Row = std::tuple<int32_t, std::string, std::string, std::string, std::string, std::string>;
  std::vector<Row> rows;
  for (const runtime::ui::Control& c : shown->Controls)
    rows.emplace_back(c.Number, c.Name, c.Type == runtime::ui::ControlType::Entry ? "" : c.Text, c.Picture, c.Icon,
                      c.Message);
  EXPECT_THAT(rows,
              testing::ElementsAre(
                  Row{1, "?CURRENTTAB", "", "", "", ""}, Row{2, "?TAB:1", "&1) General", "", "", ""},
                  Row{3, "?URL:URL:PROMPT", "Url:", "", "", ""}, Row{4, "?URL:URL", "", "@s199", "", ""},
                  Row{5, "?URL:NUMBEROFTIMESTOOPEN:PROMPT", "Number Of Times To Open:", "", "", ""},
                  Row{6, "?URL:NUMBEROFTIMESTOOPEN", "", "@n9", "", ""},
                  Row{7, "?OK", "&OK", "", "WAOK.ICO", "Accept data and close the window"},
                  Row{8, "?CANCEL", "&Cancel", "", "WACANCEL.ICO", "Cancel operation"},
                  Row{9, "?BUTTONOPENURL", "Open", "", "", ""}));
  // Ctrl+H is the alert key of both entries.
  EXPECT_EQ(WindowModel::GetPropInt(w, F::UrlEntry, Prop::Alert, W::HistoryAlertSlot), runtime::ui::Key::CtrlH);
  EXPECT_EQ(WindowModel::GetPropInt(w, F::NumberEntry, Prop::Alert, W::HistoryAlertSlot), runtime::ui::Key::CtrlH);
  EXPECT_TRUE(Driver->Press(w, "&Cancel"));
  Await(form);
  EXPECT_EQ(Response, W::ResponseCancelled);
}

TEST_F(UpdateUrlListThreadTest, InsertChangeAndViewOneRecord) {
  {
    SCOPED_TRACE("insert");
    auto form = StartForm(W::RequestInsert);
    const int32_t w = Form(F::InsertCaption);
    EXPECT_TRUE(Driver->Type(w, "?URL:URL", "https://example.org/a"));
    EXPECT_TRUE(Driver->Type(w, "?URL:NUMBEROFTIMESTOOPEN", "2"));
    EXPECT_TRUE(Driver->Press(w, "&OK"));
    Await(form);
    EXPECT_EQ(Response, W::ResponseCompleted);
    EXPECT_EQ(All(), (std::vector<Stored>{{"https://example.org/a", 2}}));
  }
  {
    SCOPED_TRACE("change");
    auto form = StartForm(W::RequestChange, "https://example.org/a");
    const int32_t w = Form(F::ChangeCaption);
    EXPECT_EQ(Screenful(w, F::UrlEntry), "https://example.org/a");
    EXPECT_EQ(Screenful(w, F::NumberEntry), "2");
    EXPECT_TRUE(Driver->Type(w, "?URL:NUMBEROFTIMESTOOPEN", "5"));
    EXPECT_TRUE(Driver->Press(w, "&OK"));
    Await(form);
    EXPECT_EQ(Response, W::ResponseCompleted);
    EXPECT_EQ(All(), (std::vector<Stored>{{"https://example.org/a", 5}}));
  }
  {
    SCOPED_TRACE("view");
    auto form = StartForm(W::RequestView, "https://example.org/a");
    const int32_t w = Form(F::ViewCaption);
    EXPECT_EQ(WindowModel::GetPropInt(w, F::UrlEntry, Prop::ReadOnly), 1);
    EXPECT_EQ(WindowModel::GetPropInt(w, F::NumberEntry, Prop::ReadOnly), 1);
    EXPECT_EQ(WindowModel::GetPropInt(w, F::OpenButton, Prop::Disable), 1);
    EXPECT_FALSE(Driver->Press(w, "Open")) << "a disabled button takes no input";
    Screen->Clear();
    EXPECT_TRUE(Driver->Press(w, "&OK"));
    Await(form);
    EXPECT_EQ(Response, W::ResponseCancelled) << "a view always ends cancelled";
  }
  EXPECT_TRUE(OpenedLines(0).empty());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(UpdateUrlListThreadTest, ADeleteRequestIsRefused) {
  Seed("https://keep.example", 1);
  Driver->AnswerMessageBox(Button::Ok);
  auto form = StartForm(W::RequestDelete, "https://keep.example");
  Await(form);
  EXPECT_EQ(Response, W::ResponseCancelled);
  EXPECT_EQ(Boxes(), (std::vector<std::pair<std::string, std::string>>{
                         {"Invalid Request", "This form cannot be used to delete a record"}}));
  EXPECT_TRUE(WindowModel::Windows().empty()) << "the refused form leaves no window behind";
  EXPECT_EQ(All(), (std::vector<Stored>{{"https://keep.example", 1}}));
}

TEST_F(UpdateUrlListThreadTest, TheSameUrlKeepsTheFormOpenAndOneDifferingInCaseIsStored) {
  Seed("https://dup.example/Path", 1);
  auto form = StartForm(W::RequestInsert);
  const int32_t w = Form(F::InsertCaption);
  EXPECT_TRUE(Driver->Type(w, "?URL:URL", "https://dup.example/Path"));
  EXPECT_TRUE(Driver->Type(w, "?URL:NUMBEROFTIMESTOOPEN", "3"));
  Driver->AnswerMessageBox(Button::Ok);
  EXPECT_TRUE(Driver->Press(w, "&OK"));
  EXPECT_TRUE(Driver->WaitIdle());
  EXPECT_TRUE(WindowModel::Exists(w));
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::Focus), F::UrlEntry);
  // Another spelling of the path is another page: it is stored.
  EXPECT_TRUE(Driver->Type(w, "?URL:URL", "https://dup.example/path"));
  EXPECT_TRUE(Driver->Press(w, "&OK"));
  Await(form);
  EXPECT_EQ(Response, W::ResponseCompleted);
  EXPECT_EQ(Boxes(), (std::vector<std::pair<std::string, std::string>>{
                         {"Duplicate Key Error", "Adding this record creates a duplicate entry for the key: Url:KeyUrl"}}));
  EXPECT_EQ(All(), (std::vector<Stored>{{"https://dup.example/Path", 1}, {"https://dup.example/path", 3}}));
}

TEST_F(UpdateUrlListThreadTest, ChangingToAStoredUrlNamesTheKeyAndKeepsTheTypedValues) {
  Seed("https://a.example/", 1);
  Seed("https://b.example/", 2);
  auto form = StartForm(W::RequestChange, "https://b.example/");
  const int32_t w = Form(F::ChangeCaption);
  EXPECT_TRUE(Driver->Type(w, "?URL:URL", "https://a.example/"));
  EXPECT_TRUE(Driver->Type(w, "?URL:NUMBEROFTIMESTOOPEN", "7"));
  Driver->AnswerMessageBox(Button::Ok);
  EXPECT_TRUE(Driver->Press(w, "&OK"));
  EXPECT_TRUE(Driver->WaitIdle());
  ASSERT_TRUE(WindowModel::Exists(w));
  EXPECT_EQ(Screenful(w, F::UrlEntry), "https://a.example/");
  EXPECT_EQ(Screenful(w, F::NumberEntry), "7");
  EXPECT_EQ(Boxes(), (std::vector<std::pair<std::string, std::string>>{
                         {"Duplicate Key Error", "Adding this record creates a duplicate entry for the key: Url:KeyUrl"}}));
  // Corrected, the change is saved.
  EXPECT_TRUE(Driver->Type(w, "?URL:URL", "https://c.example/"));
  EXPECT_TRUE(Driver->Press(w, "&OK"));
  Await(form);
  EXPECT_EQ(Response, W::ResponseCompleted);
  EXPECT_EQ(All(), (std::vector<Stored>{{"https://a.example/", 1}, {"https://c.example/", 7}}));
}

TEST_F(UpdateUrlListThreadTest, OkPressedTwiceAddsOneRecordAndCompletesOnce) {
  auto form = StartForm(W::RequestInsert);
  const int32_t w = Form(F::InsertCaption);
  EXPECT_TRUE(Driver->Type(w, "?URL:URL", "https://twice.example/"));
  EXPECT_TRUE(Driver->Type(w, "?URL:NUMBEROFTIMESTOOPEN", "1"));
  // Both presses are queued before the window handles the first.
  EXPECT_EQ(WindowModel::Input(w, F::OkButton, runtime::ui::Event::Accepted), "");
  EXPECT_EQ(WindowModel::Input(w, F::OkButton, runtime::ui::Event::Accepted), "");
  Await(form);
  EXPECT_EQ(Response, W::ResponseCompleted);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(All(), (std::vector<Stored>{{"https://twice.example/", 1}}));
}

TEST_F(UpdateUrlListThreadTest, AnUrlLongerThanTheFieldIsRefusedWithAMessageNamingTheLimit) {
  const std::pair<std::string, std::string> tooLong{"Range Error", "The value of Url must be at most 199 bytes long."};
  auto form = StartForm(W::RequestInsert);
  const int32_t w = Form(F::InsertCaption);
  for (const std::string& typed : {std::string(250, 'a'), std::string(198, 'b') + "\xC3\xA9"}) {
    Driver->AnswerMessageBox(Button::Ok);
    EXPECT_TRUE(Driver->Type(w, "?URL:URL", typed));
    EXPECT_TRUE(Driver->WaitIdle());
    EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::Focus), F::UrlEntry);
  }
  EXPECT_EQ(Boxes(), std::vector(2, tooLong));
  const std::string fits = std::string(197, 'c') + "\xC3\xA9";
  EXPECT_TRUE(Driver->Type(w, "?URL:URL", fits));
  EXPECT_TRUE(Driver->Type(w, "?URL:NUMBEROFTIMESTOOPEN", "1"));
  EXPECT_TRUE(Driver->Press(w, "&OK"));
  Await(form);
  EXPECT_EQ(Response, W::ResponseCompleted);
  EXPECT_EQ(All(), (std::vector<Stored>{{fits, 1}}));
}

TEST_F(UpdateUrlListThreadTest, ATextThatIsNoNumberIsRefusedWithAMessageAndNothingIsStored) {
  const std::pair<std::string, std::string> rangeError{
      "Range Error", "The value of NumberOfTimesToOpen must be in range -99999999 to 999999999."};
  auto form = StartForm(W::RequestInsert);
  const int32_t w = Form(F::InsertCaption);
  EXPECT_TRUE(Driver->Type(w, "?URL:URL", "https://numbers.example"));
  for (const char* bad : {"many", "1.5", "1234567890"}) {
    SCOPED_TRACE(bad);
    Driver->AnswerMessageBox(Button::Ok);
    EXPECT_TRUE(Driver->Type(w, "?URL:NUMBEROFTIMESTOOPEN", bad));
    EXPECT_TRUE(Driver->WaitIdle());
    // The entry keeps the focus and shows the value it still holds.
    EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::Focus), F::NumberEntry);
    EXPECT_EQ(Screenful(w, F::NumberEntry), "0");
  }
  EXPECT_TRUE(WindowModel::Exists(w));
  EXPECT_EQ(Boxes(), std::vector(3, rangeError));

  EXPECT_TRUE(Driver->Type(w, "?URL:NUMBEROFTIMESTOOPEN", "3"));
  EXPECT_TRUE(Driver->Press(w, "&OK"));
  Await(form);
  EXPECT_EQ(Response, W::ResponseCompleted);
  EXPECT_EQ(All(), (std::vector<Stored>{{"https://numbers.example", 3}}));
}

TEST_F(UpdateUrlListThreadTest, CtrlHRecallsTheValuesOfThePreviousForm) {
  auto first = StartForm(W::RequestInsert);
  int32_t w = Form(F::InsertCaption);
  EXPECT_TRUE(Driver->Type(w, "?URL:URL", "https://first.example"));
  EXPECT_TRUE(Driver->Type(w, "?URL:NUMBEROFTIMESTOOPEN", "4"));
  EXPECT_TRUE(Driver->Press(w, "&OK"));
  Await(first);

  auto second = StartForm(W::RequestInsert);
  w = Form(F::InsertCaption);
  EXPECT_EQ(Screenful(w, F::UrlEntry), "");
  EXPECT_TRUE(Driver->Focus(w, "?URL:URL"));
  EXPECT_TRUE(Driver->PressKey(w, runtime::ui::Key::CtrlH));
  // The controller recalls into the control that has the focus when the key is handled.
  EXPECT_TRUE(Driver->WaitIdle());
  EXPECT_TRUE(Driver->Focus(w, "?URL:NUMBEROFTIMESTOOPEN"));
  EXPECT_TRUE(Driver->PressKey(w, runtime::ui::Key::CtrlH));
  EXPECT_TRUE(Driver->WaitIdle());
  EXPECT_EQ(Screenful(w, F::UrlEntry), "https://first.example");
  EXPECT_EQ(Screenful(w, F::NumberEntry), "4");
  Driver->AnswerMessageBox(Button::Yes);
  EXPECT_TRUE(Driver->Press(w, "&Cancel"));
  Await(second);
  EXPECT_EQ(Response, W::ResponseCancelled);
}

TEST_F(UpdateUrlListThreadTest, OpenHandsTheUrlToTheOpenerAsManyTimesAsTheRecordSays) {
  struct Case {
    std::string Url;
    int32_t Times;
    std::string Handed;  // what the opener gets: never an option
  };
  const Case cases[] = {
      {"https://open.example/?a=1&b=two words", 3, "https://open.example/?a=1&b=two words"},
      {"-x.example", 1, "./-x.example"},
      {"https://never.example", 0, ""},
  };
  size_t expected = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Url);
    Seed(c.Url, c.Times);
    auto form = StartForm(W::RequestChange, c.Url);
    const int32_t w = Form(F::ChangeCaption);
    EXPECT_TRUE(Driver->Press(w, "Open"));
    EXPECT_TRUE(Driver->WaitIdle());
    EXPECT_TRUE(WindowModel::Exists(w)) << "Open leaves the form open";
    EXPECT_TRUE(Driver->Press(w, "&Cancel"));
    Await(form);
    expected += static_cast<size_t>(c.Times);
    const std::vector<std::string> lines = OpenedLines(expected);
    ASSERT_EQ(lines.size(), expected);
    for (size_t i = expected - static_cast<size_t>(c.Times); i < expected; ++i) EXPECT_EQ(lines[i], c.Handed);
  }
}

TEST_F(UpdateUrlListThreadTest, ThePositionIsSavedUnderUpdateUrlListAndTheControlsFollowIt) {
  auto first = StartForm(W::RequestInsert);
  int32_t w = Form(F::InsertCaption);
  WindowModel::SetPropInt(w, 0, Prop::XPos, 30);
  WindowModel::SetPropInt(w, 0, Prop::YPos, 20);
  WindowModel::SetPropInt(w, 0, Prop::Width, 300);
  WindowModel::SetPropInt(w, 0, Prop::Height, 120);
  WindowModel::Post(w, runtime::ui::Event::Sized);
  EXPECT_TRUE(Driver->WaitIdle());
  const int64_t grownSheet = WindowModel::GetPropInt(w, F::CurrentTab, Prop::Width);
  EXPECT_EQ(grownSheet, 292) << "the sheet keeps its gap to the right edge";
  EXPECT_TRUE(Driver->Press(w, "&Cancel"));
  Await(first);
  for (const auto& [entry, value] : std::vector<std::pair<const char*, const char*>>{
           {"Maximize", "No"}, {"XPos", "30"}, {"YPos", "20"}, {"Width", "300"}, {"Height", "120"}})
    EXPECT_EQ(runtime::settings::IniFile::Read("Vorkan42.INI", F::ProcedureName, entry, "<none>"), value) << entry;

  auto second = StartForm(W::RequestInsert);
  w = Form(F::InsertCaption);
  auto shown = WindowModel::Snapshot(w);
  ASSERT_TRUE(shown);
  EXPECT_EQ(std::make_tuple(shown->X, shown->Y, shown->Width, shown->Height), std::make_tuple(30, 20, 300, 120));
  EXPECT_EQ(WindowModel::GetPropInt(w, F::CurrentTab, Prop::Width), grownSheet) << "controls follow the restored size";
  EXPECT_TRUE(Driver->Press(w, "&Cancel"));
  Await(second);
}

}  // namespace
}  // namespace app
