// Start-up order, thread numbers and per-thread instances of the runtime's process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/core/PerThread.h"
#include "runtime/core/Process.h"
#include "runtime/core/ThreadContext.h"

using runtime::core::CurrentThreadNumber;
using runtime::core::PerThread;
using runtime::core::Process;
using runtime::core::StartupTable;
using runtime::core::StartupUnit;
using testing::ElementsAre;

namespace {

// Records start-up events from every thread, in the order they happen.
struct Journal {
  std::mutex Lock;
  std::vector<std::string> Lines;
  void Add(const std::string& line) {
    std::lock_guard guard(Lock);
    Lines.push_back(line);
  }
};

StartupUnit RecordingUnit(Journal& j, const std::string& name) {
  StartupUnit u;
  u.Name = name;
  u.FileSetup = [&j, name] { j.Add(name + " files"); };
  u.GlobalInit = [&j, name] { j.Add(name + " global init"); };
  u.GlobalFinal = [&j, name] { j.Add(name + " global final"); };
  u.ThreadInit = [&j, name] { j.Add(name + " thread init " + std::to_string(CurrentThreadNumber())); };
  u.ThreadFinal = [&j, name] { j.Add(name + " thread final " + std::to_string(CurrentThreadNumber())); };
  return u;
}

TEST(ProcessThreadTest, RunsInitialisersAndFinalisersInOrderForEveryThread) {
  Journal j;
  StartupTable table{RecordingUnit(j, "app"), RecordingUnit(j, "files")};
  ASSERT_TRUE(Process::Run(table, [&j] {
    j.Add("main " + std::to_string(CurrentThreadNumber()));
    std::atomic<bool> done{false};
    int32_t n = Process::Start(
        [&j, &done] {
          j.Add("second " + std::to_string(CurrentThreadNumber()));
          done = true;
        },
        50000);
    j.Add("started " + std::to_string(n));
    while (!done) std::this_thread::yield();
  }));
  // The second thread's lines interleave with thread 1's end; check each thread's own order.
  std::vector<std::string> t1, t2, process;
  for (const auto& l : j.Lines) {
    if (l.ends_with(" 1") || l.starts_with("main") || l.starts_with("started")) t1.push_back(l);
    else if (l.ends_with(" 2")) t2.push_back(l);
    else process.push_back(l);
  }
  EXPECT_THAT(process, ElementsAre("app files", "files files", "app global init", "files global init",
                                   "files global final", "app global final"));
  EXPECT_THAT(t1, ElementsAre("app thread init 1", "files thread init 1", "main 1", "started 2",
                              "files thread final 1", "app thread final 1"));
  EXPECT_THAT(t2, ElementsAre("app thread init 2", "files thread init 2", "second 2", "files thread final 2",
                              "app thread final 2"));
  // Global finalisers come after every thread has finished.
  EXPECT_EQ(j.Lines.back(), "app global final");
}

TEST(ProcessThreadTest, SecondLaunchWhileRunningIsRefused) {
  std::atomic<bool> release{false};
  ASSERT_TRUE(Process::Launch({}, [&release] {
    while (!release) std::this_thread::yield();
  }));
  EXPECT_TRUE(Process::Running());
  EXPECT_FALSE(Process::Launch({}, [] {}));
  release = true;
  Process::Wait();
  EXPECT_FALSE(Process::Running());
  EXPECT_EQ(Process::ActiveThreads(), 0);
}

struct Counted {
  static inline std::atomic<int> Alive{0};
  int Value = 0;
  Counted() { ++Alive; }
  ~Counted() { --Alive; }
};

TEST(PerThreadTest, EachThreadHasItsOwnInstanceDestroyedWithTheThread) {
  static PerThread<Counted> var;
  var->Value = 7;
  std::atomic<int> seenInOther{-1};
  Process::Start(
      [&seenInOther] {
        seenInOther = var->Value;  // a fresh instance
        var->Value = 9;
      },
      0);
  Process::Wait();
  EXPECT_EQ(seenInOther, 0);
  EXPECT_EQ(var->Value, 7);
  EXPECT_EQ(Counted::Alive, 1);  // the other thread's instance died with it
  var.Reset();
  EXPECT_EQ(Counted::Alive, 0);
  EXPECT_FALSE(var.Exists());
}

TEST(PerThreadTest, ForeignThreadsNeverGetProgramNumbers) {
  EXPECT_GE(CurrentThreadNumber(), runtime::core::ForeignThreadNumberBase);
  int32_t inStarted = 0;
  int32_t n = Process::Start([&inStarted] { inStarted = CurrentThreadNumber(); }, 0);
  Process::Wait();
  EXPECT_EQ(inStarted, n);
  EXPECT_GE(n, 2);
  EXPECT_LT(n, runtime::core::ForeignThreadNumberBase);
}

}  // namespace

namespace {

TEST(PerThreadTest, AStaticDestructorMayStillUseAPerThreadVariableAtExit) {
  // Helper programs are built beside the test programs.
  std::string program = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "LatePerThreadUse";
  FILE* out = popen(program.c_str(), "r");
  ASSERT_NE(out, nullptr);
  char buffer[64] = {};
  size_t n = fread(buffer, 1, sizeof buffer - 1, out);
  int status = pclose(out);
  EXPECT_EQ(std::string(buffer, n), "late");
  EXPECT_EQ(status, 0);
}

}  // namespace
