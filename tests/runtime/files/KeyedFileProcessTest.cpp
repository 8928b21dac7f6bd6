// Other processes on the same file, local or on the server: concurrent adds, a change
// seen by a watch, and a station killed at random moments that must never lose an
// acknowledged change.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#include "runtime/core/NativePath.h"
#include "runtime/files/DatabaseChoice.h"
#include "runtime/files/SqliteDriver.h"
#include "tests/runtime/files/KeyedFileFixture.h"

extern char** environ;

using namespace testfiles;

namespace {

std::string HelperPath() {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "KeyedFileStation";
  self[n] = '\0';
  return runtime::core::NativePath::Folder(self) + "/KeyedFileStation";
}

// A running station; its standard output is readable through Out.
struct Station {
  pid_t Pid = -1;
  int Out = -1;
};

Station Start(const std::vector<std::string>& args) {
  std::vector<std::string> all{HelperPath()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  Station s;
  if (posix_spawn(&s.Pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) s.Pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  s.Out = pipeFds[0];
  return s;
}

int Finish(Station& s) {
  int status = 0;
  ::waitpid(s.Pid, &status, 0);
  ::close(s.Out);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The stations find the server, when the test uses one, as the program does.
class KeyedFileProcessTest : public DriverFixture {
 protected:
  void SetUp() override {
    DriverFixture::SetUp();
    if (OnServer() && Server) ::setenv(runtime::files::DatabaseChoice::EnvironmentVariable, Server->Connection().c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv(runtime::files::DatabaseChoice::EnvironmentVariable);
    DriverFixture::TearDown();
  }
};
INSTANTIATE_TEST_SUITE_P(Drivers, KeyedFileProcessTest, ::testing::Values(LocalDriver, ServerDriver), DriverLabel);

TEST_P(KeyedFileProcessTest, StationsAddToOneFileAtOnce) {
  { Handle(); }
  Station one = Start({Base(), "add", "0", "100"});
  Station two = Start({Base(), "add", "100", "100"});
  ASSERT_GT(one.Pid, 0);
  ASSERT_GT(two.Pid, 0);
  auto f = Handle(ReadWriteShared, false);
  for (int n = 200; n < 300; ++n) ASSERT_EQ(AddRecord(*f, StationUrl(n), 0), C::NoError);
  EXPECT_EQ(Finish(one), 0);
  EXPECT_EQ(Finish(two), 0);
  EXPECT_EQ(f->Records(), 300);
}

TEST_P(KeyedFileProcessTest, WatchSeesAChangeMadeByAnotherProcess) {
  auto f = Handle();
  ASSERT_EQ(AddRecord(*f, StationUrl(7), 1), C::NoError);
  Fill(Rec(*f), StationUrl(7), 0);
  ASSERT_EQ(f->Watch(), C::NoError);
  ASSERT_EQ(f->GetByKey(KeyUrl), C::NoError);
  Station other = Start({Base(), "bump", "7"});
  ASSERT_EQ(Finish(other), 0);
  Rec(*f).Count = 2;
  EXPECT_EQ(f->Put(), C::RecordChanged);
  ASSERT_EQ(f->GetByKey(KeyUrl), C::NoError);
  EXPECT_EQ(Rec(*f).Count, 101);
}

TEST_P(KeyedFileProcessTest, FourStationsChangingTheSameRecordsLoseNoUpdate) {
  constexpr int Stations = 4;
  constexpr int Records = 3;
  constexpr int Rounds = 25;
  {
    auto f = Handle();
    for (int n = 0; n < Records; ++n) ASSERT_EQ(AddRecord(*f, StationUrl(n), 0), C::NoError);
  }
  std::vector<Station> stations;
  for (int i = 0; i < Stations; ++i) {
    stations.push_back(Start({Base(), "increment", std::to_string(Records), std::to_string(Rounds)}));
    ASSERT_GT(stations.back().Pid, 0);
  }
  for (Station& s : stations) EXPECT_EQ(Finish(s), 0);
  auto f = Handle(ReadWriteShared, false);
  std::string expected;
  for (int n = 0; n < Records; ++n) expected += (n > 0 ? " " : "") + StationUrl(n) + ":" + std::to_string(Stations * Rounds);
  EXPECT_EQ(Dump(*f, KeyUrl), expected);
}

// Reads acknowledgement lines for `duration`, then kills the station outright.
void RunAndKill(Station& s, std::chrono::milliseconds duration, std::set<long>& added, std::set<long>& put) {
  std::string pending;
  // The station says "R 0" once its file is open; the time to its kill runs from
  // there, so a slow start (a sanitizer build, a server connection) kills nothing early.
  constexpr auto StartPatience = std::chrono::seconds(60);
  const auto started = std::chrono::steady_clock::now() + StartPatience;
  while (pending.find('\n') == std::string::npos && std::chrono::steady_clock::now() < started) {
    pollfd p{s.Out, POLLIN, 0};
    char c = 0;
    if (::poll(&p, 1, 100) > 0 && ::read(s.Out, &c, 1) == 1) pending += c;
  }
  pending.clear();
  const auto until = std::chrono::steady_clock::now() + duration;
  auto take = [&](bool drain) {
    char chunk[4096];
    for (;;) {
      pollfd p{s.Out, POLLIN, 0};
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
      const int wait = drain ? 0 : static_cast<int>(std::max<long>(0, left.count()));
      if (::poll(&p, 1, wait) <= 0) return;
      const ssize_t n = ::read(s.Out, chunk, sizeof chunk);
      if (n <= 0) return;
      pending.append(chunk, static_cast<size_t>(n));
      if (!drain && std::chrono::steady_clock::now() >= until) return;
    }
  };
  take(false);
  ::kill(s.Pid, SIGKILL);
  ::waitpid(s.Pid, nullptr, 0);
  take(true);  // lines written before the kill are still in the pipe
  ::close(s.Out);
  std::istringstream lines(pending);
  char what = 0;
  long n = 0;
  while (lines >> what >> n) (what == 'A' ? added : put).insert(n);
}

TEST_P(KeyedFileProcessTest, KilledStationNeverLosesAnAcknowledgedChange) {
  { Handle(); }
  constexpr int Kills = 12;
  constexpr long RangePerRun = 1000000;
  std::mt19937 random(42);
  std::uniform_int_distribution<int> delay(5, 150);
  std::set<long> added, put;
  for (int run = 0; run < Kills; ++run) {
    Station s = Start({Base(), "append", std::to_string(run * RangePerRun)});
    ASSERT_GT(s.Pid, 0);
    RunAndKill(s, std::chrono::milliseconds(delay(random)), added, put);
  }
  ASSERT_FALSE(added.empty());
  ASSERT_FALSE(put.empty());
  std::printf("acknowledged: %zu adds, %zu puts over %d kills\n", added.size(), put.size(), Kills);

  auto f = Handle(ReadWriteShared, false);
  for (long n : added) {
    Fill(Rec(*f), StationUrl(n), 0);
    ASSERT_EQ(f->GetByKey(KeyUrl), C::NoError) << "acknowledged add of " << n << " is lost";
    if (put.count(n) != 0) {
      EXPECT_EQ(Rec(*f).Count, 1) << "acknowledged put of " << n << " is lost";
    }
  }
  f->Close();
  if (OnServer()) return;

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(Path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  runtime::files::SqliteDriver::RegisterCollations(db);
  sqlite3_stmt* check = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
  sqlite3_finalize(check);
  sqlite3_close(db);
}

}  // namespace
