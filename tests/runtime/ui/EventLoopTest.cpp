// Event loops: handler results, nesting on one thread, completion, entries and
// variables, notifications, timers and posting from other threads.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "runtime/ui/Event.h"
#include "runtime/ui/EventQueues.h"
#include "runtime/ui/EventResult.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowBuilder.h"
#include "tests/runtime/ui/WindowTestSupport.h"

namespace runtime::ui {
namespace {

using namespace runtime::ui::testing;

constexpr int32_t UserEvent = 1000;
constexpr int32_t OtherUserEvent = 1001;

WindowDefinition Plain(const std::string& title) {
  WindowBuilder b(title);
  b.Caption(title).Size(200, 100);
  b.Button(0, "?OK", "&OK").Default();
  b.Entry(0, "?Name", "@s20");
  b.Entry(0, "?Count", "@n5");
  return b.Build();
}

using EventLoopTest = WindowTest;

struct ResultCase {
  const char* Name;
  int32_t CloseResult;  // what the handler answers to CloseWindow
  bool StaysOpen;
};

TEST_F(EventLoopTest, HandlerResultDecidesWhatHappensToCloseWindow) {
  const ResultCase cases[] = {
      {"normal closes", EventResult::Normal, false},
      {"consumed keeps the window", EventResult::Consumed, true},
      {"end loop keeps the window", EventResult::EndLoop, true},
      {"unknown value counts as normal", 7, false},
  };
  for (const ResultCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const int32_t w = WindowModel::Open(Plain("Results"));
    WindowModel::Post(w, Event::CloseWindow);
    WindowModel::Post(w, UserEvent);
    std::vector<int32_t> seen;
    EventLoop::Run(w, [&](const PostedEvent& e) {
      seen.push_back(e.Number);
      if (e.Number == Event::CloseWindow) return c.CloseResult;
      return e.Number == UserEvent ? EventResult::EndLoop : EventResult::Normal;
    });
    EXPECT_EQ(WindowModel::Exists(w), c.StaysOpen);
    std::vector<int32_t> expected{Event::OpenWindow, Event::CloseWindow};
    // After "consumed" the loop goes on to the next event; "end loop" stops at once.
    if (c.CloseResult == EventResult::Consumed) expected.push_back(UserEvent);
    EXPECT_EQ(seen, expected);
    WindowModel::Close(w);
  }
}

TEST_F(EventLoopTest, NestedWindowRunsOnTheSameThreadAndTakesInputAlone) {
  const int32_t outer = WindowModel::Open(Plain("Outer"));
  std::vector<std::string> seen;
  std::string refusal;
  EventLoop::Run(outer, [&](const PostedEvent& e) {
    seen.push_back("outer " + std::to_string(e.Number));
    if (e.Number == Event::OpenWindow) {
      const int32_t inner = WindowModel::Open(Plain("Inner"));
      EXPECT_FALSE(WindowModel::TakesInput(outer));
      EXPECT_TRUE(WindowModel::TakesInput(inner));
      // Posted to the covered window: it waits until the inner one has closed.
      WindowModel::Post(outer, UserEvent);
      refusal = WindowModel::Input(outer, 1, Event::Accepted);
      WindowModel::Post(inner, Event::CloseWindow);
      EventLoop::Run(inner, [&](const PostedEvent& ie) {
        seen.push_back("inner " + std::to_string(ie.Number));
        return EventResult::Normal;
      });
      EXPECT_FALSE(WindowModel::Exists(inner));
    }
    return e.Number == UserEvent ? EventResult::EndLoop : EventResult::Normal;
  });
  // The covered window's events come after the inner window's, focus first.
  EXPECT_EQ(seen, (std::vector<std::string>{"outer 515", "inner 515", "inner 513", "outer 517", "outer 1000"}));
  EXPECT_EQ(refusal, "window 'Outer' does not take input: window 'Inner' is open over it");
}

TEST_F(EventLoopTest, AcceptedEntryMovesItsTextIntoTheVariableOrIsRejected) {
  const int32_t w = WindowModel::Open(Plain("Entries"));
  int32_t count = 7;
  WindowModel::Bind(w, WindowModel::ControlNumber(w, "?Count"), runtime::data::FieldRef::Of(count));
  const int32_t entry = WindowModel::ControlNumber(w, "?Count");
  WindowModel::Display(w);
  EXPECT_EQ(WindowModel::GetProp(w, entry, Prop::Text), "7");

  ASSERT_EQ(WindowModel::TypeText(w, entry, "12"), "");
  std::vector<int32_t> seen;
  std::vector<int32_t> countWhenSeen;
  EventLoop::Run(w, [&](const PostedEvent& e) {
    seen.push_back(e.Number);
    countWhenSeen.push_back(count);
    // The user types again only after the first text was handled.
    if (e.Number == Event::Accepted) {
      EXPECT_EQ(WindowModel::TypeText(w, entry, "twelve"), "");
      WindowModel::Post(w, UserEvent);
    }
    return e.Number == UserEvent ? EventResult::EndLoop : EventResult::Normal;
  });
  EXPECT_EQ(seen, (std::vector<int32_t>{Event::OpenWindow, Event::Accepted, Event::Rejected, UserEvent}));
  EXPECT_EQ(countWhenSeen[1], 12) << "the handler sees the accepted value";
  EXPECT_EQ(count, 12) << "a refused text leaves the variable alone";
}

TEST_F(EventLoopTest, KeystrokesReachOnlyAnEntryThatAskedForThemAndLeaveItsVariableAlone) {
  const int32_t w = WindowModel::Open(Plain("Keystrokes"));
  const int32_t name = WindowModel::ControlNumber(w, "?Name");
  const int32_t count = WindowModel::ControlNumber(w, "?Count");
  char typed[21] = "was";
  WindowModel::Bind(w, name, runtime::data::FieldRef::Of(typed));
  WindowModel::Display(w);
  WindowModel::SetPropInt(w, name, Prop::Immediate, 1);
  ASSERT_EQ(WindowModel::EditText(w, count, "4"), "");
  ASSERT_EQ(WindowModel::EditText(w, name, "n"), "");
  ASSERT_EQ(WindowModel::EditText(w, name, "ne"), "");
  WindowModel::Post(w, UserEvent);
  std::vector<std::string> seen;
  EventLoop::Run(w, [&](const PostedEvent& e) {
    if (e.Number == Event::EntryChanged)
      seen.push_back(std::to_string(e.Control) + " " + WindowModel::GetProp(w, e.Control, Prop::Text));
    return e.Number == UserEvent ? EventResult::EndLoop : EventResult::Normal;
  });
  // Both keys are reported; each handler reads the screen as it is by then.
  const std::string now = std::to_string(name) + " ne";
  EXPECT_EQ(seen, (std::vector<std::string>{now, now}));
  EXPECT_EQ(WindowModel::GetProp(w, count, Prop::Text), "") << "an ordinary entry takes its text when left";
  EXPECT_STREQ(typed, "was") << "the variable changes only when the program takes the text";
}

struct CompletionCase {
  const char* Name;
  const char* NameText;
  const char* CountText;
  int32_t Expected;          // Completed or Rejected
  const char* RejectedName;  // control that refused
};

TEST_F(EventLoopTest, CompletionValidatesEveryControlThenCompletes) {
  const CompletionCase cases[] = {
      {"all valid", "Ann", "42", Event::Completed, ""},
      {"number refused", "Bob", "4x", Event::Rejected, "?Count"},
      {"too many places", "Cy", "123456", Event::Rejected, "?Count"},
  };
  for (const CompletionCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const int32_t w = WindowModel::Open(Plain("Completion"));
    std::string name;
    int32_t count = 0;
    WindowModel::Bind(w, WindowModel::ControlNumber(w, "?Name"), runtime::data::FieldRef::Of(name));
    WindowModel::Bind(w, WindowModel::ControlNumber(w, "?Count"), runtime::data::FieldRef::Of(count));
    WindowModel::SetProp(w, WindowModel::ControlNumber(w, "?Name"), Prop::Text, c.NameText);
    WindowModel::SetProp(w, WindowModel::ControlNumber(w, "?Count"), Prop::Text, c.CountText);
    WindowModel::SelectForCompletion(w);
    PostedEvent last;
    EventLoop::Run(w, [&](const PostedEvent& e) {
      if (e.Number == Event::Completed || e.Number == Event::Rejected) {
        last = e;
        return EventResult::EndLoop;
      }
      return EventResult::Normal;
    });
    EXPECT_EQ(last.Number, c.Expected);
    EXPECT_EQ(name, c.NameText) << "controls before the refusing one are taken";
    if (c.Expected == Event::Rejected) {
      const int32_t refused = WindowModel::ControlNumber(w, c.RejectedName);
      EXPECT_EQ(last.Control, refused);
      EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::Focus), refused);
      EXPECT_EQ(count, 0);
    } else {
      EXPECT_EQ(count, 42);
    }
    WindowModel::Close(w);
  }
}

TEST_F(EventLoopTest, TimerTicksUntilSwitchedOff) {
  const int32_t w = WindowModel::Open(Plain("Timer"));
  WindowModel::SetPropInt(w, 0, Prop::Timer, 1);
  int ticks = 0;
  EventLoop::Run(w, [&](const PostedEvent& e) {
    if (e.Number != Event::Timer) return EventResult::Normal;
    return ++ticks == 3 ? EventResult::EndLoop : EventResult::Normal;
  });
  EXPECT_EQ(ticks, 3);
}

TEST_F(EventLoopTest, CurrentEventAndKeyCodeFollowNestedHandlers) {
  const int32_t w = WindowModel::Open(Plain("Current"));
  ASSERT_EQ(WindowModel::Input(w, 1, Event::Accepted, 65), "");
  WindowModel::Post(w, UserEvent, 1, 99);
  std::vector<PostedEvent> current;
  std::vector<int32_t> keys;
  EventLoop::Run(w, [&](const PostedEvent& e) {
    current.push_back(WindowModel::CurrentEvent());
    keys.push_back(WindowModel::KeyCode());
    return e.Number == UserEvent ? EventResult::EndLoop : EventResult::Normal;
  });
  ASSERT_EQ(current.size(), 3u);
  EXPECT_EQ(current[1].Number, Event::Accepted);
  EXPECT_EQ(keys[1], 65);
  EXPECT_EQ(current[2].Argument, 99);
  EXPECT_EQ(keys[2], 65) << "a program's post leaves the key code alone";
  EXPECT_EQ(WindowModel::CurrentEvent().Number, 0) << "no event outside a handler";
}

// Posts, notifications and idleness across threads (run under the thread sanitizer).
using ThreadEventLoopTest = WindowTest;

TEST_F(ThreadEventLoopTest, PostsFromManyThreadsAllArriveInEachSendersOrder) {
  constexpr int Senders = 4;
  constexpr int PerSender = 50;
  WindowThread target;
  std::atomic<int> received{0};
  target.Start(Plain("Target"), [&](int32_t, const PostedEvent& e) {
    if (e.Number == UserEvent && ++received == Senders * PerSender) return EventResult::EndLoop;
    return EventResult::Normal;
  });
  std::vector<std::thread> senders;
  for (int s = 0; s < Senders; ++s)
    senders.emplace_back([&, s] {
      for (int i = 0; i < PerSender; ++i) WindowModel::Post(target.Id, UserEvent, s + 1, i);
    });
  for (auto& t : senders) t.join();
  target.Join();
  std::vector<int> nextFrom(Senders + 1, 0);
  for (const PostedEvent& e : target.Events.All()) {
    if (e.Number != UserEvent) continue;
    EXPECT_EQ(e.Argument, nextFrom[static_cast<size_t>(e.Control)]++) << "sender " << e.Control;
  }
  EXPECT_EQ(received.load(), Senders * PerSender);
}

TEST_F(ThreadEventLoopTest, NotificationCarriesCodeSenderAndParameter) {
  WindowThread target;
  target.Start(Plain("Notified"), [&](int32_t, const PostedEvent& e) {
    return e.Number == Event::Notify ? EventResult::EndLoop : EventResult::Normal;
  });
  WindowModel::Notify(target.ThreadNumber, Event::GainFocus, 42);
  target.Join();
  auto events = target.Events.All();
  ASSERT_FALSE(events.empty());
  const PostedEvent& n = events.back();
  EXPECT_EQ(n.Number, Event::Notify);
  EXPECT_EQ(n.NotifyCode, Event::GainFocus);
  EXPECT_EQ(n.NotifyThread, runtime::core::CurrentThreadNumber());
  EXPECT_EQ(n.NotifyParameter, 42);
  EXPECT_EQ(n.Window, target.Id.load()) << "a thread post goes to the thread's window";
}

TEST_F(ThreadEventLoopTest, WaitIdleSeesBusyHandlersAndQuietLoops) {
  std::atomic<bool> release{false};
  WindowThread target;
  target.Start(Plain("Busy"), [&](int32_t, const PostedEvent& e) {
    if (e.Number == UserEvent)
      while (!release) std::this_thread::sleep_for(1ms);
    return EventResult::Normal;
  });
  EXPECT_TRUE(Driver->WaitIdle()) << Driver->LastFailure();
  WindowModel::Post(target.Id, UserEvent);
  Driver->SetTimeout(50ms);
  EXPECT_FALSE(Driver->WaitIdle());
  EXPECT_EQ(Driver->LastFailure(), "threads still busy after 50 ms; open windows: 'Busy'");
  release = true;
  Driver->SetTimeout(2s);
  EXPECT_TRUE(Driver->WaitIdle()) << Driver->LastFailure();
}

TEST_F(ThreadEventLoopTest, WindowClosedFromAnotherThreadEndsItsLoop) {
  WindowThread target;
  target.Start(Plain("Closed"), [](int32_t, const PostedEvent&) { return EventResult::Normal; });
  WindowModel::Close(target.Id);
  for (int i = 0; i < 2000 && !target.Finished; ++i) std::this_thread::sleep_for(1ms);
  EXPECT_TRUE(target.Finished);
}

}  // namespace
}  // namespace runtime::ui
