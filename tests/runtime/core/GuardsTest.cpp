// The once-per-thread guard, re-entrant critical sections and halt.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "runtime/core/Halt.h"
#include "runtime/core/OnceGuard.h"
#include "runtime/core/Process.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/core/SyncGuard.h"

using namespace runtime::core;

namespace {

TEST(OnceGuardThreadTest, RunsOncePerThreadAndReportsReentry) {
  static OnceGuard guard;
  int runs = 0;
  auto firstUse = [&] {
    if (guard.Begin() != OnceGuard::Run) return;
    ++runs;
    // The work calls back into itself before it has finished.
    EXPECT_EQ(guard.Begin(), OnceGuard::Reentered);
    EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::ThreadInitReentered);
    guard.Done();
  };
  firstUse();
  firstUse();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(guard.Value(), 1);
  EXPECT_EQ(guard.Begin(), OnceGuard::AlreadyDone);

  int otherRuns = 0;
  Process::Start(
      [&] {
        EXPECT_EQ(guard.Value(), 0);  // not done on this thread yet
        if (guard.Begin() == OnceGuard::Run) {
          ++otherRuns;
          guard.Done();
        }
      },
      0);
  Process::Wait();
  EXPECT_EQ(otherRuns, 1);
}

TEST(CriticalSectionThreadTest, IsReentrantAndExcludesOtherThreads) {
  CriticalSection section;
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 20000; ++i) {
      SyncGuard outer(section);
      SyncGuard inner(section);  // the owner may enter again
      ++counter;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 40000);
}

TEST(RuntimeErrorThreadTest, EachThreadKeepsItsOwnLastError) {
  RuntimeError::Set(RuntimeErrorCode::DuplicateKey);
  RuntimeError::SetFile("19", "UNIQUE constraint failed");
  std::thread other([] {
    EXPECT_EQ(RuntimeError::Code(), 0);
    EXPECT_EQ(RuntimeError::FileCode(), "0");
    RuntimeError::Set(RuntimeErrorCode::AccessDenied);
  });
  other.join();
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::DuplicateKey);
  EXPECT_EQ(RuntimeError::Text(), "Creates Duplicate Key");
  EXPECT_EQ(RuntimeError::FileText(), "UNIQUE constraint failed");
  RuntimeError::Clear();
  EXPECT_EQ(RuntimeError::Code(), 0);
}

TEST(HaltDeathTest, RunsHooksNewestFirstAndExitsWithTheCode) {
  EXPECT_EXIT(
      {
        AddHaltHook([](int, const std::string&) { std::fputs("first\n", stderr); });
        AddHaltHook([](int code, const std::string& text) { std::fprintf(stderr, "second %d %s\n", code, text.c_str()); });
        Halt(3, "Bye");
      },
      testing::ExitedWithCode(3), "second 3 Bye\nfirst");
}

}  // namespace
