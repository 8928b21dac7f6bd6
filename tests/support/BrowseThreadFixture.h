#pragma once
// A browse window on its own thread, driven through the headless front end as a person
// would drive it: the fixture installs the front end and an error manager, seeds the
// name file, starts the window and waits until the program is idle after each step.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/ui/headless/HeadlessDriver.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"
#include "tests/support/BrowseTestData.h"
#include "tests/support/BrowseTestWindow.h"
#include "tests/support/TempWorkDir.h"

namespace testsupport {

class BrowseThreadFixture : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Adds `names` to the name file, each counted by its place (0 first).
  void Seed(const std::vector<std::string>& names);
  // Runs the browse window with `options` and waits until it is idle.
  void Start(BrowseTestWindow::Options options);
  void Idle();
  void Key(int32_t key);
  void Select(int32_t row);
  int32_t Selected() const;

  TempWorkDir Folder;
  RecordingErrorManager Errors;
  std::shared_ptr<runtime::ui::headless::HeadlessFrontEnd> Screen;
  std::unique_ptr<runtime::ui::headless::HeadlessDriver> Driver;
  std::unique_ptr<BrowseTestThread> Browse;
  int32_t Window = 0;
  int32_t List = 0;
};

}  // namespace testsupport
