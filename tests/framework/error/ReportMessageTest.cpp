// What happens to a reported message: the log line, the history under its threshold,
// silence, and which messages reach the screen.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "framework/error/Buttons.h"
#include "framework/error/StandardErrorLog.h"
#include "framework/error/StockIcon.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "tests/framework/error/ErrorTestFixture.h"

namespace framework::error::errortest {
namespace {

namespace fs = std::filesystem;

// Runs the test in a fresh working folder, where the log file lands.
class InTemporaryFolder {
 public:
  InTemporaryFolder() : Previous(fs::current_path()) {
    std::string pattern = (fs::temp_directory_path() / "vk-errorlog-XXXXXX").string();
    Folder = ::mkdtemp(pattern.data());
    fs::current_path(Folder);
  }
  ~InTemporaryFolder() {
    fs::current_path(Previous);
    std::error_code ignored;
    fs::remove_all(Folder, ignored);
  }

 private:
  fs::path Previous;
  fs::path Folder;
};

std::vector<std::string> LogLines() {
  std::vector<std::string> lines;
  std::ifstream in(StandardErrorLog::FileName);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The text after the date and time of a log line, or "" when the line is malformed.
std::string LoggedText(const std::string& line) {
  static const std::regex format(R"(^\d{4}-\d{2}-\d{2}@\d{2}:\d{2}:\d{2} --> (.*)$)");
  std::smatch match;
  return std::regex_match(line, match, format) ? match[1].str() : "";
}

class ReportMessageTest : public ErrorManagerFixture {
 protected:
  // Raises notice 19 ("Value Error") n times with the message 0, 1 ..., answering each box shown.
  void RaiseNotices(int n) {
    for (int i = 0; i < n; ++i) {
      if (Manager.GetHistoryThreshold() == 0 && !Manager.GetSilent()) Screen->QueueAnswer(Button::Ok);
      Manager.RaiseErrorWithMessage(19, std::to_string(i));
    }
  }
  std::vector<std::string> HistoryTexts() {
    std::vector<std::string> texts;
    for (const HistoryEntry& e : Manager.HistoryEntries()) texts.push_back(e.Txt);
    return texts;
  }
  static std::string ValueErrorText(int i) {
    return "The value of  must be in the list : " + std::to_string(i) + ".";
  }

  InTemporaryFolder Folder;
};

TEST_F(ReportMessageTest, WithoutHistoryEveryMessageIsShownAndNothingRecorded) {
  RaiseNotices(3);
  EXPECT_EQ(Boxes().size(), 3u);
  EXPECT_TRUE(Manager.HistoryEntries().empty());
}

TEST_F(ReportMessageTest, PositiveThresholdKeepsTheNewestEntriesOldestFirst) {
  Manager.SetHistoryThreshold(3);
  RaiseNotices(5);
  EXPECT_EQ(HistoryTexts(), (std::vector<std::string>{ValueErrorText(2), ValueErrorText(3), ValueErrorText(4)}));
  const HistoryEntry first = Manager.HistoryEntries().front();
  EXPECT_EQ(first.Id, 19);
  EXPECT_EQ(first.Category, "Kel");
}

TEST_F(ReportMessageTest, NegativeThresholdKeepsEverything) {
  Manager.SetHistoryThreshold(-1);
  RaiseNotices(7);
  EXPECT_EQ(Manager.HistoryEntries().size(), 7u);
}

TEST_F(ReportMessageTest, HistoryModeShowsOnlyTheViewedSeverity) {
  Manager.SetHistoryThreshold(10);
  // A notice is recorded but not shown; the caller still gets "reported".
  EXPECT_EQ(Manager.RaiseError(28), LevelNotice);
  EXPECT_EQ(Manager.ReportMessage("direct", "Title", StockIcon::Asterisk, Button::Ok, Button::Ok, 0), Button::Ok);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Manager.HistoryWindowCalls.empty());
  EXPECT_EQ(Manager.HistoryEntries().size(), 2u);

  // A notice at the viewed level opens the history window with the title as caption
  // and the default icon, since a stock-icon code is not a number.
  Manager.SetHistoryViewLevel(LevelNotice);
  Manager.HistoryWindowAnswer = Button::Ok;
  EXPECT_EQ(Manager.RaiseError(28), LevelNotice);
  ASSERT_EQ(Manager.HistoryWindowCalls.size(), 1u);
  const auto& call = Manager.HistoryWindowCalls[0];
  EXPECT_EQ(call.Caption, "No Records");
  EXPECT_EQ(call.Icon, 0);
  EXPECT_EQ(call.Buttons, Button::Ok);
  EXPECT_EQ(call.DefaultButton, Button::Ok);
  EXPECT_EQ(Manager.HistoryEntries().size(), 3u);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ReportMessageTest, NumericIconReachesTheHistoryWindowAsANumber) {
  Manager.SetHistoryThreshold(-1);
  Manager.SetHistoryViewLevel(LevelNotice);
  Manager.SetCurrentError(28);
  Manager.ReportMessage("m", "t", "42", Button::Ok, Button::Ok, 0);
  ASSERT_EQ(Manager.HistoryWindowCalls.size(), 1u);
  EXPECT_EQ(Manager.HistoryWindowCalls[0].Icon, 42);
}

TEST_F(ReportMessageTest, ResetOnViewEmptiesTheHistoryAfterShowingIt) {
  Manager.SetHistoryThreshold(-1);
  Manager.SetHistoryViewLevel(LevelNotice);
  Manager.SetHistoryResetOnView(true);
  Manager.RaiseError(28);
  EXPECT_EQ(Manager.HistoryWindowCalls.size(), 1u);
  EXPECT_TRUE(Manager.HistoryEntries().empty());
}

TEST_F(ReportMessageTest, SilentStillLogsAndRecordsAndReturnsTheDefault) {
  Manager.Silent = true;
  Manager.LogErrors = true;
  Manager.SetHistoryThreshold(-1);
  Manager.SetHistoryViewLevel(LevelNotice);
  EXPECT_EQ(Manager.RaiseError(28), LevelNotice);
  EXPECT_EQ(Manager.RaiseError(10), LevelQuiet) << "a silent question is answered Yes";
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Manager.HistoryWindowCalls.empty());
  EXPECT_EQ(Manager.HistoryEntries().size(), 2u);
  EXPECT_EQ(LogLines().size(), 2u);
}

TEST_F(ReportMessageTest, OpenHistoryViewAsksForTheHistoryCaptionWithOkAndHelp) {
  Manager.HistoryWindowAnswer = Button::Help;
  EXPECT_EQ(Manager.OpenHistoryView(), Button::Help);
  ASSERT_EQ(Manager.HistoryWindowCalls.size(), 1u);
  const auto& call = Manager.HistoryWindowCalls[0];
  EXPECT_EQ(call.Caption, "Errors History");
  EXPECT_EQ(call.Icon, 0);
  EXPECT_EQ(call.Buttons, Button::Ok | Button::Help);
  EXPECT_EQ(call.DefaultButton, Button::Ok);
}

// ---- The log ----

TEST_F(ReportMessageTest, EachLoggedMessageAppendsOneDatedLine) {
  Manager.LogErrors = true;
  Manager.SetFileName("UrlList");
  Screen->QueueAnswer(Button::Ok);
  Manager.RaiseError(4);
  Screen->QueueAnswer(Button::Ok);
  Manager.RaiseError(28);

  std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(LoggedText(lines[0]),
            "An error was experienced during the creation of a record.|File: UrlList|Error:  (0).");
  EXPECT_EQ(LoggedText(lines[1]), "There are no records available to process.");
}

TEST_F(ReportMessageTest, LoggingLeavesTheReportedRuntimeErrorInPlace) {
  Manager.LogErrors = true;
  runtime::core::RuntimeError::Set(runtime::core::RuntimeErrorCode::DuplicateKey);
  Screen->QueueAnswer(Button::Ok);
  Manager.RaiseError(15);
  EXPECT_EQ(LogLines().size(), 1u);
  EXPECT_EQ(runtime::core::RuntimeError::Code(), runtime::core::RuntimeErrorCode::DuplicateKey);
}

TEST_F(ReportMessageTest, ExistingLogIsAppendedToNeverEmptied) {
  { std::ofstream(StandardErrorLog::FileName) << "earlier line\n"; }
  Manager.LogErrors = true;
  Screen->QueueAnswer(Button::Ok);
  Manager.RaiseError(28);
  std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "earlier line");
}

TEST_F(ReportMessageTest, QuestionsAskedDirectlyAndQuietErrorsAreNeverLogged) {
  Manager.LogErrors = true;
  Screen->QueueAnswer(Button::Yes);
  Manager.AskMessage(41, Button::YesNoCancel, Button::Cancel);
  Manager.AddCatalogueEntry(900, "quiet", "q", LevelQuiet);
  Manager.RaiseError(900);
  Manager.RaiseError(12345);
  EXPECT_FALSE(fs::exists(StandardErrorLog::FileName));
}

TEST_F(ReportMessageTest, LogThatCannotBeOpenedIsReportedAndTheMessageStillShown) {
  fs::create_directory(StandardErrorLog::FileName);  // a folder in the way of the file
  Manager.LogErrors = true;
  Screen->QueueAnswer(Button::Ok);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Manager.RaiseError(28), LevelNotice);
  std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_NE(errors.find("Unable to Open error log; "), std::string::npos) << errors;
  EXPECT_NE(errors.find("Unable to update error log; "), std::string::npos) << errors;
  EXPECT_EQ(errors.find("Unable to close error log; "), std::string::npos) << errors;
  EXPECT_EQ(Manager.GetErrorLog()->OpenLog(false), LevelNotice) << "a later message tries again";
}

TEST_F(ReportMessageTest, AnotherLogSinkReceivesTheLines) {
  struct Recorder : ErrorLogInterface {
    ErrorLevel CloseLog(bool) override { Calls.push_back("close"); return LevelQuiet; }
    ErrorLevel OpenLog(bool) override { Calls.push_back("open"); return LevelQuiet; }
    ErrorLevel WriteLine(const std::string& text) override { Calls.push_back(LoggedText(text)); return LevelQuiet; }
    std::vector<std::string> Calls;
  } recorder;
  Manager.AttachLog(&recorder);
  Manager.LogErrors = true;
  Manager.Silent = true;
  Manager.RaiseError(28);
  EXPECT_EQ(recorder.Calls,
            (std::vector<std::string>{"open", "There are no records available to process.", "close"}));
  Manager.AttachLog(nullptr);
}

TEST(StandardErrorLogTest, CountsUsesAndClosesOnTheLast) {
  InTemporaryFolder folder;
  StandardErrorLog log;
  log.Init();
  EXPECT_EQ(log.WriteLine("before open"), LevelNotice);
  EXPECT_EQ(log.CloseLog(false), LevelQuiet) << "closing an unused log does nothing";

  EXPECT_EQ(log.OpenLog(false), LevelQuiet);
  EXPECT_EQ(log.OpenLog(false), LevelQuiet);
  EXPECT_EQ(log.Usage, 2);
  EXPECT_EQ(log.CloseLog(false), LevelQuiet);
  EXPECT_EQ(log.Usage, 1);
  EXPECT_EQ(log.WriteLine("still open"), LevelQuiet);
  EXPECT_EQ(log.WriteLine(std::string(1100, 'x')), LevelQuiet);
  EXPECT_EQ(log.CloseLog(false), LevelQuiet);
  EXPECT_EQ(log.Usage, 0);
  EXPECT_EQ(log.WriteLine("after close"), LevelNotice);

  EXPECT_EQ(LogLines(), (std::vector<std::string>{"still open", std::string(StandardErrorLog::LineLength, 'x')}));

  EXPECT_EQ(log.OpenLog(false), LevelQuiet);
  log.Teardown();
  EXPECT_EQ(log.Usage, 0);
  log.Teardown();
}

TEST(StandardErrorLogTest, DatedLineFormat) {
  const std::string line = StandardErrorLog::DatedLine("a|b  ");
  EXPECT_EQ(LoggedText(line), "a|b  ") << line;
}

}  // namespace
}  // namespace framework::error::errortest
