// The toolbox window: it runs on its own thread, shows one button per toolbox item,
// keeps them in step with the served window's buttons, presses those buttons, and
// closes cleanly from either side.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "framework/popup/PopupManager.h"
#include "runtime/core/Process.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventResult.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"
#include "tests/runtime/ui/WindowTestSupport.h"

namespace framework::popup {
namespace {

using namespace std::chrono_literals;
using runtime::ui::Event;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

constexpr const char* Caption = "Browse Actions";

bool Eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 300; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(10ms);
  }
  return condition();
}

class PopupToolboxThreadTest : public testing::Test {
 protected:
  void SetUp() override {
    Screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
    runtime::ui::FrontEnd::Install(Screen);
    Driver = std::make_unique<runtime::ui::headless::HeadlessDriver>(*Screen, 3s);

    runtime::ui::WindowBuilder b("Served");
    b.Caption("Served").Size(200, 100);
    b.Button(0, "?Insert", "&Insert");
    b.Button(0, "?Change", "&Change").ControlIcon("WACHANGE.ICO");
    b.Button(0, "?Tool", "&Toolbox");
    Served.Start(b.Build(), [](int32_t, const runtime::ui::PostedEvent&) { return runtime::ui::EventResult::Normal; });
    Window = Served.Id;
    Insert = WindowModel::ControlNumber(Window, "?Insert");
    Change = WindowModel::ControlNumber(Window, "?Change");
    Tool = WindowModel::ControlNumber(Window, "?Tool");

    Menu.Init();
    Menu.SetWindow(Window);
    Menu.AddMimicItem("!&Insert", "&Insert", Insert);
    Menu.AddMimicItem("!&Change", "&Change", Change);
    Menu.AddMenuItem("-");
    Menu.MarkForToolbox(Menu.AddMimicItem("!&Toolbox", "&Toolbox", Tool), false);
  }
  void TearDown() override {
    Menu.Teardown();
    WindowModel::Close(Window);
    Served.Join();
    // The toolbox threads have let go of the manager; this collects them.
    runtime::core::Process::Wait();
    WindowModel::CloseAll();
    runtime::ui::FrontEnd::Install(nullptr);
  }

  // Opens the toolbox and waits until its buttons are there.
  int32_t OpenToolbox() {
    Menu.ShowToolbox(Caption);
    const int32_t box = Driver->FindWindow(Caption);
    EXPECT_NE(box, 0) << Driver->LastFailure();
    EXPECT_TRUE(Eventually([&] { return WindowModel::GetPropInt(box, 2, Prop::Type) != 0; }));
    return box;
  }
  bool Disabled(int32_t window, int32_t control) const {
    return WindowModel::GetPropInt(window, control, Prop::Disable) != 0;
  }

  std::shared_ptr<runtime::ui::headless::HeadlessFrontEnd> Screen;
  std::unique_ptr<runtime::ui::headless::HeadlessDriver> Driver;
  runtime::ui::testing::WindowThread Served;
  PopupManager Menu;
  int32_t Window = 0;
  int32_t Insert = 0;
  int32_t Change = 0;
  int32_t Tool = 0;
};

TEST_F(PopupToolboxThreadTest, ButtonsMirrorTheItemsAndFollowTheServedButtons) {
  const int32_t box = OpenToolbox();
  ASSERT_NE(box, 0);
  auto snapshot = WindowModel::Snapshot(box);
  ASSERT_TRUE(snapshot);
  EXPECT_EQ(snapshot->Owner, Window);
  // Insert and Change only: the separator and the toolbox's own item have no button.
  ASSERT_EQ(snapshot->Controls.size(), 2u);
  EXPECT_EQ(snapshot->Controls[0].Text, "&Insert");
  EXPECT_EQ(snapshot->Controls[1].Text, "");
  EXPECT_EQ(snapshot->Controls[1].Icon, "~WACHANGE.ICO");
  EXPECT_EQ(snapshot->Controls[1].Message, "Change");
  EXPECT_EQ(snapshot->Controls[1].X, snapshot->Controls[0].Width);
  EXPECT_EQ(snapshot->Width, snapshot->Controls[0].Width + snapshot->Controls[1].Width);
  // The button that opened the toolbox is off while it is open.
  EXPECT_TRUE(Disabled(Window, Tool));

  WindowModel::Disable(Window, Change);
  EXPECT_TRUE(Eventually([&] { return Disabled(box, 2); }));
  WindowModel::Enable(Window, Change);
  EXPECT_TRUE(Eventually([&] { return !Disabled(box, 2); }));
  WindowModel::SetProp(Window, Insert, Prop::Text, "&Add");
  // The caption was taken once from the button; later changes of it are the program's.
  EXPECT_EQ(WindowModel::GetProp(box, 1, Prop::Text), "&Insert");

  ASSERT_TRUE(Driver->Press(box, "?Tool1").Ok) << Driver->LastFailure();
  EXPECT_TRUE(Eventually([&] {
    for (const runtime::ui::PostedEvent& e : Served.Events.All())
      if (e.Number == Event::Accepted && e.Control == Insert) return true;
    return false;
  }));
  EXPECT_EQ(Menu.LastChosenItem(), "Insert");
  EXPECT_TRUE(Menu.ToolboxRunning());

  Menu.CloseToolbox();
  EXPECT_FALSE(Menu.ToolboxRunning());
  EXPECT_FALSE(WindowModel::Exists(box));
  EXPECT_FALSE(Disabled(Window, Tool));
}

TEST_F(PopupToolboxThreadTest, ClosingTheToolboxWindowEndsItsThreadAndItOpensAgain) {
  const int32_t first = OpenToolbox();
  ASSERT_NE(first, 0);
  // A second request while it is open does nothing.
  Menu.ShowToolbox(Caption);
  WindowModel::Post(first, Event::CloseWindow);
  EXPECT_TRUE(Eventually([&] { return !Menu.ToolboxRunning(); }));
  EXPECT_FALSE(WindowModel::Exists(first));
  EXPECT_FALSE(Disabled(Window, Tool));

  const int32_t second = OpenToolbox();
  EXPECT_NE(second, first);
  EXPECT_TRUE(Disabled(Window, Tool));
  // Teardown closes it and waits: nothing is left reading the items.
  Menu.Teardown();
  EXPECT_FALSE(WindowModel::Exists(second));
  EXPECT_FALSE(Disabled(Window, Tool));
}

TEST_F(PopupToolboxThreadTest, ItemsAddedWhileOpenGetButtonsAndRemovedOnesLoseThem) {
  const int32_t box = OpenToolbox();
  ASSERT_NE(box, 0);
  Menu.RemoveMenuItem("Change");
  EXPECT_TRUE(Eventually([&] { return WindowModel::GetPropInt(box, 2, Prop::Type) == 0; }));
  Menu.AddEventItem("Refresh", Event::Resized, Insert);
  EXPECT_TRUE(Eventually([&] { return WindowModel::GetProp(box, 2, Prop::Text) == "Refresh"; }));
  ASSERT_TRUE(Driver->Press(box, "Refresh").Ok) << Driver->LastFailure();
  EXPECT_TRUE(Eventually([&] {
    for (const runtime::ui::PostedEvent& e : Served.Events.All())
      if (e.Number == Event::Resized && e.Control == Insert) return true;
    return false;
  }));
}

}  // namespace
}  // namespace framework::popup
