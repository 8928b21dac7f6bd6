#pragma once
// The test browse over the Names file (BrowseTestWindow) with its context menu switched
// on and a Toolbox button, so that tests reach the record actions through the menu,
// the keys and the "Browse Actions" toolbox as a user would. PopupBrowseTestThread
// runs it on a thread of its own, set up and torn down like BrowseTestThread.
//
// Thread safety: the window object belongs to its thread; tests reach it only through
// the window model and the headless driver.

#include <cstdint>
#include <thread>

#include "tests/support/BrowseTestWindow.h"

namespace testsupport {

class PopupBrowseTestWindow : public BrowseTestWindow {
 public:
  // The Toolbox button is added at run time with this number.
  static constexpr int32_t ToolboxNo = 50;

  using BrowseTestWindow::BrowseTestWindow;
  int32_t Init() override;
};

class PopupBrowseTestThread {
 public:
  PopupBrowseTestThread(BrowseTestWindow::Options options, framework::error::ErrorManager& errors);
  // Waits for the window's thread to end (close the window first).
  ~PopupBrowseTestThread();
  PopupBrowseTestThread(const PopupBrowseTestThread&) = delete;
  PopupBrowseTestThread& operator=(const PopupBrowseTestThread&) = delete;

  void Join();

 private:
  std::thread Thread;
};

}  // namespace testsupport
