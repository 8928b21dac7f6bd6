#pragma once
// Helpers for the window model tests: a headless front end installed per test, a
// record of the events a handler saw, and a window procedure run on a thread of its own.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "runtime/core/ThreadContext.h"
#include "runtime/ui/EventLoop.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/PostedEvent.h"
#include "runtime/ui/WindowDefinition.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/headless/HeadlessDriver.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"

namespace runtime::ui::testing {

using namespace std::chrono_literals;

class EventRecord {
 public:
  void Add(const PostedEvent& e) {
    std::lock_guard lock(Lock);
    Seen.push_back(e);
  }
  std::vector<PostedEvent> All() const {
    std::lock_guard lock(Lock);
    return Seen;
  }
  // Event numbers (and controls, when `withControls`) in the order seen.
  std::vector<int32_t> Numbers() const {
    std::vector<int32_t> n;
    for (const PostedEvent& e : All()) n.push_back(e.Number);
    return n;
  }

 private:
  mutable std::mutex Lock;
  std::vector<PostedEvent> Seen;
};

using WindowHandler = std::function<int32_t(int32_t window, const PostedEvent& event)>;

// Opens the window on a new thread, calls `setup` there, runs its loop with `handler`.
class WindowThread {
 public:
  void Start(WindowDefinition definition, WindowHandler handler, std::function<void(int32_t)> setup = {}) {
    Worker = std::thread([this, definition = std::move(definition), handler = std::move(handler),
                          setup = std::move(setup)] {
      ThreadNumber = runtime::core::CurrentThreadNumber();
      const int32_t window = WindowModel::Open(definition);
      if (setup) setup(window);
      Id = window;
      EventLoop::Run(window, [&](const PostedEvent& e) {
        Events.Add(e);
        return handler(window, e);
      });
      Finished = true;
    });
    for (int i = 0; i < 2000 && Id == 0; ++i) std::this_thread::sleep_for(1ms);
    ASSERT_NE(Id.load(), 0) << "the window thread did not open its window";
  }
  // Lets the loop end by itself for a while, then closes the window.
  void Join() {
    if (!Worker.joinable()) return;
    for (int i = 0; i < 2000 && !Finished; ++i) std::this_thread::sleep_for(1ms);
    if (!Finished) WindowModel::Close(Id);
    Worker.join();
  }
  ~WindowThread() {
    if (!Worker.joinable()) return;
    if (!Finished) WindowModel::Close(Id);
    Worker.join();
  }

  std::atomic<int32_t> Id{0};
  std::atomic<int32_t> ThreadNumber{0};
  std::atomic<bool> Finished{false};
  EventRecord Events;

 private:
  std::thread Worker;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Screen = std::make_shared<headless::HeadlessFrontEnd>();
    Screen->SetAnswerTimeout(2s);
    FrontEnd::Install(Screen);
    Driver = std::make_unique<headless::HeadlessDriver>(*Screen, 2s);
  }
  void TearDown() override {
    WindowModel::CloseAll();
    FrontEnd::Install(nullptr);
  }
  std::shared_ptr<headless::HeadlessFrontEnd> Screen;
  std::unique_ptr<headless::HeadlessDriver> Driver;
};

}  // namespace runtime::ui::testing
