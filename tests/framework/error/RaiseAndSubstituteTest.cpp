// Raising by severity, questions, placeholder substitution, captured runtime errors,
// procedure names and length limits.

#include <gtest/gtest.h>

#include <string>

#include "framework/error/Buttons.h"
#include "framework/error/StockIcon.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "tests/framework/error/ErrorTestFixture.h"

namespace framework::error::errortest {
namespace {

using runtime::core::RuntimeError;
using runtime::core::RuntimeErrorCode;

constexpr int32_t TestId = 900;

using RaiseTest = ErrorManagerFixture;

TEST_F(RaiseTest, QuestionAnsweredNoIsDeclinedAndYesGoesOn) {
  Screen->QueueAnswer(Button::No);
  EXPECT_EQ(Manager.RaiseError(10), LevelDeclined);
  Screen->QueueAnswer(Button::Yes);
  EXPECT_EQ(Manager.RaiseError(10), LevelQuiet);

  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].Caption, "Changes will be lost!");
  EXPECT_EQ(boxes[0].Text, "Are you sure you want to cancel?");
  EXPECT_EQ(boxes[0].Icon, StockIcon::Exclamation);
  EXPECT_EQ(boxes[0].Buttons, Button::Yes | Button::No);
  EXPECT_EQ(boxes[0].DefaultButton, Button::Yes);
}

TEST_F(RaiseTest, QuestionAnsweredOtherwiseIsDeclined) {
  Screen->QueueAnswer(Button::Cancel);
  EXPECT_EQ(Manager.RaiseError(11), LevelDeclined);
}

TEST_F(RaiseTest, SilentQuestionTakesYesWithoutShowing) {
  Manager.Silent = true;
  EXPECT_EQ(Manager.RaiseError(10), LevelQuiet);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(RaiseTest, SeverityFourAsksLikeSeverityOne) {
  Manager.AddCatalogueEntry(TestId, "Go on?", "Declinable", LevelDeclined);
  Screen->QueueAnswer(Button::No);
  EXPECT_EQ(Manager.HandleError(TestId), LevelDeclined);
  EXPECT_EQ(Boxes().at(0).Buttons, Button::YesNo);
}

TEST_F(RaiseTest, NoticeShowsOneOkButtonAndReturnsNotice) {
  Manager.SetFileName("UrlList   ");
  RuntimeError::Set(RuntimeErrorCode::AccessDenied);
  Screen->QueueAnswer(Button::Ok);
  EXPECT_EQ(Manager.RaiseError(13), LevelNotice);

  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Caption, "Record was not deleted");
  EXPECT_EQ(boxes[0].Text,
            "An error (Access Denied (5)) was experienced when deleting a record from the UrlList file.");
  EXPECT_EQ(boxes[0].Icon, StockIcon::Asterisk);
  EXPECT_EQ(boxes[0].Buttons, Button::Ok);
  EXPECT_EQ(boxes[0].DefaultButton, Button::Ok);
}

TEST_F(RaiseTest, RaiseWithMessageFillsMessageWithoutTrailingBlanks) {
  Screen->QueueAnswer(Button::Ok);
  EXPECT_EQ(Manager.RaiseErrorWithMessage(15, "https://example.org   "), LevelNotice);
  EXPECT_EQ(Boxes().at(0).Text, "Adding this record creates a duplicate entry for the key: https://example.org");
}

TEST_F(RaiseTest, MessageStyleIsPassedToTheBox) {
  Manager.MsgStyle = 3;
  Screen->QueueAnswer(Button::Ok);
  Manager.HandleError(28);
  EXPECT_EQ(Boxes().at(0).Style, 3);
}

// A manager whose internal-error handler does not halt, to watch the dispatch.
class RoutingManager : public TestManager {
 public:
  ErrorLevel HandleInternal() override {
    ++InternalCalls;
    return LevelInternal;
  }
  int InternalCalls = 0;
};

TEST(RaiseRoutingTest, InternalAndUnknownSeveritiesReachHandleInternal) {
  RoutingManager manager;
  manager.Construct();
  manager.Init(TestStatus());
  manager.AddCatalogueEntry(TestId, "odd", "Odd", 9);
  EXPECT_EQ(manager.HandleError(45), LevelInternal);
  EXPECT_EQ(manager.HandleError(TestId), LevelInternal);
  EXPECT_EQ(manager.InternalCalls, 2);
  manager.Shutdown();
}

TEST_F(RaiseTest, AskMessageUsesTheGivenButtonsWhateverTheSeverity) {
  Screen->QueueAnswer(Button::Cancel);
  EXPECT_EQ(Manager.AskMessage(41, Button::YesNoCancel, Button::Cancel), Button::Cancel);
  auto box = Boxes().at(0);
  EXPECT_EQ(box.Caption, "Save Record");
  EXPECT_EQ(box.Buttons, Button::YesNoCancel);
  EXPECT_EQ(box.DefaultButton, Button::Cancel);
  EXPECT_EQ(box.Icon, StockIcon::Exclamation);
  EXPECT_EQ(Manager.GetErrorId(), 41);

  // A notice entry asked as a question still shows as one.
  Screen->QueueAnswer(Button::Yes);
  EXPECT_EQ(Manager.AskMessage(28, Button::YesNo, Button::No), Button::Yes);
}

TEST_F(RaiseTest, SilentAskMessageReturnsTheDefaultAndLeavesTheCurrentError) {
  Manager.SetCurrentError(33);
  Manager.Silent = true;
  EXPECT_EQ(Manager.AskMessage(41, Button::YesNoCancel, Button::Cancel), Button::Cancel);
  EXPECT_EQ(Manager.GetErrorId(), 33);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(RaiseTest, CurrentAndPreviousIds) {
  Manager.SetCurrentError(33);
  Manager.SetCurrentError(32);
  EXPECT_EQ(Manager.GetErrorId(), 32);
  Manager.AddCatalogueEntry(TestId, "now %Previous", "t", LevelQuiet);
  Manager.SetCurrentError(TestId);
  EXPECT_EQ(Manager.SubstituteText(), "now Error: (%ErrorText) repairing key for %File.")
      << "the earlier text is taken raw";
}

// ---- Substitution ----

struct SubstitutionCase {
  const char* Name;
  const char* Text;
  int32_t Code;
  const char* Expected;
};

class SubstitutionTest : public ErrorManagerFixture, public ::testing::WithParamInterface<SubstitutionCase> {};

TEST_P(SubstitutionTest, FillsPlaceholders) {
  const SubstitutionCase& c = GetParam();
  Manager.SetFileName("UrlList");
  Manager.SetKeyName("KeyUrl");
  Manager.SetFieldName("Url");
  RuntimeError::Set(c.Code, "Runtime text   ");
  RuntimeError::SetFile("77", "driver text");
  Manager.RaiseErrorWithMessage(0, "msg");  // captures, sets the message; id 0 is quiet
  Manager.AddCatalogueEntry(TestId, c.Text, "t", LevelQuiet);
  Manager.SetCurrentError(TestId);
  EXPECT_EQ(Manager.SubstituteText(), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Placeholders, SubstitutionTest,
    ::testing::Values(
        SubstitutionCase{"LongerNamesFirst", "%FileErrorCode|%FileError|%File", 5, "77|driver text|UrlList"},
        SubstitutionCase{"AnyCase", "%file %FILE %kEy %field", 5, "UrlList UrlList KeyUrl Url"},
        SubstitutionCase{"ErrorFamily", "%ErrorCode - %Error - %ErrorText", 5,
                         "5 - Runtime text - Runtime text (5)"},
        SubstitutionCase{"DriverText90", "%ErrorText", 90, "driver text (77)"},
        SubstitutionCase{"DriverText100", "%ErrorText", 100, "driver text (77)"},
        SubstitutionCase{"DriverText47", "%ErrorText", 47, "driver text (77)"},
        SubstitutionCase{"RuntimeText46", "%ErrorText", 46, "Runtime text (46)"},
        SubstitutionCase{"Message", "[%Message]", 5, "[msg]"},
        SubstitutionCase{"LowerCasePreviousStays", "%previous", 5, "%previous"},
        SubstitutionCase{"CategoryOfTheEntry", "<%Category>", 5, "<>"},
        SubstitutionCase{"NoPlaceholders", "plain", 5, "plain"}),
    [](const ::testing::TestParamInfo<SubstitutionCase>& info) { return std::string(info.param.Name); });

TEST_F(RaiseTest, LaterStepsSearchTextInsertedByEarlierOnes) {
  Manager.SetFileName("A%KeyB");
  Manager.SetKeyName("k");
  Manager.AddCatalogueEntry(TestId, "%File", "t", LevelQuiet);
  Manager.SetCurrentError(TestId);
  EXPECT_EQ(Manager.SubstituteText(), "AkB");
}

TEST_F(RaiseTest, ValueHoldingItsOwnPlaceholderIsInsertedOncePerOccurrence) {
  Manager.SetFileName("x%Filey");
  Manager.AddCatalogueEntry(TestId, "%File and %FILE", "t", LevelQuiet);
  Manager.SetCurrentError(TestId);
  EXPECT_EQ(Manager.SubstituteText(), "x%Filey and x%Filey");

  // A value equal to the placeholder (any case) leaves the text alone.
  Manager.SetFileName("%FILE");
  EXPECT_EQ(Manager.SubstituteText(), "%File and %FILE");
}

TEST_F(RaiseTest, WorkingTextIsCutTo1999BytesOnACharacterBoundary) {
  std::string name(1000, 'n');
  name[999] = 'x';
  Manager.SetFileName(name);
  Manager.AddCatalogueEntry(TestId, "%File%File%File", "t", LevelQuiet);
  Manager.SetCurrentError(TestId);
  std::string text = Manager.SubstituteText();
  EXPECT_EQ(text.size(), 1999u);

  // A 1000-byte name ending in the two-byte "é": the second copy's "é" sits at bytes
  // 1998 and 1999, across the limit.
  std::string wide(998, 'a');
  wide += "\xC3\xA9";
  Manager.SetFileName(wide);
  text = Manager.SubstituteText();
  EXPECT_EQ(text.size(), 1998u) << "the character across the limit is dropped whole";
}

TEST_F(RaiseTest, NamesLoseTrailingBlanksAndAreCutTo1023Bytes) {
  std::string name(1022, 'a');
  name += "\xC3\xA9   ";  // a two-byte character straddling byte 1023
  Manager.SetFieldName(name);
  Manager.AddCatalogueEntry(TestId, "%Field", "t", LevelQuiet);
  Manager.SetCurrentError(TestId);
  EXPECT_EQ(Manager.SubstituteText(), std::string(1022, 'a'));

  Manager.SetFieldName("Url   ");
  EXPECT_EQ(Manager.SubstituteText(), "Url");
}

TEST_F(RaiseTest, CapturedRuntimeTextsAreCutTo254Bytes) {
  RuntimeError::Set(RuntimeErrorCode::DriverError, std::string(300, 'r'));
  RuntimeError::SetFile(std::string(300, '9'), std::string(300, 'f'));
  Manager.CaptureRuntimeError();
  Manager.AddCatalogueEntry(TestId, "%Error|%FileError|%FileErrorCode", "t", LevelQuiet);
  Manager.SetCurrentError(TestId);
  EXPECT_EQ(Manager.SubstituteText(),
            std::string(254, 'r') + "|" + std::string(254, 'f') + "|" + std::string(254, '9'));
}

TEST_F(RaiseTest, ValuesStayUntilSetAgain) {
  Manager.SetFileName("First");
  Screen->QueueAnswer(Button::Ok);
  Manager.RaiseError(34);
  Screen->QueueAnswer(Button::Ok);
  Manager.RaiseError(2);
  EXPECT_EQ(Boxes().at(1).Text, "Could not get write access to First so trying read-only.");
}

// ---- Procedure names ----

TEST_F(RaiseTest, ProcedureFollowsNestedProceduresOfTheThread) {
  Manager.AddCatalogueEntry(TestId, "in %Procedure", "t", LevelQuiet);
  Manager.SetCurrentError(TestId);
  EXPECT_EQ(Manager.SubstituteText(), "in ");

  Manager.TrackProcedureName("BrowseUrlList", framework::error::ErrorManager::Track::Enter);
  Manager.TrackProcedureName("UpdateUrlList   ", framework::error::ErrorManager::Track::Enter);
  EXPECT_EQ(Manager.SubstituteText(), "in UpdateUrlList");

  Manager.TrackProcedureName("", framework::error::ErrorManager::Track::Leave);
  EXPECT_EQ(Manager.SubstituteText(), "in BrowseUrlList");
  Manager.TrackProcedureName("", framework::error::ErrorManager::Track::Leave);
  EXPECT_EQ(Manager.CurrentProcedureName(), "");
  Manager.TrackProcedureName("", framework::error::ErrorManager::Track::Leave);  // nothing left: no effect
}

}  // namespace
}  // namespace framework::error::errortest
