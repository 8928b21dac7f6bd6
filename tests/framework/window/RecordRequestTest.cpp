// A form's record request driven as a user drives it: the test form runs its window
// procedure on the test's thread while a second thread types, presses buttons and keys
// and answers the questions through the headless front end. Each test has its own
// working folder, so the form's file starts empty.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/data/FileUsageRegistry.h"
#include "framework/error/Buttons.h"
#include "framework/error/ErrorManager.h"
#include "runtime/core/PerThread.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/headless/HeadlessDriver.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/TestForm.h"

namespace framework::window {
namespace {

using namespace std::chrono_literals;
using framework::error::Button;
using runtime::ui::Key;
using runtime::ui::Prop;
using runtime::ui::WindowModel;
using testsupport::TestForm;
using W = WindowController;

runtime::core::PerThread<framework::error::ErrorStatus>& Status() {
  static runtime::core::PerThread<framework::error::ErrorStatus> status;
  return status;
}

class RecordRequestThreadTest : public testing::Test {
 protected:
  void SetUp() override {
    Screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
    Screen->SetAnswerTimeout(2s);
    runtime::ui::FrontEnd::Install(Screen);
    Driver = std::make_unique<runtime::ui::headless::HeadlessDriver>(*Screen, 3s);
    Status().Reset();
    Errors.Construct();
    Errors.Init(Status());
    framework::data::FileUsageRegistry::Current().Init();
    File.Init(Errors);
  }
  void TearDown() override {
    File.Teardown();
    framework::data::FileUsageRegistry::Current().Teardown();
    Errors.Shutdown();
    WindowModel::CloseAll();
    runtime::ui::FrontEnd::Install(nullptr);
    for (const std::string& failure : Screen->Failures()) ADD_FAILURE() << failure;
    EXPECT_EQ(Screen->PendingAnswers(), 0u) << "answers queued but never asked for";
  }

  // Runs `form` on this thread while `user` drives its window from another. A window
  // the user leaves open is closed (and the test fails), so a test never hangs.
  uint8_t Drive(TestForm& form, const std::function<void(int32_t window)>& user) {
    std::thread driver([&] {
      const int32_t window = Driver->FindWindow(TestForm::Title);
      if (window == 0) return;
      user(window);
      if (!Driver->WaitClosed(window)) WindowModel::Close(window);
    });
    const uint8_t response = form.Run();
    driver.join();
    return response;
  }
  uint8_t Drive(uint8_t request, const TestForm::Settings& settings,
                const std::function<void(int32_t window)>& user) {
    TestForm form(File, Errors, History);
    form.Use = settings;
    form.Request = request;
    return Drive(form, user);
  }

  // Loads the stored record as a browse does before it calls the form for a change,
  // keeping the file open meanwhile.
  void Load(const std::string& code) {
    ASSERT_EQ(File.Manager.Open(), 0);
    File.Set(code, "", 0);
    ASSERT_EQ(File.Manager.Fetch(testsupport::TestFormRecord::CodeKey), 0);
  }

  // Between the cases of one test: what went wrong so far is reported, then forgotten.
  void NextCase() {
    for (const std::string& failure : Screen->Failures()) ADD_FAILURE() << failure;
    Screen->Clear();
  }
  std::vector<std::string> Titles() const {
    std::vector<std::string> titles;
    for (const auto& box : Screen->MessageBoxes()) titles.push_back(box.Caption);
    return titles;
  }
  std::string StoredName(const std::string& code) {
    auto record = File.Stored(code);
    return record ? record->Name : "<missing>";
  }
  static int32_t Focus(int32_t window) { return static_cast<int32_t>(WindowModel::GetPropInt(window, 0, Prop::Focus)); }
  // The control's text on the screen, without the blanks a picture pads it with.
  static std::string Screenful(int32_t window, int32_t control) {
    std::string text = WindowModel::GetProp(window, control, Prop::Text);
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }
  // Types a new record into the form.
  void Fill(int32_t window, const std::string& code, const std::string& name) {
    EXPECT_TRUE(Driver->Type(window, "?Code", code));
    EXPECT_TRUE(Driver->Type(window, "?Name", name));
  }

  std::shared_ptr<runtime::ui::headless::HeadlessFrontEnd> Screen;
  std::unique_ptr<runtime::ui::headless::HeadlessDriver> Driver;
  testsupport::TempWorkDir Folder;
  framework::error::ErrorManager Errors;
  testsupport::TestFormFile File;
  testsupport::TestFormRecord History{};
};

TEST_F(RecordRequestThreadTest, InsertThatClosesStoresTheRecordAndCompletes) {
  File.Set("", "", 0);
  const uint8_t response = Drive(W::RequestInsert, {}, [&](int32_t w) {
    Fill(w, "alpha", "First");
    EXPECT_TRUE(Driver->Type(w, "?Count", "3"));
    EXPECT_TRUE(Driver->Press(w, "&OK"));
  });
  EXPECT_EQ(response, W::ResponseCompleted);
  auto stored = File.Stored("alpha");
  ASSERT_TRUE(stored);
  EXPECT_STREQ(stored->Name, "First");
  EXPECT_EQ(stored->Count, 3);
  EXPECT_TRUE(Screen->MessageBoxes().empty());
}

TEST_F(RecordRequestThreadTest, InsertThatPrimesTheNextStaysOpenAndCancelReportsTheLastInserted) {
  File.Set("", "", 7);  // what the caller primed: every new record starts from it
  TestForm form(File, Errors, History);
  form.Use.InsertAction = W::InsertPrimesNext;
  form.Request = W::RequestInsert;
  std::vector<std::string> codesAfterOk;
  int32_t focusAfterOk = 0;
  const uint8_t response = Drive(form, [&](int32_t w) {
    for (const char* code : {"one", "two"}) {
      Fill(w, code, std::string("Name ") + code);
      EXPECT_TRUE(Driver->Press(w, "&OK"));
      ASSERT_TRUE(Driver->WaitIdle());
      ASSERT_TRUE(WindowModel::Exists(w));
      codesAfterOk.push_back(Screenful(w, TestForm::CodeEntry) + "/" + Screenful(w, TestForm::CountEntry));
      focusAfterOk = Focus(w);
    }
    EXPECT_TRUE(Driver->Press(w, "&Cancel"));  // nothing typed since: no question
  });
  EXPECT_EQ(codesAfterOk, (std::vector<std::string>{"/7", "/7"}));
  EXPECT_EQ(focusAfterOk, TestForm::CodeEntry);
  EXPECT_FALSE(form.LastInsertedPosition.empty());
  EXPECT_EQ(response, W::ResponseCompleted) << "records were added from the form";
  EXPECT_STREQ(File.Record.Code, "two") << "the buffer holds the last record inserted, read again";
  EXPECT_EQ(File.Records(), 2);
  EXPECT_TRUE(Screen->MessageBoxes().empty());
}

TEST_F(RecordRequestThreadTest, InsertThatAsksForAnotherFollowsTheAnswer) {
  struct Case {
    const char* Name;
    int32_t Answer;
    bool StaysOpen;
  };
  for (const Case& c : {Case{"Yes primes another record", Button::Yes, true},
                        Case{"No closes the form", Button::No, false}}) {
    SCOPED_TRACE(c.Name);
    NextCase();
    File.Set("", "", 0);
    bool open = false;
    const std::string code = std::string("ask") + (c.StaysOpen ? "1" : "2");
    TestForm::Settings settings;
    settings.InsertAction = W::InsertAsksAnother;
    const uint8_t response = Drive(W::RequestInsert, settings, [&](int32_t w) {
      Fill(w, code, "Asked");
      Driver->AnswerMessageBox(c.Answer);
      EXPECT_TRUE(Driver->Press(w, "&OK"));
      ASSERT_TRUE(Driver->WaitIdle());
      open = WindowModel::Exists(w);
      if (open) {
        EXPECT_TRUE(Driver->Press(w, "&Cancel"));
      }
    });
    EXPECT_EQ(open, c.StaysOpen);
    EXPECT_EQ(response, W::ResponseCompleted);
    ASSERT_EQ(Screen->MessageBoxes().size(), 1u);
    const auto box = Screen->MessageBoxes()[0];
    EXPECT_EQ(box.Caption, "Record Added");
    EXPECT_EQ(box.Text, "This record has been added to the file. Do you want to add another record?");
    EXPECT_EQ(box.Buttons, Button::Yes | Button::No);
    EXPECT_TRUE(File.Stored(code));
  }
}

TEST_F(RecordRequestThreadTest, CancelOnAnUnchangedChangeFormClosesAtOnce) {
  ASSERT_EQ(File.Add("same", "Kept", 1), 0);
  Load("same");
  const uint8_t response = Drive(W::RequestChange, {}, [&](int32_t w) { EXPECT_TRUE(Driver->Press(w, "&Cancel")); });
  File.Manager.Close();
  EXPECT_EQ(response, W::ResponseCancelled);
  EXPECT_TRUE(Screen->MessageBoxes().empty());
}

TEST_F(RecordRequestThreadTest, CancelWithChangesAsksWhetherToLoseThem) {
  ASSERT_EQ(File.Add("chg", "Before", 1), 0);
  Load("chg");
  bool openAfterNo = false;
  int32_t focusAfterNo = 0;
  const uint8_t response = Drive(W::RequestChange, {}, [&](int32_t w) {
    EXPECT_TRUE(Driver->Type(w, "?Name", "After"));
    Driver->AnswerMessageBox(Button::No);
    EXPECT_TRUE(Driver->Press(w, "&Cancel"));
    ASSERT_TRUE(Driver->WaitIdle());
    openAfterNo = WindowModel::Exists(w);
    focusAfterNo = Focus(w);
    Driver->AnswerMessageBox(Button::Yes);
    EXPECT_TRUE(Driver->Press(w, "&Cancel"));
  });
  File.Manager.Close();
  EXPECT_TRUE(openAfterNo);
  EXPECT_EQ(focusAfterNo, TestForm::CodeEntry);
  EXPECT_EQ(response, W::ResponseCancelled);
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Changes will be lost!", "Changes will be lost!"}));
  EXPECT_EQ(Screen->MessageBoxes()[0].Text, "Are you sure you want to cancel?");
  EXPECT_EQ(StoredName("chg"), "Before");
}

TEST_F(RecordRequestThreadTest, CancelThatSavesAsksToSaveAndFollowsTheAnswer) {
  struct Case {
    const char* Name;
    int32_t Answer;
    bool Closed;
    uint8_t Response;
    const char* Stored;
  };
  const Case cases[] = {
      {"Yes saves through the OK path and closes", Button::Yes, true, W::ResponseCompleted, "Saved"},
      {"No closes without saving", Button::No, true, W::ResponseCancelled, "Original"},
      {"Cancel keeps the form and the changes", Button::Cancel, false, W::ResponseCancelled, "Original"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    NextCase();
    const std::string code = "save" + std::to_string(++n);
    ASSERT_EQ(File.Add(code, "Original", 1), 0);
    Load(code);
    bool closed = false;
    TestForm::Settings settings;
    settings.CancelAction = W::CancelSavesChanges | W::CancelAsks;
    const uint8_t response = Drive(W::RequestChange, settings, [&](int32_t w) {
      EXPECT_TRUE(Driver->Type(w, "?Name", "Saved"));
      Driver->AnswerMessageBox(c.Answer);
      EXPECT_TRUE(Driver->Press(w, "&Cancel"));
      ASSERT_TRUE(Driver->WaitIdle());
      closed = !WindowModel::Exists(w);
      if (!closed) {
        Driver->AnswerMessageBox(Button::No);
        EXPECT_TRUE(Driver->PressKey(w, Key::Esc));
      }
    });
    File.Manager.Close();
    EXPECT_EQ(closed, c.Closed);
    EXPECT_EQ(response, c.Response);
    EXPECT_EQ(StoredName(code), c.Stored);
    const auto boxes = Screen->MessageBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].Caption, "Save Record");
    EXPECT_EQ(boxes[0].Text, "Do you want to save the changes to this record?");
    EXPECT_EQ(boxes[0].Buttons, 70);
    EXPECT_EQ(boxes[0].DefaultButton, Button::Cancel);
  }
}

TEST_F(RecordRequestThreadTest, SaveButtonInsertsThenTheFormChangesThatRecord) {
  File.Set("", "", 0);
  bool openAfterSave = false;
  int64_t recordsAfterSave = -1;
  const uint8_t response = Drive(W::RequestInsert, {}, [&](int32_t w) {
    Fill(w, "kept", "Draft");
    EXPECT_TRUE(Driver->Press(w, "&Save"));
    ASSERT_TRUE(Driver->WaitIdle());
    openAfterSave = WindowModel::Exists(w);
    recordsAfterSave = File.Records();
    EXPECT_TRUE(Driver->Type(w, "?Name", "Final"));
    EXPECT_TRUE(Driver->Press(w, "&OK"));
  });
  EXPECT_TRUE(openAfterSave);
  EXPECT_EQ(recordsAfterSave, 1);
  EXPECT_EQ(response, W::ResponseCompleted);
  EXPECT_EQ(File.Records(), 1) << "OK after the save changed the record, it did not add another";
  EXPECT_EQ(StoredName("kept"), "Final");
  EXPECT_TRUE(Screen->MessageBoxes().empty());
}

TEST_F(RecordRequestThreadTest, FailedUpdateAsksToTryAgain) {
  struct Case {
    const char* Name;
    std::vector<int32_t> Answers;
    uint8_t Response;
    const char* Stored;
    std::vector<std::string> Titles;
  };
  const Case cases[] = {
      {"Yes tries again and the second write succeeds", {Button::Yes}, W::ResponseCompleted, "Retried",
       {"Record Update Error"}},
      // The form closes through its normal close path, which sees the unsaved change.
      {"No gives up and closes", {Button::No, Button::Yes}, W::ResponseCancelled, "Original",
       {"Record Update Error", "Changes will be lost!"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    NextCase();
    const std::string code = "upd" + std::to_string(++n);
    ASSERT_EQ(File.Add(code, "Original", 1), 0);
    Load(code);
    File.Manager.RefuseChecks = 1;
    const uint8_t response = Drive(W::RequestChange, {}, [&](int32_t w) {
      EXPECT_TRUE(Driver->Type(w, "?Name", "Retried"));
      for (int32_t answer : c.Answers) Driver->AnswerMessageBox(answer);
      EXPECT_TRUE(Driver->Press(w, "&OK"));
    });
    File.Manager.Close();
    EXPECT_EQ(response, c.Response);
    EXPECT_EQ(StoredName(code), c.Stored);
    EXPECT_EQ(Titles(), c.Titles);
    const auto box = Screen->MessageBoxes().at(0);
    EXPECT_EQ(box.Text, "An error was experienced changing this record. Do you want to try to save again?");
    EXPECT_EQ(box.Buttons, 70);
    EXPECT_EQ(box.DefaultButton, Button::Cancel);
  }
}

TEST_F(RecordRequestThreadTest, DeleteWithConfirmationNeverShowsTheWindow) {
  struct Case {
    const char* Name;
    int32_t Answer;
    uint8_t Response;
    bool Kept;
  };
  int n = 0;
  for (const Case& c : {Case{"Yes deletes", Button::Yes, W::ResponseCompleted, false},
                        Case{"No keeps the record", Button::No, W::ResponseCancelled, true}}) {
    SCOPED_TRACE(c.Name);
    NextCase();
    const std::string code = "del" + std::to_string(++n);
    ASSERT_EQ(File.Add(code, "Doomed", 1), 0);
    Load(code);
    Screen->QueueAnswer(c.Answer);
    TestForm form(File, Errors, History);
    form.Use.DeleteAction = W::DeleteConfirmedAtOnce;
    form.Request = W::RequestDelete;
    const uint8_t response = form.Run();
    File.Manager.Close();
    EXPECT_FALSE(form.WindowState().has_value()) << "the window never opened";
    EXPECT_EQ(form.Prepared, W::EventEndLoop);
    EXPECT_EQ(response, c.Response);
    EXPECT_EQ(File.Stored(code).has_value(), c.Kept);
    EXPECT_EQ(Titles(), std::vector<std::string>{"Confirm Delete"});
  }
}

TEST_F(RecordRequestThreadTest, DuplicateKeyKeepsTheFormOpenOnItsFirstField) {
  ASSERT_EQ(File.Add("twin", "Existing", 1), 0);
  File.Set("", "", 0);
  bool openAfterOk = false;
  int32_t focus = 0;
  const uint8_t response = Drive(W::RequestInsert, {}, [&](int32_t w) {
    Fill(w, "twin", "Second");
    Driver->AnswerMessageBox(Button::Ok);
    EXPECT_TRUE(Driver->Focus(w, "?Name"));
    EXPECT_TRUE(Driver->Press(w, "&OK"));
    ASSERT_TRUE(Driver->WaitIdle());
    openAfterOk = WindowModel::Exists(w);
    focus = Focus(w);
    Driver->AnswerMessageBox(Button::Yes);  // "Changes will be lost!": yes, cancel
    EXPECT_TRUE(Driver->Press(w, "&Cancel"));
  });
  EXPECT_TRUE(openAfterOk);
  EXPECT_EQ(focus, TestForm::CodeEntry);
  EXPECT_EQ(response, W::ResponseCancelled);
  EXPECT_EQ(File.Records(), 1);
  EXPECT_EQ(StoredName("twin"), "Existing");
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Duplicate Key Error", "Changes will be lost!"}));
}

TEST_F(RecordRequestThreadTest, ANumberEntryRefusingItsTextBeepsAndKeepsTheFocus) {
  File.Set("", "", 0);
  int32_t focus = 0;
  const uint8_t response = Drive(W::RequestInsert, {}, [&](int32_t w) {
    Fill(w, "nonum", "Typed");
    EXPECT_TRUE(Driver->Type(w, "?Count", "4x"));
    ASSERT_TRUE(Driver->WaitIdle());
    focus = Focus(w);
    Driver->AnswerMessageBox(Button::Yes);  // "Changes will be lost!": yes, cancel
    EXPECT_TRUE(Driver->Press(w, "&Cancel"));
  });
  EXPECT_EQ(Screen->Beeps(), 1);
  EXPECT_EQ(focus, TestForm::CountEntry);
  EXPECT_EQ(response, W::ResponseCancelled);
  EXPECT_FALSE(File.Stored("nonum").has_value());
}

TEST_F(RecordRequestThreadTest, CtrlHRecallsTheValuesOfThePreviousForm) {
  File.Set("", "", 0);
  ASSERT_EQ(Drive(W::RequestInsert, {}, [&](int32_t w) {
              Fill(w, "first", "Remembered");
              EXPECT_TRUE(Driver->Press(w, "&OK"));
            }),
            W::ResponseCompleted);

  File.Set("", "", 0);
  std::string recalled;
  Drive(W::RequestInsert, {}, [&](int32_t w) {
    ASSERT_TRUE(Driver->WaitIdle());
    EXPECT_EQ(Screenful(w, TestForm::NameEntry), "");
    EXPECT_TRUE(Driver->Focus(w, "?Name"));
    EXPECT_TRUE(Driver->PressKey(w, Key::CtrlH));
    ASSERT_TRUE(Driver->WaitIdle());
    recalled = Screenful(w, TestForm::NameEntry);
    EXPECT_TRUE(Driver->Type(w, "?Code", "second"));
    EXPECT_TRUE(Driver->Press(w, "&OK"));
  });
  EXPECT_EQ(recalled, "Remembered");
  EXPECT_EQ(StoredName("second"), "Remembered");
}

TEST_F(RecordRequestThreadTest, BatchInsertAddsRecordAfterRecordInOneFormSession) {
  File.Set("", "", 0);
  TestForm form(File, Errors, History);
  form.Use.Batch = true;
  form.Request = W::RequestInsert;
  const uint8_t response = Drive(form, [&](int32_t w) {
    for (const char* code : {"one", "two", "three"}) {
      Fill(w, code, std::string("Name ") + code);
      EXPECT_TRUE(Driver->Press(w, "&OK"));
      ASSERT_TRUE(Driver->WaitIdle());
      ASSERT_TRUE(WindowModel::Exists(w)) << "the batch form stays open for the next record";
      EXPECT_EQ(Screenful(w, TestForm::CodeEntry), "");
    }
    EXPECT_TRUE(Driver->Press(w, "&Cancel"));
  });
  EXPECT_EQ(response, W::ResponseCompleted);
  EXPECT_EQ(File.Records(), 3);
  EXPECT_EQ(StoredName("three"), "Name three");
}

TEST_F(RecordRequestThreadTest, BatchChangeSavesOnTheWayToTheNextAndPreviousRecord) {
  for (const char* code : {"a", "b", "c"}) ASSERT_EQ(File.Add(code, std::string("old ") + code, 0), 0);
  Load("a");
  TestForm form(File, Errors, History);
  form.Use.Batch = true;
  form.Request = W::RequestChange;
  std::vector<std::string> shown;
  auto navigate = [&](int32_t w, int32_t request) {
    // A toolbar button numbered as the request.
    WindowModel::Post(w, runtime::ui::Event::Accepted, request);
    ASSERT_TRUE(Driver->WaitIdle());
    shown.push_back(Screenful(w, TestForm::CodeEntry) + "/" + Screenful(w, TestForm::NameEntry));
  };
  Drive(form, [&](int32_t w) {
    EXPECT_TRUE(Driver->Type(w, "?Name", "new a"));
    navigate(w, FormNavigator::NavigateNext);
    EXPECT_TRUE(Driver->Type(w, "?Name", "new b"));
    navigate(w, FormNavigator::NavigateNext);
    navigate(w, FormNavigator::NavigateNext);  // past the last record: the form stays
    navigate(w, FormNavigator::NavigateFirst);
    navigate(w, FormNavigator::NavigateLast);
    navigate(w, FormNavigator::NavigatePrevious);
    EXPECT_TRUE(Driver->Press(w, "&OK"));  // OK alone goes on to the next record
    ASSERT_TRUE(Driver->WaitIdle());
    shown.push_back(Screenful(w, TestForm::CodeEntry));
    EXPECT_TRUE(Driver->Press(w, "&Cancel"));
  });
  EXPECT_EQ(shown, (std::vector<std::string>{"b/old b", "c/old c", "c/old c", "a/new a", "c/old c", "b/new b", "c"}));
  EXPECT_EQ(StoredName("a"), "new a");
  EXPECT_EQ(StoredName("b"), "new b");
  EXPECT_TRUE(Screen->MessageBoxes().empty());
}

}  // namespace
}  // namespace framework::window
