// The program's start-up and shutdown order, for thread 1 and a browse-like second thread.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/Program.h"
#include "app/StartupTrace.h"
#include "app/ThreadVariables.h"
#include "runtime/core/Process.h"
#include "runtime/core/ThreadContext.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/TestHooks.h"

using testing::ElementsAre;

namespace {

class StartupThreadTest : public testing::Test {
 protected:
  void SetUp() override {
    testsupport::SetStartupObserver([this](std::string_view step) {
      std::lock_guard lock(Lock);
      Steps.push_back(std::to_string(runtime::core::CurrentThreadNumber()) + " " + std::string(step));
    });
  }
  void TearDown() override {
    testsupport::SetStartupObserver(nullptr);
    app::Program::SetFrame(nullptr);
  }
  // The steps noted on one program thread, or on the launching thread (number 0 here).
  std::vector<std::string> On(int thread) {
    std::vector<std::string> out;
    for (const auto& s : Steps) {
      int n = std::stoi(s.substr(0, s.find(' ')));
      if ((thread == 0 && n >= runtime::core::ForeignThreadNumberBase) || n == thread)
        out.push_back(s.substr(s.find(' ') + 1));
    }
    return out;
  }

  testsupport::TempWorkDir Dir;
  std::mutex Lock;
  std::vector<std::string> Steps;
};

TEST_F(StartupThreadTest, BuildsAndTearsDownInOrderOnEveryThread) {
  std::atomic<int> secondThread{0};
  app::Program::SetFrame([&] {
    app::StartupTrace::Note("frame running");
    // Each thread has its own request variables, cleared by its thread initialiser.
    *app::ThreadRequest = 7;
    secondThread = runtime::core::Process::Start(
        [] {
          EXPECT_EQ(*app::ThreadRequest, 0);
          app::StartupTrace::Note("browse running");
        },
        50000);
  });
  ASSERT_TRUE(runtime::core::Process::Run(app::Program::Table(), app::Program::MainProcedure));
  ASSERT_EQ(secondThread, 2);

  EXPECT_THAT(On(0), ElementsAre("files: UrlList per-thread structure", "global: application layer",
                                 "global: matcher, error manager, INI manager",
                                 "global final: INI manager, error manager"));
  EXPECT_THAT(On(1), ElementsAre("thread: error status", "thread: request variables", "main: error status",
                                 "main: procedure entry", "main: error manager", "main: matcher",
                                 "main: INI manager", "thread: UrlList managers built", "frame running",
                                 "main: frame returned", "main: INI manager killed", "main: matcher torn down",
                                 "thread: UrlList managers killed", "thread final: error status released"));
  // Other threads build their managers in the thread initialiser, before their procedure.
  EXPECT_THAT(On(2), ElementsAre("thread: error status", "thread: request variables",
                                 "thread: UrlList managers built", "browse running",
                                 "thread: UrlList managers killed", "thread final: error status released"));
  // The global finaliser runs last, after every thread ended.
  EXPECT_THAT(Steps.back(), testing::EndsWith("global final: INI manager, error manager"));
}

TEST_F(StartupThreadTest, MainProcedureSetsUpTheErrorManagerAndTheIniFile) {
  std::string category, fetched;
  app::Program::SetFrame([&] {
    category = app::AppGlobals::Errors().GetCategory(-1);
    app::AppGlobals::Ini().Update("Main", "XPos", "12");
    fetched = app::AppGlobals::Ini().Fetch("Main", "XPos");
    EXPECT_TRUE(app::AppGlobals::Matcher().NoCase);
    EXPECT_FALSE(app::AppGlobals::Matcher().WordOnly);
  });
  ASSERT_TRUE(runtime::core::Process::Run(app::Program::Table(), app::Program::MainProcedure));
  EXPECT_EQ(category, "Kel");
  EXPECT_EQ(fetched, "12");
  EXPECT_TRUE(std::filesystem::exists(Dir.Path() / "Vorkan42.INI"));
}

}  // namespace
