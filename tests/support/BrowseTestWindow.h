#pragma once
// A browse window over the Names file (BrowseTestData.h) for tests and benchmarks that
// drive a browse as a user would: a list of names and counts, Insert, Change, Delete and
// View buttons that call an update procedure of the test's own (it runs on the window's
// thread and may change the file through the window's NameFile), and Close. The list
// shows PageRows rows, has a scroll bar, a letter locator on the name (NoCase) and a
// run-time string step.
//
// BrowseTestThread runs the window on a thread of its own, as the program runs each
// browse: the thread sets up its file registry and managers, runs the window and
// tears everything down when it closes.
//
// Thread safety: the window object belongs to its thread; the test reaches it only
// through the window model and the headless driver.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/browse/BrowseManager.h"
#include "framework/browse/LetterLocator.h"
#include "framework/browse/StringStep.h"
#include "framework/window/WindowController.h"
#include "runtime/data/RecordQueue.h"
#include "runtime/files/View.h"
#include "tests/support/BrowseTestData.h"

namespace testsupport {

class BrowseTestWindow : public framework::window::WindowController {
 public:
  static constexpr const char* Title = "Browse the Names";
  static constexpr int32_t UpdateProcedure = 1;

  // The update procedure: the request and the window's file (its buffer holds the
  // selected record); returns the response.
  using UpdateProcedureFn = std::function<uint8_t(uint8_t request, NameFile& file)>;
  // Work a test has done on the window's thread: posting HookEvent to the window with
  // an argument runs the hook with it.
  using HookFn = std::function<void(BrowseTestWindow& window, int32_t argument)>;
  static constexpr int32_t HookEvent = 0x5E01;

  struct Options {
    int32_t PageRows = 5;
    bool Descending = false;     // the sort order is KeyNameDescending
    bool HideList = false;       // the list starts hidden
    bool ActiveInvisible = false;
    std::string Filter;          // the standard filter of the sort order
    UpdateProcedureFn Update;
    // Without an update procedure the browse edits in place, ending edits as these
    // action bytes say.
    bool InPlace = false;
    uint8_t TabAction = 0;
    uint8_t EnterAction = 0;
    uint8_t ArrowAction = 0;
    uint8_t FocusLossAction = 0;
    uint8_t DeleteAction = 0;
    bool NameRequired = false;   // the name column's editor refuses an empty name
    // Called to pick a record: a Select button ("?Select") and Request RequestSelect.
    bool Selecting = false;
    // A second sort order, on KeyNameDescending, with a step of its own.
    bool SecondOrder = false;
    // The characters of the thumb step (letters unless told otherwise).
    uint8_t StepControls = framework::browse::StringStep::ControlLetters;
    HookFn Hook;
    // What the record buffer holds when the browse starts.
    std::string PresetName;
    // Called on the window's thread after Run, with the response.
    std::function<void(BrowseTestWindow& window, uint8_t response)> AfterRun;
  };

  BrowseTestWindow(Options options, framework::error::ErrorManager& errors);
  ~BrowseTestWindow() override;

  int32_t Init() override;
  int32_t Teardown() override;
  uint8_t Run(int32_t number, uint8_t request) override;
  using WindowController::Run;
  int32_t HandleEvent(const runtime::ui::PostedEvent& event) override;

  // Control numbers.
  int32_t ListNo = 0;
  int32_t InsertNo = 0;
  int32_t ChangeNo = 0;
  int32_t DeleteNo = 0;
  int32_t ViewNo = 0;
  int32_t CloseNo = 0;
  int32_t SelectNo = 0;

  Options Opts;
  framework::error::ErrorManager& Errs;
  NameFile Data;
  runtime::files::View TheView;
  runtime::data::RecordQueue<NameRow> Queue;
  framework::browse::BrowseManager Browse;
  framework::browse::LetterLocator Locator;
  framework::browse::StringStep Step;
  framework::browse::StringStep SecondStep;
  int32_t VcrRequest = 0;
};

class BrowseTestThread {
 public:
  BrowseTestThread(BrowseTestWindow::Options options, framework::error::ErrorManager& errors);
  // Waits for the window's thread to end (close the window first).
  ~BrowseTestThread();
  BrowseTestThread(const BrowseTestThread&) = delete;
  BrowseTestThread& operator=(const BrowseTestThread&) = delete;

  void Join();

 private:
  std::thread Thread;
};

// A thread-safe record of the requests an update procedure received.
class RequestLog {
 public:
  void Add(uint8_t request) {
    std::lock_guard lock(Lock);
    Requests.push_back(request);
  }
  std::vector<uint8_t> Take() {
    std::lock_guard lock(Lock);
    return std::exchange(Requests, {});
  }

 private:
  std::mutex Lock;
  std::vector<uint8_t> Requests;
};

}  // namespace testsupport
