// The end of the program on a halt-level error, and threads raising at once.

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/error/Buttons.h"
#include "runtime/core/Halt.h"
#include "tests/framework/error/ErrorTestFixture.h"

namespace framework::error::errortest {
namespace {

using ErrorManagerDeathTest = ErrorManagerFixture;

TEST_F(ErrorManagerDeathTest, HaltLevelErrorShowsTheMessageThenEndsWithANonZeroExitCode) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        runtime::core::AddHaltHook([this](int code, const std::string& text) {
          std::fprintf(stderr, "halt %d [%s] after [%s]\n", code, text.c_str(), Boxes().at(0).Text.c_str());
        });
        Manager.SetFileName("UrlList");
        Screen->QueueAnswer(Button::Ok);
        Manager.RaiseError(29);
        std::fprintf(stderr, "returned\n");
      },
      ::testing::ExitedWithCode(1),
      "halt 1 \\[File Access Error: File UrlList could not be opened.  Error:  \\(0\\).  "
      "Press OK to end this application\\] after \\[File UrlList could not be opened.  Error:  \\(0\\).  "
      "Press OK to end this application\\]");
}

TEST_F(ErrorManagerDeathTest, InternalAndUnknownSeveritiesHaltByDefault) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Manager.AddCatalogueEntry(900, "odd", "Odd Severity", 9);
  EXPECT_EXIT(
      {
        Screen->QueueAnswer(Button::Ok);
        Manager.HandleError(900);
      },
      ::testing::ExitedWithCode(1), "");
  EXPECT_EXIT(
      {
        Screen->QueueAnswer(Button::Ok);
        Manager.HandleError(45);
      },
      ::testing::ExitedWithCode(1), "");
}

// Records what each thread was shown, without a front end.
class RecordingManager : public TestManager {
 public:
  int32_t ShowMessageBox(const std::string& text, const std::string&, const std::string&, int32_t,
                         int32_t defaultButton, int32_t) override {
    std::lock_guard lock(ShownLock);
    Shown.push_back(text);
    return defaultButton;
  }
  std::mutex ShownLock;
  std::vector<std::string> Shown;
};

TEST(ErrorManagerThreadTest, ThreadsRaisingAtOnceNeverSeeEachOthersValues) {
  constexpr int Threads = 4;
  constexpr int RaisesPerThread = 300;
  RecordingManager manager;
  manager.Construct();
  manager.Init(TestStatus());
  manager.AddCatalogueEntry(900, "%File|%Procedure|%Message", "Mine", LevelNotice);

  std::vector<std::thread> threads;
  std::vector<int> mismatches(Threads, 0);
  for (int t = 0; t < Threads; ++t) {
    threads.emplace_back([&, t] {
      const std::string me = "T" + std::to_string(t);
      manager.TrackProcedureName("Proc" + me, framework::error::ErrorManager::Track::Enter);
      for (int i = 0; i < RaisesPerThread; ++i) {
        manager.SetFileName("File" + me + "-" + std::to_string(i));
        if (manager.RaiseErrorWithMessage(900, me) != LevelNotice) ++mismatches[t];
        const std::string want = "File" + me + "-" + std::to_string(i) + "|Proc" + me + "|" + me;
        if (manager.SubstituteText() != want) ++mismatches[t];
        if (manager.GetErrorId() != 900) ++mismatches[t];
      }
      manager.TrackProcedureName("", framework::error::ErrorManager::Track::Leave);
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < Threads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
  EXPECT_EQ(manager.Shown.size(), static_cast<size_t>(Threads * RaisesPerThread));
  EXPECT_EQ(manager.CurrentProcedureName(), "");
  manager.Shutdown();
}

TEST(ErrorManagerThreadTest, HistoryAndCatalogueChangesFromManyThreads) {
  constexpr int Threads = 4;
  constexpr int Rounds = 200;
  RecordingManager manager;
  manager.Construct();
  manager.Init(TestStatus());
  manager.SetHistoryThreshold(50);
  manager.Silent = true;
  std::vector<std::thread> threads;
  for (int t = 0; t < Threads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < Rounds; ++i) {
        manager.AddCatalogueEntry(1000 + t, "x", "t", LevelNotice);
        manager.RaiseError(1000 + t);
        manager.RemoveCatalogueEntry(1000 + t);
        manager.SetCategory(33, "C" + std::to_string(t));
        (void)manager.GetCategory(33);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(manager.HistoryEntries().size(), 50u);
  manager.SetCurrentError(1000);
  EXPECT_EQ(manager.GetErrorId(), 0) << "every added entry was removed again";
  manager.Shutdown();
}

}  // namespace
}  // namespace framework::error::errortest
