// The opener: what reaches xdg-open (a recording stand-in first on PATH), refusals,
// a missing opener, and children reaped.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/shell/ChildReaper.h"
#include "runtime/shell/Opener.h"

namespace runtime::shell {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using runtime::core::RuntimeError;

// Children of this process that have ended and were never waited for.
int ZombieChildren() {
  int zombies = 0;
  const std::string parent = "PPid:\t" + std::to_string(::getpid());
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream status(entry.path() / "status");
    std::string line;
    bool zombie = false, mine = false;
    while (std::getline(status, line)) {
      if (line.rfind("State:", 0) == 0) zombie = line.find('Z') != std::string::npos;
      if (line == parent) mine = true;
    }
    if (zombie && mine) ++zombies;
  }
  return zombies;
}

// Puts a stand-in xdg-open first on PATH that appends each argument on a line of its
// own to a log, then "#" to end the call.
class OpenerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("vk-opener-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(Dir);
    Log = Dir / "calls.log";
    const fs::path script = Dir / "xdg-open";
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" << Log.string()
                          << "'; done\necho '#' >> '" << Log.string() << "'\n";
    fs::permissions(script, fs::perms::owner_all);
    const char* path = std::getenv("PATH");
    OldPath = path ? path : "";
    ::setenv("PATH", (Dir.string() + ":" + OldPath).c_str(), 1);
  }
  void TearDown() override {
    ::setenv("PATH", OldPath.c_str(), 1);
    fs::remove_all(Dir);
  }

  // The log once `calls` calls have ended ("" after a timeout).
  std::string WaitForCalls(int calls) {
    for (int i = 0; i < 500; ++i) {
      std::ifstream in(Log);
      std::stringstream s;
      s << in.rdbuf();
      const std::string text = s.str();
      int ended = 0;
      for (size_t at = text.find("#\n"); at != std::string::npos; at = text.find("#\n", at + 1)) ++ended;
      if (ended >= calls) return text;
      std::this_thread::sleep_for(10ms);
    }
    return {};
  }

  fs::path Dir;
  fs::path Log;
  std::string OldPath;
};

TEST_F(OpenerTest, EachAddressReachesTheOpenerAsOneArgumentUnchanged) {
  const struct {
    std::string Address;
    std::string Seen;
  } cases[] = {
      {"https://example.org/a?b=1&c=2", "https://example.org/a?b=1&c=2"},
      {"http://x/$(touch pwned);`id`|cat >y", "http://x/$(touch pwned);`id`|cat >y"},
      {"file with spaces.html", "file with spaces.html"},
      {"-h", "./-h"},
      {"--version", "./--version"},
      {"https://example.org/padded      ", "https://example.org/padded"},
  };
  std::string expected;
  int calls = 0;
  for (const auto& c : cases) {
    ASSERT_TRUE(Opener::OpenAddress(c.Address)) << c.Address;
    expected += c.Seen + "\n#\n";
    // One at a time, so that the log keeps the order.
    ASSERT_EQ(WaitForCalls(++calls), expected) << c.Address;
  }
  EXPECT_FALSE(fs::exists(fs::current_path() / "pwned"));
}

TEST_F(OpenerTest, EmptyOrNulAddressesAreRefusedWithoutStartingTheOpener) {
  for (const std::string& address : {std::string(), std::string("   "), std::string("a\0b", 3)}) {
    RuntimeError::Clear();
    EXPECT_FALSE(Opener::OpenAddress(address));
    EXPECT_NE(RuntimeError::Code(), 0);
  }
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(fs::exists(Log));
}

TEST_F(OpenerTest, MissingOpenerIsReportedNotFatal) {
  ::setenv("PATH", (Dir / "nothing-here").c_str(), 1);
  RuntimeError::Clear();
  EXPECT_FALSE(Opener::OpenAddress("https://example.org"));
  EXPECT_EQ(RuntimeError::Code(), runtime::core::RuntimeErrorCode::NotFound);
  EXPECT_NE(RuntimeError::Text().find("xdg-open"), std::string::npos);
}

TEST_F(OpenerTest, FinishedOpenersLeaveNoZombies) {
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(Opener::OpenAddress("https://example.org/" + std::to_string(i)));
  ASSERT_FALSE(WaitForCalls(5).empty());
  // Every child has been waited for by the opener itself: none lingers as a zombie.
  bool allReaped = false;
  for (int i = 0; i < 300 && !allReaped; ++i) {
    allReaped = ZombieChildren() == 0;
    if (!allReaped) std::this_thread::sleep_for(10ms);
  }
  EXPECT_TRUE(allReaped);
}

size_t Threads() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/task")) ++n;
  return n;
}

TEST_F(OpenerTest, ManyOpensShareOneReaperThread) {
  constexpr int Opens = 40;
  ASSERT_TRUE(Opener::OpenAddress("https://example.org/first"));  // the reaper now runs
  const size_t before = Threads();
  for (int i = 0; i < Opens; ++i) ASSERT_TRUE(Opener::OpenAddress("https://example.org/" + std::to_string(i)));
  EXPECT_EQ(Threads(), before);
  ASSERT_FALSE(WaitForCalls(Opens + 1).empty());
  bool allReaped = false;
  for (int i = 0; i < 300 && !allReaped; ++i) {
    allReaped = ZombieChildren() == 0 && ChildReaper::Instance().Waiting() == 0;
    if (!allReaped) std::this_thread::sleep_for(10ms);
  }
  EXPECT_TRUE(allReaped);
}

}  // namespace
}  // namespace runtime::shell
