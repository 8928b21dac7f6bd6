#pragma once
// Shared set-up for the data layer tests: each test runs in a fresh temporary working
// folder; messages go to a recording error manager (questions answered from a queue,
// halts recorded instead of ending the process); a fault driver answers chosen
// errors; TestFile bundles a file structure, its record buffer and a FileManager.

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/data/FileManager.h"
#include "framework/data/FileUsageRegistry.h"
#include "framework/error/ErrorManager.h"
#include "framework/error/StockIcon.h"
#include "runtime/core/PerThread.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/files/DriverRegistry.h"
#include "runtime/files/FileMode.h"
#include "runtime/files/KeyedFile.h"
#include "runtime/files/SqliteDriver.h"
#include "tests/framework/data/TestDataFiles.h"
#include "tests/support/FaultDriver.h"

extern char** environ;

namespace datatest {

using framework::error::ErrorLevel;
using C = runtime::core::RuntimeErrorCode;

// An error manager that records every message box and never ends the process.
class RecordingErrors : public framework::error::ErrorManager {
 public:
  struct Shown {
    std::string Title;
    std::string Text;
  };

  int32_t ShowMessageBox(const std::string& text, const std::string& title, const std::string&, int32_t,
                         int32_t defaultButton, int32_t) override {
    std::lock_guard lock(Lock);
    Messages.push_back({title, text});
    if (Answers.empty()) return defaultButton;
    const int32_t answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  // A halt is recorded like any message; the test goes on.
  ErrorLevel HandleHalt() override {
    ReportMessage(SubstituteText(), ThreadValues().ErrorBuffer.Title, framework::error::StockIcon::Asterisk, 1, 1, 0);
    return framework::error::LevelHalt;
  }

  void Answer(int32_t button) {
    std::lock_guard lock(Lock);
    Answers.push_back(button);
  }
  std::vector<Shown> Boxes() {
    std::lock_guard lock(Lock);
    return Messages;
  }
  std::vector<std::string> Titles() {
    std::lock_guard lock(Lock);
    std::vector<std::string> titles;
    for (const Shown& s : Messages) titles.push_back(s.Title);
    return titles;
  }
  void Forget() {
    std::lock_guard lock(Lock);
    Messages.clear();
  }

 private:
  std::mutex Lock;
  std::vector<Shown> Messages;
  std::deque<int32_t> Answers;
};

inline runtime::core::PerThread<framework::error::ErrorStatus>& TestStatus() {
  static runtime::core::PerThread<framework::error::ErrorStatus> status;
  return status;
}

// The name of the fault-injecting driver around the SQLite driver that DataFixture
// registers (its faults: DataFixture::Faults).
inline constexpr const char* FaultDriverName = "DATAFAULT";

// A file structure with its buffer and a set-up and initialised manager.
struct TestFile {
  AbcRecord Record{};
  runtime::files::KeyedFile File;
  framework::data::FileManager Manager;

  void Bind(const runtime::files::FileDefinition& definition, framework::error::ErrorManager& errors) {
    File.Init(definition, &Record);
    BindManager(Manager, File, &Record, errors);
  }
  static void BindManager(framework::data::FileManager& manager, runtime::files::KeyedFile& file, AbcRecord* record,
                          framework::error::ErrorManager& errors) {
    manager.File = &file;
    manager.Buffer = {record, &AbcType(), sizeof(AbcRecord)};
    manager.Errors = &errors;
    manager.SetUp();
    manager.Init(&file, &errors);
  }
  // Adds a record through the manager (which must be open).
  ErrorLevel Add(const std::string& a, const std::string& b, const std::string& c, int32_t n) {
    Set(a, b, c, n);
    return Manager.Insert();
  }
  void Set(const std::string& a, const std::string& b, const std::string& c, int32_t n) {
    File.ClearBuffer();
    runtime::data::FieldRef::Of(Record.A).SetText(a);
    runtime::data::FieldRef::Of(Record.B).SetText(b);
    runtime::data::FieldRef::Of(Record.C).SetText(c);
    Record.N = n;
  }
};

class DataFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Home = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "vkdata-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    Folder = pattern;
    std::filesystem::current_path(Folder);
    Faults = testsupport::FaultDriver::Register(FaultDriverName, runtime::files::DriverRegistry::SqliteName);
    TestStatus().Reset();
    Errors.Construct();
    Errors.Init(TestStatus());
    framework::data::FileUsageRegistry::Current().Init();
  }
  void TearDown() override {
    framework::data::FileUsageRegistry::Current().Teardown();
    Errors.Shutdown();
    std::filesystem::current_path(Home);
    std::error_code ignored;
    std::filesystem::remove_all(Folder, ignored);
  }

  // Starts a helper program (beside the test program) in the working folder.
  static pid_t StartHelper(const std::string& name, std::vector<std::string> args) {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return -1;
    self[n] = '\0';
    std::string program = (std::filesystem::path(self).parent_path() / name).string();
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
  }
  static int WaitHelper(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::filesystem::path Home;
  std::filesystem::path Folder;
  RecordingErrors Errors;
  std::shared_ptr<testsupport::DriverFaults> Faults;
};

}  // namespace datatest
