#include "tests/support/BrowseThreadFixture.h"

#include <chrono>
#include <utility>

#include "framework/data/FileUsageRegistry.h"
#include "framework/data/RelationManager.h"
#include "framework/error/ErrorStatus.h"
#include "runtime/core/PerThread.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/WindowModel.h"

namespace testsupport {
namespace {

using namespace std::chrono_literals;
using runtime::ui::WindowModel;

runtime::core::PerThread<framework::error::ErrorStatus>& Status() {
  static runtime::core::PerThread<framework::error::ErrorStatus> status;
  return status;
}

}  // namespace

void BrowseThreadFixture::SetUp() {
  Screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
  runtime::ui::FrontEnd::Install(Screen);
  Driver = std::make_unique<runtime::ui::headless::HeadlessDriver>(*Screen, 5s);
  Status().Reset();
  Errors.Construct();
  Errors.Init(Status());
  framework::data::FileUsageRegistry::Current().Init();
}

void BrowseThreadFixture::TearDown() {
  if (Window != 0 && WindowModel::Exists(Window)) WindowModel::Post(Window, runtime::ui::Event::CloseWindow);
  Browse.reset();
  WindowModel::CloseAll();
  framework::data::FileUsageRegistry::Current().Teardown();
  Errors.Shutdown();
  runtime::ui::FrontEnd::Install(nullptr);
}

void BrowseThreadFixture::Seed(const std::vector<std::string>& names) {
  NameFile file(Errors);
  ASSERT_EQ(file.Open(), framework::error::LevelQuiet);
  for (size_t i = 0; i < names.size(); ++i) ASSERT_EQ(file.Add(names[i], static_cast<int32_t>(i)), 0);
  file.Relations.Close(framework::data::Walk::Top);
}

void BrowseThreadFixture::Start(BrowseTestWindow::Options options) {
  Browse = std::make_unique<BrowseTestThread>(std::move(options), Errors);
  Window = Driver->FindWindow(BrowseTestWindow::Title);
  ASSERT_NE(Window, 0);
  List = WindowModel::ControlNumber(Window, "?List");
  Idle();
}

void BrowseThreadFixture::Idle() { ASSERT_TRUE(Driver->WaitIdle().Ok) << Driver->LastFailure(); }

void BrowseThreadFixture::Key(int32_t key) {
  ASSERT_TRUE(Driver->PressKey(Window, key).Ok) << Driver->LastFailure();
  Idle();
}

void BrowseThreadFixture::Select(int32_t row) {
  ASSERT_TRUE(Driver->SelectRow(Window, "?List", row).Ok) << Driver->LastFailure();
  Idle();
}

int32_t BrowseThreadFixture::Selected() const { return WindowModel::Choice(Window, List); }

}  // namespace testsupport
