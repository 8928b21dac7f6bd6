#pragma once
// Shared set-up for the error manager tests: a manager initialised with its own
// per-thread details, and the headless front end installed to answer message boxes.
// A test that leaves a box unanswered fails in TearDown.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/error/ErrorManager.h"
#include "runtime/core/PerThread.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"

namespace framework::error::errortest {

inline runtime::core::PerThread<ErrorStatus>& TestStatus() {
  static runtime::core::PerThread<ErrorStatus> status;
  return status;
}

// A manager whose history window records how it was asked to open instead of opening.
class TestManager : public ErrorManager {
 public:
  using ErrorManager::Errors;

  struct HistoryWindowCall {
    std::string Caption;
    int32_t Icon;
    int32_t Buttons;
    int32_t DefaultButton;
  };

  int32_t ShowHistoryWindow(const std::string& caption, int32_t icon, int32_t buttons,
                            int32_t defaultButton) override {
    std::lock_guard lock(CallsLock);
    HistoryWindowCalls.push_back({caption, icon, buttons, defaultButton});
    return HistoryWindowAnswer ? HistoryWindowAnswer : defaultButton;
  }

  std::mutex CallsLock;
  std::vector<HistoryWindowCall> HistoryWindowCalls;
  int32_t HistoryWindowAnswer = 0;
};

class ErrorManagerFixture : public ::testing::Test {
 protected:
  static constexpr std::chrono::milliseconds AnswerTimeout{2000};

  void SetUp() override {
    TestStatus().Reset();
    runtime::core::RuntimeError::Clear();
    Screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
    Screen->SetAnswerTimeout(AnswerTimeout);
    runtime::ui::FrontEnd::Install(Screen);
    Manager.Construct();
    Manager.Init(TestStatus());
  }

  void TearDown() override {
    Manager.Shutdown();
    runtime::ui::FrontEnd::Install(nullptr);
    EXPECT_TRUE(Screen->Failures().empty()) << Screen->Failures().front();
    EXPECT_EQ(Screen->PendingAnswers(), 0u) << "answers queued but never asked for";
  }

  std::vector<runtime::ui::MessageBoxRequest> Boxes() const { return Screen->MessageBoxes(); }

  std::shared_ptr<runtime::ui::headless::HeadlessFrontEnd> Screen;
  TestManager Manager;
};

}  // namespace framework::error::errortest
