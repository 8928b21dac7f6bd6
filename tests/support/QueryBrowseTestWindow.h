#pragma once
// The test browse over the Names file (BrowseTestWindow) with its context menu, a
// Query button, a query result line and a query-by-example over the name and the
// count, whose form is the program's QueryForm and whose saved queries live in the
// INI manager the test gives. QueryBrowseTestThread runs it on a thread of its own.
//
// Thread safety: the window object belongs to its thread; tests reach it only through
// the window model and the headless driver.

#include <cstdint>
#include <thread>

#include "framework/query/QbeQuery.h"
#include "framework/query/QueryForm.h"
#include "framework/window/IniManager.h"
#include "tests/support/BrowseTestWindow.h"

namespace testsupport {

class QueryBrowseTestWindow : public BrowseTestWindow {
 public:
  // The Query button and the result line are added at run time with these numbers.
  static constexpr int32_t QueryNo = 60;
  static constexpr int32_t QueryResultNo = 61;
  static constexpr const char* Family = "NamesBrowse";

  QueryBrowseTestWindow(Options options, framework::error::ErrorManager& errors, framework::window::IniManager& ini)
      : BrowseTestWindow(std::move(options), errors), Ini(ini) {}
  int32_t Init() override;
  int32_t Teardown() override;

  framework::window::IniManager& Ini;
  framework::query::QbeQuery Query;
  framework::query::QueryForm Form;
};

class QueryBrowseTestThread {
 public:
  QueryBrowseTestThread(BrowseTestWindow::Options options, framework::error::ErrorManager& errors,
                        framework::window::IniManager& ini);
  // Waits for the window's thread to end (close the window first).
  ~QueryBrowseTestThread();
  QueryBrowseTestThread(const QueryBrowseTestThread&) = delete;
  QueryBrowseTestThread& operator=(const QueryBrowseTestThread&) = delete;
  void Join();

 private:
  std::thread Thread;
};

}  // namespace testsupport
