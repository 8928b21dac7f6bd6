// The window resizer: the rectangles each overall strategy gives a small window's
// controls, the way back to the first size, containers that carry their controls,
// and a size change from the front end reaching the resizer through the controller.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "framework/window/WindowController.h"
#include "framework/window/WindowResizer.h"
#include "runtime/ui/ControlType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/headless/HeadlessDriver.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"

namespace framework::window {
namespace {

using namespace std::chrono_literals;
using runtime::ui::ControlType;
using runtime::ui::Event;
using runtime::ui::Prop;
using runtime::ui::WindowModel;
using Rect = WindowResizer::Rect;
using Minimum = WindowResizer::MinimumSize;
using Maximum = WindowResizer::MaximumSize;

Rect RectOf(int32_t window, int32_t control) {
  return {static_cast<int32_t>(WindowModel::GetPropInt(window, control, Prop::XPos)),
          static_cast<int32_t>(WindowModel::GetPropInt(window, control, Prop::YPos)),
          static_cast<int32_t>(WindowModel::GetPropInt(window, control, Prop::Width)),
          static_cast<int32_t>(WindowModel::GetPropInt(window, control, Prop::Height))};
}

std::string Text(const Rect& r) {
  return std::to_string(r.XPos) + "," + std::to_string(r.YPos) + " " + std::to_string(r.Width) + "x" +
         std::to_string(r.Height);
}

void SetSize(int32_t window, int32_t width, int32_t height) {
  WindowModel::SetPropInt(window, 0, Prop::Width, width);
  WindowModel::SetPropInt(window, 0, Prop::Height, height);
}

// A 100x60 window with one control of each kind the strategies treat differently. The
// button, near the bottom left corner, stays there at its size when the window grows.
constexpr int32_t StringNo = 1, RegionNo = 2, ButtonNo = 3, PromptNo = 4, EntryNo = 5;
const std::map<int32_t, Rect> SmallLayout = {
    {StringNo, {10, 10, 30, 10}}, {RegionNo, {50, 10, 40, 30}}, {ButtonNo, {10, 40, 20, 10}},
    {PromptNo, {70, 45, 20, 8}},  {EntryNo, {10, 25, 30, 10}},
};

runtime::ui::WindowDefinition SmallWindow() {
  runtime::ui::WindowBuilder b("Small");
  b.Caption("Small").Size(100, 60).Resizable();
  auto at = [&](int32_t n) {
    const Rect& r = SmallLayout.at(n);
    b.At(r.XPos, r.YPos, r.Width, r.Height);
  };
  b.String(StringNo, "?String", "Text");
  at(StringNo);
  b.Region(RegionNo, "?Region");
  at(RegionNo);
  b.Button(ButtonNo, "?Button", "&Go");
  at(ButtonNo);
  b.Prompt(PromptNo, "?Prompt", "&Name:");
  at(PromptNo);
  b.Entry(EntryNo, "?Entry", "@s20");
  at(EntryNo);
  b.MenuBar("?MENUBAR");  // never managed
  return b.Build();
}

class WindowResizerTest : public testing::Test {
 protected:
  void TearDown() override {
    Resizer.Teardown();
    WindowModel::CloseAll();
  }
  WindowResizer Resizer;
};

// The small window grows from 100x60 to 200x90: ratios 2 and 1.5.
TEST_F(WindowResizerTest, EachStrategyPlacesTheControlsOfAGrownWindow) {
  struct Case {
    uint8_t Strategy;
    std::map<int32_t, std::string> Expected;
  };
  const Case cases[] = {
      {WindowResizer::StrategyScale,
       {{StringNo, "20,15 60x15"}, {RegionNo, "100,15 80x45"}, {ButtonNo, "10,70 20x10"},
        {PromptNo, "170,75 20x8"}, {EntryNo, "20,38 60x10"}}},
      {WindowResizer::StrategySurround,
       {{StringNo, "20,10 60x10"}, {RegionNo, "50,10 140x60"}, {ButtonNo, "10,70 20x10"},
        {PromptNo, "170,75 20x8"}, {EntryNo, "20,25 60x10"}}},
      {WindowResizer::StrategyFixed,
       {{StringNo, "10,10 30x10"}, {RegionNo, "50,10 40x30"}, {ButtonNo, "10,40 20x10"},
        {PromptNo, "70,45 20x8"}, {EntryNo, "10,25 30x10"}}},
      {WindowResizer::StrategyFixedSizes,
       {{StringNo, "10,10 30x10"}, {RegionNo, "50,10 140x60"}, {ButtonNo, "10,70 20x10"},
        {PromptNo, "170,75 20x8"}, {EntryNo, "10,25 130x10"}}},
      {WindowResizer::StrategyCentred,
       {{StringNo, "60,25 30x10"}, {RegionNo, "100,25 40x30"}, {ButtonNo, "60,55 20x10"},
        {PromptNo, "120,60 20x8"}, {EntryNo, "60,40 30x10"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("strategy " + std::to_string(c.Strategy));
    const int32_t w = WindowModel::Open(SmallWindow());
    WindowResizer resizer;
    resizer.Init(w, c.Strategy, Minimum::Free, Maximum::Free);
    ASSERT_EQ(resizer.ControlQueue->size(), SmallLayout.size()) << "menus are never managed";
    SetSize(w, 200, 90);
    resizer.Resize();
    for (const auto& [control, expected] : c.Expected) EXPECT_EQ(Text(RectOf(w, control)), expected) << control;
    EXPECT_EQ(resizer.ResizeCalled, 1);

    // Back at the first size every control is exactly where it started.
    SetSize(w, 100, 60);
    resizer.Resize();
    for (const auto& [control, first] : SmallLayout) EXPECT_EQ(Text(RectOf(w, control)), Text(first)) << control;
    resizer.Teardown();
    WindowModel::Close(w);
  }
}

TEST_F(WindowResizerTest, ShrinkingWithoutDeferredMovesGivesTheSameRectangles) {
  const int32_t w = WindowModel::Open(SmallWindow());
  Resizer.Init(w, WindowResizer::StrategySurround, Minimum::Free, Maximum::Free);
  Resizer.DeferMoves = 0;
  SetSize(w, 80, 50);
  Resizer.Resize();
  // Ratios 0.8 and 0.8333: the region keeps its gaps, the prompt its distance from
  // the bottom right corner.
  EXPECT_EQ(Text(RectOf(w, RegionNo)), "50,10 20x20");
  EXPECT_EQ(Text(RectOf(w, PromptNo)), "50,35 20x8");
  EXPECT_EQ(Text(RectOf(w, ButtonNo)), "10,30 20x10") << "a button keeps its size at the nearer edges";
  ASSERT_EQ(Resizer.ResizeList->size(), SmallLayout.size());
  // Shrinking moves the controls farthest from the origin first.
  for (size_t i = 1; i < Resizer.ResizeList->size(); ++i)
    EXPECT_GE((*Resizer.ResizeList)[i - 1].Priority, (*Resizer.ResizeList)[i].Priority);
}

TEST_F(WindowResizerTest, InitFixesTheMinimumSizeAndBatchesTheMoves) {
  const int32_t w = WindowModel::Open(SmallWindow());
  Resizer.Init(w, WindowResizer::StrategySurround, Minimum::FirstSize, Maximum::Free);
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::MinWidth), 100);
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::MinHeight), 60);
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::MaxWidth), 0);
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::Immediate), 1);
  EXPECT_EQ(Resizer.DeferMoves, 1);
  SetSize(w, 150, 60);
  Resizer.Resize();
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::DeferMoves), 0) << "the batch is closed again";
}

TEST_F(WindowResizerTest, AResizeAtTheSameSizeMovesNothing) {
  const int32_t w = WindowModel::Open(SmallWindow());
  Resizer.Init(w, WindowResizer::StrategySurround, Minimum::Free, Maximum::Free);
  SetSize(w, 200, 90);
  Resizer.Resize();
  // The user's own placement of a control survives a resize that changes nothing, a
  // move of the window included.
  WindowModel::SetPropInt(w, RegionNo, Prop::XPos, 3);
  WindowModel::SetPropInt(w, 0, Prop::XPos, 40);
  Resizer.Resize();
  EXPECT_EQ(RectOf(w, RegionNo).XPos, 3);
  EXPECT_TRUE(Resizer.TakeEvent(Event::Resized));
  EXPECT_FALSE(Resizer.TakeEvent(Event::Sized)) << "not one of the registered events";
  EXPECT_EQ(RectOf(w, RegionNo).XPos, 3);
}

TEST_F(WindowResizerTest, AControlThatKeepsItsNaturalWidthIsOnlyMoved) {
  const int32_t w = WindowModel::Open(SmallWindow());
  WindowModel::SetPropInt(w, StringNo, Prop::NoWidth, 1);
  Resizer.Init(w, WindowResizer::StrategyScale, Minimum::Free, Maximum::Free);
  SetSize(w, 200, 90);
  Resizer.Resize();
  EXPECT_EQ(Text(RectOf(w, StringNo)), "20,15 30x15");
}

TEST_F(WindowResizerTest, ASizeOfZeroScalesByOne) {
  // A window captured before it had a size must not divide by zero.
  runtime::ui::WindowBuilder b("Empty");
  b.Caption("Empty");
  b.Entry(1, "?E", "@s5").At(5, 5, 10, 10);
  const int32_t w = WindowModel::Open(b.Build());
  Resizer.Init(w, WindowResizer::StrategyScale, Minimum::Free, Maximum::Free);
  SetSize(w, 50, 50);
  Resizer.Resize();
  EXPECT_EQ(Text(RectOf(w, 1)), "5,5 10x10");
}

// A sheet (with a tab) holding a group holding an entry; an entry placed on the tab;
// a button below the sheet. 200x100 grows to 300x150.
TEST_F(WindowResizerTest, ContainersCarryTheirControlsDepthFirst) {
  constexpr int32_t Sheet = 1, Tab = 2, Group = 3, Inner = 4, OnTab = 5, Below = 6;
  for (const bool groupFirst : {false, true}) {
    SCOPED_TRACE(groupFirst ? "group declared before the sheet" : "sheet declared first");
    runtime::ui::WindowBuilder b("Nested");
    b.Caption("Nested").Size(200, 100).Resizable();
    if (groupFirst) b.Add(ControlType::Group, Group, "?Group", "Group").At(10, 10, 100, 50);
    b.Sheet(Sheet, "?Sheet").At(0, 0, 200, 80);
    b.Tab(Tab, "?Tab", "&1) General");
    if (!groupFirst) b.Add(ControlType::Group, Group, "?Group", "Group").At(10, 10, 100, 50);
    b.Entry(Inner, "?Inner", "@s10").At(20, 20, 40, 10);
    b.Entry(OnTab, "?OnTab", "@s10").At(150, 20, 30, 10);
    b.Button(Below, "?Below", "&OK").At(150, 85, 40, 12);
    const int32_t w = WindowModel::Open(b.Build());
    WindowModel::SetPropInt(w, OnTab, Prop::Parent, Tab);

    WindowResizer resizer;
    resizer.Init(w, WindowResizer::StrategySurround, Minimum::Free, Maximum::Free);
    resizer.SetParents();  // the forms call it a second time: the same tree
    EXPECT_EQ(resizer.GetParentId(Group), Sheet);
    EXPECT_EQ(resizer.GetParentId(Inner), Group);
    EXPECT_EQ(resizer.GetParentId(OnTab), Sheet) << "a tab's control follows the tab's sheet";
    EXPECT_EQ(resizer.GetParentId(Below), 0);
    EXPECT_EQ(resizer.GetParentId(Sheet), 0);
    for (const auto& entry : *resizer.ControlQueue) EXPECT_NE(entry.Id, Tab) << "tabs are never managed";

    SetSize(w, 300, 150);
    resizer.Resize();
    EXPECT_EQ(Text(RectOf(w, Sheet)), "0,0 300x130");
    EXPECT_EQ(Text(RectOf(w, Group)), "10,10 200x100");
    EXPECT_EQ(Text(RectOf(w, Inner)), "30,20 80x10") << "placed inside the group, not the window: an entry keeps its top offset and height";
    EXPECT_EQ(Text(RectOf(w, Below)), "250,135 40x12") << "the button stays below the grown sheet";

    // Resizing one container moves only what it holds.
    WindowModel::SetPropInt(w, Group, Prop::Width, 100);
    WindowModel::SetPropInt(w, Group, Prop::Height, 50);
    resizer.Resize(Group);
    EXPECT_EQ(Text(RectOf(w, Inner)), "20,20 40x10");
    EXPECT_EQ(Text(RectOf(w, Below)), "250,135 40x12");
    resizer.Teardown();
    resizer.Teardown();
    WindowModel::Close(w);
  }
}

// The front end changes the window's size and posts Sized, as a user's drag does; the
// controller's event path brings the resizer in.
class Resizing : public WindowController {
 public:
  static constexpr const char* Title = "Resizing";
  explicit Resizing(WindowResizer& resizer) : Resizer(resizer) {}
  int32_t Init() override {
    if (const int32_t result = WindowController::Init(); result != EventGoOn) return result;
    runtime::ui::WindowBuilder b("Resizing");
    b.Caption(Title).Size(100, 60).Resizable();
    b.Region(1, "?Region").At(50, 10, 40, 30);
    b.Button(2, "?Close", "&Close").At(10, 40, 20, 10);
    Open(b.Build(), 0);
    AddButton(2, ResponseCancelled);
    Resizer.Init(MyWindow, WindowResizer::StrategySurround, WindowResizer::MinimumSize::FirstSize,
                 WindowResizer::MaximumSize::Free);
    SetResizer(Resizer);
    return EventGoOn;
  }
  WindowResizer& Resizer;
};

TEST(WindowResizerThreadTest, ASizeChangeFromTheFrontEndMovesTheControls) {
  auto screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
  runtime::ui::FrontEnd::Install(screen);
  runtime::ui::headless::HeadlessDriver driver(*screen, 3s);
  WindowResizer resizer;
  Resizing form(resizer);
  std::string grown, back;
  std::thread user([&] {
    const int32_t w = driver.FindWindow(Resizing::Title);
    if (w == 0) return;
    SetSize(w, 200, 90);
    WindowModel::Post(w, Event::Sized);
    EXPECT_TRUE(driver.WaitIdle());
    grown = Text(RectOf(w, 1));
    SetSize(w, 100, 60);
    WindowModel::Post(w, Event::Sized);
    EXPECT_TRUE(driver.WaitIdle());
    back = Text(RectOf(w, 1));
    EXPECT_TRUE(driver.Press(w, "&Close"));
    if (!driver.WaitClosed(w)) WindowModel::Close(w);
  });
  form.Run();
  user.join();
  EXPECT_EQ(grown, "50,10 140x60");
  EXPECT_EQ(back, "50,10 40x30");
  EXPECT_EQ(resizer.ControlQueue, nullptr) << "the controller's Teardown tore the resizer down";
  WindowModel::CloseAll();
  runtime::ui::FrontEnd::Install(nullptr);
  for (const std::string& failure : screen->Failures()) ADD_FAILURE() << failure;
}

}  // namespace
}  // namespace framework::window
