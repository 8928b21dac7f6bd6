// Two stations with forms on the same record, on the local file and on the server: the
// program here has the form open on a record while another copy of the program (a
// second process, run by a script) changes it through its own form; saving here then
// says "Record Was Not Updated", the same on both, and the other station's change is
// what stays stored.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Program.h"
#include "app/ThreadVariables.h"
#include "app/UpdateUrlList.h"
#include "app/UrlListFile.h"
#include "app/UrlListManagers.h"
#include "framework/data/RelationManager.h"
#include "framework/error/Buttons.h"
#include "framework/window/WindowController.h"
#include "runtime/core/NativePath.h"
#include "runtime/core/Process.h"
#include "runtime/files/DatabaseChoice.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/headless/HeadlessDriver.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"
#include "tests/runtime/files/ServerSchema.h"
#include "tests/support/ProgramThread.h"
#include "tests/support/TempWorkDir.h"

extern char** environ;

namespace app {
namespace {

using namespace std::chrono_literals;
using framework::data::Walk;
using framework::error::Button;
using framework::error::LevelQuiet;
using runtime::files::DatabaseChoice;
using runtime::ui::WindowModel;
using testsupport::ProgramThread;
using W = framework::window::WindowController;

constexpr auto Patience = 20s;

// The other station: vorkan42-script, beside the test programs' folder, in the same
// working folder and with the same environment (so the same file or server).
int RunOtherStation(const std::string& script) {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return -1;
  self[n] = '\0';
  std::string program = runtime::core::NativePath::Folder(runtime::core::NativePath::Folder(self)) + "/vorkan42-script";
  std::string path = script;
  char* argv[] = {program.data(), path.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ServerStationsTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) {
      if (!testfiles::ServerSchema::Available()) GTEST_SKIP() << "no test server";
      Server = std::make_unique<testfiles::ServerSchema>();
      ::setenv(DatabaseChoice::EnvironmentVariable, Server->Connection().c_str(), 1);
    } else {
      ::unsetenv(DatabaseChoice::EnvironmentVariable);
    }
    Screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
    Screen->SetAnswerTimeout(10s);
    runtime::ui::FrontEnd::Install(Screen);
    Driver = std::make_unique<runtime::ui::headless::HeadlessDriver>(*Screen, Patience);
    Program::SetFrame([this] { Thread1.Loop(); });
    ASSERT_TRUE(runtime::core::Process::Launch(Program::Table(), Program::MainProcedure));
    Launched = true;
  }
  void TearDown() override {
    if (Launched) {
      Thread1.Finish();
      runtime::core::Process::Wait();
      Program::SetFrame(nullptr);
      WindowModel::CloseAll();
      runtime::ui::FrontEnd::Install(nullptr);
    }
    ::unsetenv(DatabaseChoice::EnvironmentVariable);
    Server.reset();
  }
  void Run(std::function<void()> work) { Thread1.Post(std::move(work)).get(); }
  static framework::data::RelationManager& Relate() { return *UrlListManagers::Relate(); }
  int32_t Stored(const std::string& url) {
    int32_t times = -1;
    Run([&] {
      EXPECT_EQ(Relate().Open(Walk::Top), framework::error::LevelQuiet);
      UrlListFile::Instance().ClearBuffer();
      UrlListManagers::FileManager()->AssignUrl(url);
      if (UrlListManagers::FileManager()->Fetch(UrlListFile::KeyUrl) == LevelQuiet) {
        times = UrlListFile::Record().NumberOfTimesToOpen;
      }
      Relate().Close(Walk::Top);
    });
    return times;
  }

  testsupport::TempWorkDir Dir;
  std::unique_ptr<testfiles::ServerSchema> Server;
  std::shared_ptr<runtime::ui::headless::HeadlessFrontEnd> Screen;
  std::unique_ptr<runtime::ui::headless::HeadlessDriver> Driver;
  ProgramThread Thread1;
  bool Launched = false;
};

INSTANTIATE_TEST_SUITE_P(Stores, ServerStationsTest, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Server" : "Local"; });

TEST_P(ServerStationsTest, TwoFormsOnOneRecordTheSecondSaveIsRefused) {
  const std::string url = "https://shared.example/list";
  Run([&] {
    EXPECT_EQ(Relate().Open(Walk::Top), framework::error::LevelQuiet);
    UrlListFile::Instance().ClearBuffer();
    UrlListManagers::FileManager()->AssignUrl(url);
    UrlListFile::Record().NumberOfTimesToOpen = 1;
    EXPECT_EQ(Relate().Insert(), LevelQuiet);
    Relate().Close(Walk::Top);
  });

  // Here: the form on the record, read under watch as the browse's Change reads it.
  uint8_t response = 0;
  auto form = Thread1.Post([&] {
    EXPECT_EQ(Relate().Open(Walk::Top), framework::error::LevelQuiet);
    UrlListFile::Instance().ClearBuffer();
    UrlListManagers::FileManager()->AssignUrl(url);
    EXPECT_EQ(UrlListFile::Instance().Watch(), 0);
    EXPECT_EQ(UrlListManagers::FileManager()->Fetch(UrlListFile::KeyUrl), LevelQuiet);
    *ThreadRequest = W::RequestChange;
    UpdateUrlList::Procedure();
    response = *ThreadResponse;
    Relate().Close(Walk::Top);
  });
  const int32_t w = Driver->FindWindow(UpdateUrlList::ChangeCaption);
  ASSERT_NE(w, 0) << Driver->LastFailure();

  // There: the other station changes the same record through its own form.
  const std::string script = (Dir.Path() / "other.vks").string();
  std::ofstream(script) << "wait-window \"Application\"\n"
                           "menu \"Browse the UrlList file\"\n"
                           "wait-window \"Browse the UrlList file\"\n"
                           "wait-idle\n"
                           "select \"?BROWSE:1\" 1\n"
                           "press \"Change\"\n"
                           "wait-window \"" << UpdateUrlList::ChangeCaption << "\"\n"
                           "type \"?URL:NUMBEROFTIMESTOOPEN\" \"9\"\n"
                           "press \"OK\"\n"
                           "wait-closed \"" << UpdateUrlList::ChangeCaption << "\"\n";
  ASSERT_EQ(RunOtherStation(script), 0);

  // Here: saving now is refused, and the other station's version is what the form shows.
  EXPECT_TRUE(Driver->Type(w, "?URL:NUMBEROFTIMESTOOPEN", "5"));
  Driver->AnswerMessageBox(Button::Ok);
  EXPECT_TRUE(Driver->Press(w, "&OK"));
  EXPECT_TRUE(Driver->WaitIdle());
  ASSERT_FALSE(Screen->MessageBoxes().empty());
  EXPECT_EQ(Screen->MessageBoxes()[0].Caption, "Record Was Not Updated");
  EXPECT_EQ(Screen->MessageBoxes()[0].Text,
            "This record was changed by another station. Those changes will now be displayed. Use the Ditto Button "
            "or Ctrl+H to recall your changes.");
  EXPECT_EQ(Screen->MessageBoxes().size(), 1u);
  Driver->AnswerMessageBox(Button::Yes);
  EXPECT_TRUE(Driver->Press(w, "&Cancel"));
  if (form.wait_for(Patience) != std::future_status::ready) {
    ADD_FAILURE() << "the form did not close";
    for (int32_t window : WindowModel::Windows()) WindowModel::Close(window);
  }
  form.get();
  EXPECT_EQ(Stored(url), 9) << "the other station's change stays";
}

}  // namespace
}  // namespace app
