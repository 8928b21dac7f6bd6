// The message box service and the headless front end that answers it.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "runtime/ui/MessageBoxRequest.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/MessageBoxService.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"

namespace runtime::ui {
namespace {

using headless::HeadlessFrontEnd;
using namespace std::chrono_literals;

MessageBoxRequest Box(std::string caption, int32_t buttons = MessageBoxRequest::ButtonYes | MessageBoxRequest::ButtonNo,
                      int32_t defaultButton = MessageBoxRequest::ButtonYes) {
  MessageBoxRequest request;
  request.Text = "Line one|Line two";
  request.Caption = std::move(caption);
  request.Buttons = buttons;
  request.DefaultButton = defaultButton;
  return request;
}

class MessageBoxServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Screen = std::make_shared<HeadlessFrontEnd>();
    FrontEnd::Install(Screen);
  }
  void TearDown() override { FrontEnd::Install(nullptr); }
  std::shared_ptr<HeadlessFrontEnd> Screen;
};

// Callers and answerers on several threads (run under the thread sanitizer).
using ConcurrentMessageBoxTest = MessageBoxServiceTest;

TEST(MessageBoxRequestTest, LinesSplitAtEveryBar) {
  MessageBoxRequest request;
  request.Text = "a|b||c|";
  EXPECT_EQ(request.Lines(), (std::vector<std::string>{"a", "b", "", "c", ""}));
  request.Text = "";
  EXPECT_EQ(request.Lines(), (std::vector<std::string>{""}));
}

TEST(MessageBoxServiceNoFrontEndTest, AnswersTheDefaultButton) {
  FrontEnd::Install(nullptr);
  EXPECT_EQ(MessageBoxService::ShowMessage(Box("Q", 6, MessageBoxRequest::ButtonNo)), MessageBoxRequest::ButtonNo);
}

TEST_F(MessageBoxServiceTest, QueuedAnswerIsReturnedAndTheBoxRecorded) {
  Screen->QueueAnswer(MessageBoxRequest::ButtonNo);
  EXPECT_EQ(MessageBoxService::ShowMessage(Box("Question")), MessageBoxRequest::ButtonNo);
  auto shown = Screen->MessageBoxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Caption, "Question");
  EXPECT_EQ(shown[0].Lines(), (std::vector<std::string>{"Line one", "Line two"}));
  EXPECT_TRUE(Screen->Failures().empty());
}

TEST_F(MessageBoxServiceTest, UnansweredBoxTimesOutWithTheDefaultAndAFailure) {
  Screen->SetAnswerTimeout(50ms);
  EXPECT_EQ(MessageBoxService::ShowMessage(Box("Nobody Home", 6, MessageBoxRequest::ButtonNo)),
            MessageBoxRequest::ButtonNo);
  EXPECT_EQ(Screen->Failures(), (std::vector<std::string>{"no answer for message box 'Nobody Home'"}));
  EXPECT_EQ(Screen->WaitForMessageBox(10ms), std::nullopt) << "the box is no longer waiting";
}

TEST_F(MessageBoxServiceTest, ClearForgetsEverything) {
  Screen->QueueAnswer(MessageBoxRequest::ButtonOk);
  Screen->QueueAnswer(MessageBoxRequest::ButtonOk);
  MessageBoxService::ShowMessage(Box("x"));
  Screen->Clear();
  EXPECT_TRUE(Screen->MessageBoxes().empty());
  EXPECT_EQ(Screen->PendingAnswers(), 0u);
}

TEST_F(ConcurrentMessageBoxTest, AnswerFromAnotherThreadWhileTheCallerWaits) {
  int32_t answer = 0;
  std::thread caller([&] { answer = MessageBoxService::ShowMessage(Box("Waiting")); });
  auto waiting = Screen->WaitForMessageBox(2s);
  ASSERT_TRUE(waiting.has_value());
  EXPECT_EQ(waiting->Caption, "Waiting");
  Screen->QueueAnswer(MessageBoxRequest::ButtonNo);
  caller.join();
  EXPECT_EQ(answer, MessageBoxRequest::ButtonNo);
  EXPECT_TRUE(Screen->Failures().empty());
}

TEST_F(ConcurrentMessageBoxTest, CallersGetAnswersInTheOrderTheyAsked) {
  int32_t first = 0;
  int32_t second = 0;
  std::thread one([&] { first = MessageBoxService::ShowMessage(Box("First")); });
  ASSERT_TRUE(Screen->WaitForMessageBox(2s).has_value());
  std::thread two([&] { second = MessageBoxService::ShowMessage(Box("Second")); });
  // Wait until both are up before answering.
  for (int i = 0; i < 200 && Screen->MessageBoxes().size() < 2; ++i) std::this_thread::sleep_for(5ms);
  ASSERT_EQ(Screen->MessageBoxes().size(), 2u);
  Screen->QueueAnswer(MessageBoxRequest::ButtonYes);
  Screen->QueueAnswer(MessageBoxRequest::ButtonNo);
  one.join();
  two.join();
  EXPECT_EQ(first, MessageBoxRequest::ButtonYes);
  EXPECT_EQ(second, MessageBoxRequest::ButtonNo);
}

TEST_F(ConcurrentMessageBoxTest, ReinstallLetsAnOpenBoxFinish) {
  int32_t answer = 0;
  std::thread caller([&] { answer = MessageBoxService::ShowMessage(Box("Open")); });
  ASSERT_TRUE(Screen->WaitForMessageBox(2s).has_value());
  FrontEnd::Install(nullptr);
  Screen->QueueAnswer(MessageBoxRequest::ButtonNo);
  caller.join();
  EXPECT_EQ(answer, MessageBoxRequest::ButtonNo);
}

}  // namespace
}  // namespace runtime::ui
