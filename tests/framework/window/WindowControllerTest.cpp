// The window controller: the order in which an event reaches the handlers and the
// components, resets and the primary buffer protocol, a failed Init, teardown, the
// history key, buttons and notifications from other threads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/window/ToolbarManager.h"
#include "framework/window/WindowComponent.h"
#include "framework/window/WindowController.h"
#include "runtime/core/ThreadContext.h"
#include "runtime/data/RecordType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/headless/HeadlessDriver.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"

namespace framework::window {
namespace {

using namespace std::chrono_literals;
using runtime::ui::Event;
using runtime::ui::Key;
using runtime::ui::PostedEvent;
using runtime::ui::Prop;
using runtime::ui::WindowModel;
using testing::ElementsAre;

// Calls seen by the controller and its components, in order, from any thread.
class CallLog {
 public:
  void Add(std::string call) {
    std::lock_guard lock(Lock);
    Calls.push_back(std::move(call));
  }
  std::vector<std::string> Take() {
    std::lock_guard lock(Lock);
    return std::exchange(Calls, {});
  }

 private:
  std::mutex Lock;
  std::vector<std::string> Calls;
};

class LoggingComponent : public WindowComponent {
 public:
  LoggingComponent(CallLog& log, std::string name) : Log(log), Name(std::move(name)) {}
  void Teardown() override { Log.Add(Name + ".Teardown"); }
  void Reset(ResetMode mode) override {
    Log.Add(Name + ".Reset(" + (mode == ResetMode::Forced ? "1" : "0") + ")");
  }
  bool ResetRequired() override {
    Log.Add(Name + ".ResetRequired");
    return WantsReset;
  }
  int32_t HandleEvent(const PostedEvent&) override {
    Log.Add(Name + ".HandleEvent");
    return EventResult;
  }
  void RefreshControls() override { Log.Add(Name + ".RefreshControls"); }
  bool PrimaryBufferSaveRequired() override {
    Log.Add(Name + ".SaveRequired");
    return true;
  }
  bool PrimaryBufferRestoreRequired() override {
    Log.Add(Name + ".RestoreRequired");
    return true;
  }
  void PrimaryBufferSaved() override { Log.Add(Name + ".Saved"); }
  void PrimaryBufferRestored() override { Log.Add(Name + ".Restored"); }

  bool WantsReset = false;
  int32_t EventResult = 0;

 private:
  CallLog& Log;
  std::string Name;
};

class LoggingController : public WindowController {
 public:
  explicit LoggingController(CallLog& log) : Log(log) {}
  void ForceNextReset() { ForcedReset = true; }
  int32_t OnWindowEvent() override {
    Log.Add("OnWindowEvent");
    return WindowController::OnWindowEvent();
  }
  int32_t OnAccepted() override {
    Log.Add("OnAccepted");
    return WindowController::OnAccepted();
  }
  int32_t OnFieldEvent() override {
    Log.Add("OnFieldEvent");
    return FieldEventResult;
  }
  void EventLoop() override {
    Log.Add("EventLoop");
    WindowController::EventLoop();
  }
  int32_t Init() override {
    if (const int32_t result = WindowController::Init(); result != EventGoOn) return result;
    Log.Add("Init");
    if (!Definition.Name.empty()) Open(Definition, 0);
    for (WindowComponent* c : Components) RegisterComponent(*c);
    for (const auto& [name, action] : ButtonNames) AddButton(WindowModel::ControlNumber(MyWindow, name), action);
    RegisterAlertKeys();
    return InitResult;
  }
  int32_t Teardown() override {
    const int32_t result = WindowController::Teardown();
    Log.Add("Teardown " + std::to_string(result));
    return result;
  }

  int32_t InitResult = 0;
  int32_t FieldEventResult = 0;
  runtime::ui::WindowDefinition Definition;
  std::vector<WindowComponent*> Components;
  std::vector<std::pair<std::string, uint8_t>> ButtonNames;

 private:
  CallLog& Log;
};

runtime::ui::WindowDefinition Form(const std::string& title) {
  runtime::ui::WindowBuilder b(title);
  b.Caption(title).Size(200, 100);
  b.Entry(0, "?Name", "@s20");
  b.Button(0, "?OK", "&OK").Default();
  b.Button(0, "?Cancel", "&Cancel");
  return b.Build();
}

class WindowControllerTest : public testing::Test {
 protected:
  void SetUp() override {
    Screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
    runtime::ui::FrontEnd::Install(Screen);
    Driver = std::make_unique<runtime::ui::headless::HeadlessDriver>(*Screen, 2s);
  }
  void TearDown() override {
    WindowModel::CloseAll();
    runtime::ui::FrontEnd::Install(nullptr);
  }
  std::shared_ptr<runtime::ui::headless::HeadlessFrontEnd> Screen;
  std::unique_ptr<runtime::ui::headless::HeadlessDriver> Driver;
  CallLog Log;
};

struct OrderCase {
  const char* Name;
  PostedEvent Event;
  int32_t FirstComponentResult;
  bool SecondWantsReset;
  std::vector<std::string> Expected;
};

TEST_F(WindowControllerTest, HandleEventReachesHandlersThenComponentsThenTheAutomaticReset) {
  const OrderCase cases[] = {
      {"a control event: its handler, the field hook, components, then reset questions",
       {.Number = Event::Accepted, .Control = 2},
       0,
       true,
       {"OnAccepted", "OnFieldEvent", "A.HandleEvent", "B.HandleEvent", "A.ResetRequired", "B.ResetRequired",
        "A.Reset(0)", "B.Reset(0)", "A.RefreshControls", "B.RefreshControls"}},
      {"a window event goes to the window handler, not to the field hook",
       {.Number = 1000},
       0,
       false,
       {"OnWindowEvent", "A.HandleEvent", "B.HandleEvent", "A.ResetRequired", "B.ResetRequired"}},
      {"a component that consumes the event stops the rest",
       {.Number = Event::Accepted, .Control = 2},
       5,
       true,
       {"OnAccepted", "OnFieldEvent", "A.HandleEvent"}},
      {"after a focus change nobody is asked for a reset",
       {.Number = Event::LoseFocus},
       0,
       true,
       {"OnWindowEvent", "A.HandleEvent", "B.HandleEvent"}},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.Name);
    LoggingController controller(Log);
    LoggingComponent a(Log, "A"), b(Log, "B");
    a.EventResult = c.FirstComponentResult;
    b.WantsReset = c.SecondWantsReset;
    controller.Init();
    controller.MyWindow = WindowModel::Open(Form("Order"));
    controller.RegisterComponent(a);
    controller.RegisterComponent(b);
    Log.Take();
    EXPECT_EQ(controller.HandleEvent(c.Event), c.FirstComponentResult);
    EXPECT_EQ(Log.Take(), c.Expected);
    controller.Teardown();
  }
}

TEST_F(WindowControllerTest, FieldHookResultIsReturnedBeforeTheComponentsSeeTheEvent) {
  LoggingController controller(Log);
  LoggingComponent a(Log, "A");
  controller.FieldEventResult = 3;
  controller.Init();
  controller.RegisterComponent(a);
  Log.Take();
  EXPECT_EQ(controller.HandleEvent({.Number = Event::NewSelection, .Control = 4}), 3);
  EXPECT_THAT(Log.Take(), ElementsAre("OnFieldEvent"));
  controller.Teardown();
}

TEST_F(WindowControllerTest, ResetGivesPrimaryEditorsTheBufferProtocolAndOthersOnlyReset) {
  LoggingController controller(Log);
  LoggingComponent plain(Log, "P"), editor(Log, "E"), after(Log, "Q");
  controller.Init();
  controller.MyWindow = WindowModel::Open(Form("Reset"));
  controller.RegisterComponent(plain);
  controller.RegisterComponent(editor, WindowController::ComponentEditsPrimary);
  controller.RegisterComponent(after);
  Log.Take();

  controller.Reset(ResetMode::IfChanged);
  // The restored editor forces the resets that follow it.
  EXPECT_THAT(Log.Take(), ElementsAre("P.Reset(0)", "E.RestoreRequired", "E.Restored", "E.Reset(1)", "E.SaveRequired",
                                      "E.Saved", "Q.Reset(1)", "P.RefreshControls", "E.RefreshControls",
                                      "Q.RefreshControls"));

  controller.ForceNextReset();
  controller.UnregisterComponent(editor);
  controller.Reset(ResetMode::IfChanged);
  EXPECT_THAT(Log.Take(), ElementsAre("P.Reset(1)", "Q.Reset(1)", "P.RefreshControls", "Q.RefreshControls"));

  WindowModel::SetPropInt(controller.MyWindow, 0, Prop::ResetSuspended, 1);
  controller.Reset(ResetMode::Forced);
  EXPECT_TRUE(Log.Take().empty());
  controller.Teardown();
}

TEST_F(WindowControllerTest, FailedInitSkipsTheLoopButTearsDownAndReportsCancelled) {
  LoggingController controller(Log);
  LoggingComponent a(Log, "A");
  controller.InitResult = 5;
  controller.Definition = Form("Failing");
  controller.Components = {&a};
  EXPECT_EQ(controller.Run(), WindowController::ResponseCancelled);
  EXPECT_THAT(Log.Take(), ElementsAre("Init", "A.Teardown", "Teardown 0"));
}

TEST_F(WindowControllerTest, SecondTeardownReturnsFiveAndTearsNothingDownAgain) {
  LoggingController controller(Log);
  LoggingComponent a(Log, "A");
  ToolbarManager toolbar;
  controller.Init();
  controller.SetToolbar(toolbar);
  controller.RegisterComponent(a);
  Log.Take();
  EXPECT_EQ(controller.Teardown(), 0);
  EXPECT_EQ(controller.Teardown(), WindowController::AlreadyDead);
  EXPECT_THAT(Log.Take(), ElementsAre("A.Teardown", "Teardown 0", "Teardown 5"));
  EXPECT_EQ(toolbar.List, nullptr);
  EXPECT_TRUE(controller.IsDead());

  LoggingController never(Log);
  EXPECT_EQ(never.Teardown(), WindowController::AlreadyDead);
}

// Tests that drive a running window from a second thread.
using WindowControllerThreadTest = WindowControllerTest;

TEST_F(WindowControllerThreadTest, RegisteredButtonEndsTheWindowWithItsResponse) {
  LoggingController controller(Log);
  controller.Definition = Form("Buttons");
  controller.ButtonNames = {{"?Cancel", WindowController::ResponseCancelled},
                            {"?OK", WindowController::ResponseCompleted}};
  std::thread user([&] {
    const int32_t w = Driver->FindWindow("Buttons");
    EXPECT_TRUE(Driver->Press(w, "?OK"));
  });
  EXPECT_EQ(controller.Run(), WindowController::ResponseCompleted);
  user.join();
  EXPECT_FALSE(WindowModel::Exists(controller.MyWindow));
}

// A record with one text field, and its save area, for the history key.
struct NameRecord {
  char Name[21];
};
const runtime::data::RecordType NameRecordType("NAMES", sizeof(NameRecord),
                                               {{"NAM:NAME", 0, sizeof(NameRecord::Name),
                                                 runtime::data::FieldKind::CString}});

class HistoryController : public WindowController {
 public:
  int32_t Init() override {
    if (const int32_t result = WindowController::Init(); result != EventGoOn) return result;
    Open(Form("History"), 0);
    const int32_t name = WindowModel::ControlNumber(MyWindow, "?Name");
    WindowModel::Bind(MyWindow, name, runtime::data::FieldRef::Of(Record.Name));
    Config.HistoryKey = Key::CtrlH;
    AddDittoFile({&Record, &NameRecordType}, &Save);
    AddDittoField(name, 1);
    RegisterAlertKeys();
    return EventGoOn;
  }
  NameRecord Record{};
  NameRecord Save{};
};

TEST_F(WindowControllerThreadTest, HistoryKeyRecallsTheSavedValueThroughAlertSlot255) {
  HistoryController controller;
  std::strcpy(controller.Record.Name, "typed now");
  std::strcpy(controller.Save.Name, "entered before");
  std::atomic<int32_t> alert{0};
  std::string screen;
  std::thread user([&] {
    const int32_t w = Driver->FindWindow("History");
    ASSERT_TRUE(Driver->WaitIdle());
    alert = static_cast<int32_t>(WindowModel::GetPropInt(w, WindowModel::ControlNumber(w, "?Name"), Prop::Alert,
                                                         WindowController::HistoryAlertSlot));
    EXPECT_TRUE(Driver->Focus(w, "?Name"));
    EXPECT_TRUE(Driver->PressKey(w, Key::CtrlH));
    ASSERT_TRUE(Driver->WaitIdle());
    screen = WindowModel::GetProp(w, WindowModel::ControlNumber(w, "?Name"), Prop::Text);
    EXPECT_TRUE(Driver->PressKey(w, Key::Esc));
  });
  controller.Run();
  user.join();
  EXPECT_EQ(alert, Key::CtrlH);
  EXPECT_STREQ(controller.Record.Name, "entered before");
  EXPECT_EQ(screen, "entered before");
}

TEST_F(WindowControllerTest, RememberFieldValuesCopiesEachHistoryRecordOnce) {
  WindowController controller;
  NameRecord record{}, save{};
  std::strcpy(record.Name, "kept");
  controller.AddDittoFile({&record, &NameRecordType}, &save);
  controller.AddDittoField(3, 1);
  controller.AddDittoField(1, 1);
  ASSERT_EQ(controller.History->size(), 2u);
  EXPECT_EQ(controller.History->front().Control, 1);  // kept in control order
  controller.RememberFieldValues();
  EXPECT_STREQ(save.Name, "kept");
}

TEST_F(WindowControllerThreadTest, NotificationWithGainFocusBringsTheWindowForward) {
  LoggingController controller(Log);
  LoggingComponent a(Log, "A");
  controller.Definition = Form("Notified");
  controller.Components = {&a};
  std::atomic<int32_t> thread{0};
  std::thread program([&] {
    thread = runtime::core::CurrentThreadNumber();
    controller.Run();
  });
  const int32_t w = Driver->FindWindow("Notified");
  ASSERT_TRUE(Driver->WaitIdle());
  WindowModel::SetPropInt(w, 0, Prop::Iconize, 1);
  Log.Take();

  WindowModel::Notify(thread, Event::GainFocus, 0);
  ASSERT_TRUE(Driver->WaitIdle());
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::Iconize), 0);
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::Active), 1);
  // The focus-gained event it posted to its own thread resets the opened window.
  const auto calls = Log.Take();
  EXPECT_THAT(calls, testing::Contains("A.Reset(0)"));

  EXPECT_TRUE(Driver->PressKey(w, Key::Esc));
  program.join();
}

}  // namespace
}  // namespace framework::window
