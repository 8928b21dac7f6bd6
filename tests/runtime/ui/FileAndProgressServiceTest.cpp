// The file chooser and progress services with the headless front end that answers
// them, and what they do with no front end.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "runtime/ui/FileChooserService.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/ProgressService.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"

namespace runtime::ui {
namespace {

using headless::HeadlessFrontEnd;
using namespace std::chrono_literals;

FileChooserRequest Request() {
  FileChooserRequest r;
  r.Caption = "Import Addresses";
  r.Filters = {{"Bookmark files", {"html", "htm"}}, {"Text files", {"txt"}}, {"All files", {}}};
  return r;
}

class FileAndProgressServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Screen = std::make_shared<HeadlessFrontEnd>();
    Screen->SetAnswerTimeout(200ms);
    FrontEnd::Install(Screen);
  }
  void TearDown() override { FrontEnd::Install(nullptr); }
  std::shared_ptr<HeadlessFrontEnd> Screen;
};

TEST_F(FileAndProgressServiceTest, TheChooserGivesTheFileAndItsKindOrNothingWhenDismissed) {
  Screen->QueueFileAnswer("list.txt");
  Screen->QueueFileAnswer("notes.unknown");
  Screen->QueueFileAnswer(std::nullopt);
  Screen->QueueFileAnswer("");
  auto chosen = FileChooserService::Choose(Request());
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->Path, "list.txt");
  EXPECT_EQ(chosen->FilterIndex, 1u);
  chosen = FileChooserService::Choose(Request());
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->FilterIndex, 0u) << "a name no kind matches goes with the first";
  EXPECT_FALSE(FileChooserService::Choose(Request())) << "dismissed";
  EXPECT_FALSE(FileChooserService::Choose(Request())) << "an empty name is no choice";
  EXPECT_EQ(Screen->FileChoosers().size(), 4u);
  EXPECT_TRUE(Screen->Failures().empty());
}

TEST_F(FileAndProgressServiceTest, AChooserNobodyAnswersIsAFailureAndChoosesNothing) {
  EXPECT_FALSE(FileChooserService::Choose(Request()));
  ASSERT_EQ(Screen->Failures().size(), 1u);
  EXPECT_EQ(Screen->Failures()[0], "no answer for file chooser 'Import Addresses'");
}

TEST_F(FileAndProgressServiceTest, CancelReachesOnlyTheWindowItWasMeantForAndStaysUntilClosed) {
  const int32_t first = ProgressService::Open("Importing", "one", 1000);
  EXPECT_EQ(ProgressService::Step(first, 500), ProgressService::Answer::GoOn);
  Screen->QueueProgressCancel();
  const int32_t second = ProgressService::Open("Importing", "two", 10);
  EXPECT_NE(first, second);
  EXPECT_EQ(ProgressService::Step(second, 0), ProgressService::Answer::Cancel);
  EXPECT_EQ(ProgressService::Step(second, 5), ProgressService::Answer::Cancel);
  EXPECT_EQ(ProgressService::Step(first, 1000), ProgressService::Answer::GoOn);
  ProgressService::Close(first);
  ProgressService::Close(second);
  ProgressService::Close(second);  // twice: nothing
  EXPECT_EQ(ProgressService::Step(second, 5), ProgressService::Answer::GoOn) << "a closed window cancels nothing";
  const auto shown = Screen->Progresses();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].Done, 1000);
  EXPECT_EQ(shown[0].Text, "one");
}

TEST_F(FileAndProgressServiceTest, ACancelFromAnotherThreadIsSeenAtTheNextStep) {
  const int32_t progress = ProgressService::Open("Importing", "file", 100);
  std::thread person([progress] { ProgressService::Cancel(progress); });
  person.join();
  EXPECT_EQ(ProgressService::Step(progress, 1), ProgressService::Answer::Cancel);
  ProgressService::Close(progress);
}

TEST(FileAndProgressWithoutFrontEnd, NothingIsChosenAndWorkIsNeverCancelled) {
  FrontEnd::Install(nullptr);
  EXPECT_FALSE(FileChooserService::Choose(Request()));
  const int32_t progress = ProgressService::Open("Importing", "file", 10);
  EXPECT_EQ(ProgressService::Step(progress, 10), ProgressService::Answer::GoOn);
  ProgressService::Close(progress);
}

}  // namespace
}  // namespace runtime::ui
