// The popup manager's menu definitions, names and choices. Menus are answered by the
// headless front end; the window served is opened on the test's own thread, and the
// events a choice posts are read straight from that thread's queue.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/popup/PopupManager.h"
#include "runtime/core/ThreadContext.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventQueues.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/PopupMenu.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"

namespace framework::popup {
namespace {

using namespace std::chrono_literals;
using runtime::ui::Event;
using runtime::ui::Prop;
using runtime::ui::WindowModel;
using Names = std::vector<std::string>;

class PopupManagerTest : public testing::Test {
 protected:
  void SetUp() override {
    Screen = std::make_shared<runtime::ui::headless::HeadlessFrontEnd>();
    Screen->SetAnswerTimeout(2s);
    runtime::ui::FrontEnd::Install(Screen);
    Menu.Init();
  }
  void TearDown() override {
    Menu.Teardown();
    WindowModel::CloseAll();
    runtime::ui::FrontEnd::Install(nullptr);
  }

  // A window on this thread with an Add button (captioned differently from its menu
  // item), a View button without a caption, and a Refresh entry.
  void OpenWindow() {
    runtime::ui::WindowBuilder b("Served");
    b.Caption("Served").Size(200, 100);
    b.Button(0, "?Insert", "&Add").ControlIcon("WAINSERT.ICO");
    b.Button(0, "?View", "");
    b.Button(0, "?Delete", "&Delete").Disabled();
    Window = WindowModel::Open(b.Build());
    Insert = WindowModel::ControlNumber(Window, "?Insert");
    View = WindowModel::ControlNumber(Window, "?View");
    Delete = WindowModel::ControlNumber(Window, "?Delete");
    Menu.SetWindow(Window);
  }

  // The next event posted to this thread's window, if any arrives soon.
  std::optional<runtime::ui::PostedEvent> NextEvent() {
    const auto deadline = runtime::ui::EventQueues::Clock::now() + 200ms;
    for (;;) {
      auto event = runtime::ui::EventQueues::Next(runtime::core::CurrentThreadNumber(), Window, deadline);
      if (!event || (event->Number != Event::OpenWindow && event->Number != Event::GainFocus)) return event;
    }
  }

  std::vector<std::string> ItemNames() const {
    Names names;
    for (const PopupItem& item : Menu.Items()) names.push_back(item.Name);
    return names;
  }

  std::shared_ptr<runtime::ui::headless::HeadlessFrontEnd> Screen;
  PopupManager Menu;
  int32_t Window = 0;
  int32_t Insert = 0;
  int32_t View = 0;
  int32_t Delete = 0;
};

TEST_F(PopupManagerTest, DefinitionStringsFollowDepthFlagsAndChecks) {
  struct Case {
    const char* Definition;
    const char* Menu;
    int32_t Choosable;
  };
  const Case cases[] = {
      {"&Open|&Close", "|&Open|&Close", 2},
      // A caption, a submenu of a disabled and a checked item, a separator, an unchecked item.
      {"File{~Open|+Save}|-|-Auto", "|File{~Open|+Save}-|-Auto", 3},
      // Leaving two levels at once closes both submenus.
      {"A{B{C}}|D", "|A{B{C}}D", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Definition);
    Menu.DeleteAll();
    Menu.AddMenuItems(c.Definition, "");
    const std::string built = Menu.BuildMenu();
    EXPECT_EQ(built, c.Menu);
    EXPECT_EQ(static_cast<int32_t>(Menu.MenuItemCount(true)), c.Choosable);
    EXPECT_EQ(runtime::ui::PopupMenu::Parse(built).Count(), c.Choosable);
  }
  // The runtime reads the nesting back as written: D is on the top menu again.
  const runtime::ui::PopupMenu parsed = runtime::ui::PopupMenu::Parse(Menu.BuildMenu());
  ASSERT_EQ(parsed.Items().size(), 2u);
  EXPECT_EQ(parsed.Items()[1].Text, "D");
}

TEST_F(PopupManagerTest, NamesAreMadeFromTextsAndKeptUnique) {
  EXPECT_EQ(Menu.AddMenuItem("&Delete"), "Delete");
  EXPECT_EQ(Menu.AddMenuItem("&Delete"), "Delete1");
  EXPECT_EQ(Menu.AddMenuItem("-"), "Separator");
  EXPECT_EQ(Menu.AddMenuItem("-"), "Separator1");
  EXPECT_EQ(Menu.AddMenuItem("Save as...  ", "Save as...  "), "Saveas");
  // Inserted after a named item, one level deeper.
  EXPECT_EQ(Menu.AddMenuItem("&Sub", "Sub", "Delete", 2), "Sub");
  EXPECT_EQ(ItemNames(), (Names{"Delete", "Sub", "Delete1", "Separator", "Separator1", "Saveas"}));
  EXPECT_EQ(Menu.FindItem("Delete1"), 3u);
  EXPECT_EQ(Menu.FindItem("Nothing"), 0u);
  Menu.RemoveMenuItem("Sub");
  Menu.RemoveMenuItem("Nothing");
  EXPECT_EQ(Menu.MenuItemCount(), 5u);
  EXPECT_EQ(Menu.MenuItemCount(true), 3u);
  // A second registration of the same mimicked control finds its item again.
  EXPECT_EQ(Menu.AddMimicItem("!&Delete", "&Delete", 7), "Delete");
  EXPECT_EQ(Menu.MenuItemCount(), 5u);
}

TEST_F(PopupManagerTest, ChoosingAMimicItemPressesItsButtonAndAnEventItemPostsItsEvent) {
  OpenWindow();
  Menu.AddMimicItem("!&Insert", "&Insert", Insert);
  Menu.AddMenuItem("-");
  Menu.AddMimicItem("!&View", "&View", View);
  Menu.AddEventItem("Refresh", Event::Resized, View);

  Screen->QueuePopupAnswer("Add");
  EXPECT_EQ(Menu.ShowMenu(), "Insert");
  auto event = NextEvent();
  ASSERT_TRUE(event);
  EXPECT_EQ(event->Number, Event::Accepted);
  EXPECT_EQ(event->Control, Insert);

  // The separator is never counted: number 2 is View.
  Screen->QueuePopupAnswer(2);
  EXPECT_EQ(Menu.ShowMenu(), "View");
  EXPECT_EQ(Menu.LastNumberSelection, 2);
  event = NextEvent();
  ASSERT_TRUE(event);
  EXPECT_EQ(event->Control, View);

  Screen->QueuePopupAnswer("Refresh");
  EXPECT_EQ(Menu.ShowMenu(), "Refresh");
  event = NextEvent();
  ASSERT_TRUE(event);
  EXPECT_EQ(event->Number, Event::Resized);

  Screen->QueuePopupAnswer(0);
  EXPECT_EQ(Menu.ShowMenu(), "");
  EXPECT_EQ(Menu.LastChosenItem(), "");
  EXPECT_EQ(Menu.LastNumberSelection, 0);
  EXPECT_FALSE(NextEvent());
  EXPECT_TRUE(Screen->Failures().empty());
}

TEST_F(PopupManagerTest, AnEmptyMenuIsNeverShown) {
  EXPECT_EQ(Menu.ShowMenu(), "");
  EXPECT_TRUE(Screen->PopupMenus().empty());
  EXPECT_EQ(Menu.LastChosenItem(), "");
}

TEST_F(PopupManagerTest, MimicItemsFollowTheirControls) {
  OpenWindow();
  Menu.AddMimicItem("!&Insert", "&Insert", Insert);
  Menu.AddMimicItem("!&View", "&View", View);
  Menu.AddMimicItem("!&Delete", "&Delete", Delete);
  Menu.NoIcons = 1;
  // The button's own caption where it has one; the disabled button's item disabled.
  EXPECT_EQ(Menu.BuildMenu(), "|&Add|&View|~&Delete");
  WindowModel::Enable(Window, Delete);
  WindowModel::Disable(Window, Insert);
  EXPECT_EQ(Menu.BuildMenu(), "|~&Add|&View|&Delete");
  // Once decided by the program, the item no longer follows its button.
  Menu.EnableMenuItem("Insert", true);
  EXPECT_EQ(Menu.BuildMenu(), "|&Add|&View|&Delete");

  // A disabled item cannot be chosen: the menu answers nothing.
  WindowModel::Disable(Window, View);
  Screen->QueuePopupAnswer(2);
  EXPECT_EQ(Menu.ShowMenu(), "");
  EXPECT_FALSE(NextEvent());
}

TEST_F(PopupManagerTest, IconsAddMarkupToEveryItemButSeparators) {
  OpenWindow();
  Menu.AddMimicItem("!&Insert", "&Insert", Insert);  // takes the button's icon
  Menu.AddMenuItem("-");
  Menu.AddMenuItem("&Other");
  const std::string style = WindowModel::GetProp(0, 0, Prop::SystemMenuStyle);
  const std::string expected = "|[" + std::to_string(Prop::Icon) + "(~WAINSERT.ICO)," +
                               std::to_string(Prop::ItemMenuStyle) + "(" + style + ")]&Add|-|[" +
                               std::to_string(Prop::ItemMenuStyle) + "(" + style + ")]&Other";
  EXPECT_EQ(Menu.BuildMenu(), expected);
  const runtime::ui::PopupMenu parsed = runtime::ui::PopupMenu::Parse(expected);
  EXPECT_EQ(parsed.NumberOf("Add"), 1);
  EXPECT_EQ(parsed.NumberOf("Other"), 2);
  Menu.NoIcons = 1;
  EXPECT_EQ(Menu.BuildMenu(), "|&Add|-|&Other");
}

TEST_F(PopupManagerTest, AnItemsKeyTravelsWithItsMarkupToTheMenuShown) {
  OpenWindow();
  Menu.SetKey(Menu.AddMimicItem("!&Insert", "&Insert", Insert), runtime::ui::Key::Insert);
  Menu.AddMenuItem("-");
  Menu.SetKey(Menu.AddMenuItem("&Other"), runtime::ui::Key::CtrlEnter);
  Menu.SetKey("NoSuchItem", runtime::ui::Key::Delete);
  const std::string key = std::to_string(Prop::ItemKey);
  // Beside the icon settings, and alone when no icons are in use.
  const std::string style = WindowModel::GetProp(0, 0, Prop::SystemMenuStyle);
  EXPECT_EQ(Menu.BuildMenu(), "|[" + std::to_string(Prop::Icon) + "(~WAINSERT.ICO)," +
                                  std::to_string(Prop::ItemMenuStyle) + "(" + style + ")," + key + "(45)]&Add|-|[" +
                                  std::to_string(Prop::ItemMenuStyle) + "(" + style + ")," + key + "(525)]&Other");
  Menu.NoIcons = 1;
  EXPECT_EQ(Menu.BuildMenu(), "|[" + key + "(45)]&Add|-|[" + key + "(525)]&Other");
  Screen->QueuePopupAnswer("Other");
  EXPECT_EQ(Menu.ShowMenu(), "Other");
  ASSERT_EQ(Screen->PopupMenus().size(), 1u);
  EXPECT_EQ(Screen->PopupMenus()[0].Print(), "1 &Add [Ins]\n- (separator)\n2 &Other [Ctrl+Enter]\n");
  // Key 0 takes the key away again.
  Menu.SetKey("Other", runtime::ui::Key::None);
  EXPECT_EQ(Menu.BuildMenu(), "|[" + key + "(45)]&Add|-|&Other");
}

TEST_F(PopupManagerTest, SubmenusAreInsertedAfterTheirAnchor) {
  Menu.AddMenuItem("&First");
  Menu.AddMenuItem("&Last");
  Menu.AddSubmenuItem("Queries  ", "Recent|All  ", "First");
  EXPECT_EQ(ItemNames(), (Names{"First", "Queries", "Recent", "All", "Last"}));
  EXPECT_EQ(Menu.BuildMenu(), "|&First|Queries{Recent|All}&Last");
  // The caption is not counted: choice 3 is the submenu's second item.
  Screen->QueuePopupAnswer(3);
  EXPECT_EQ(Menu.ShowMenu(), "All");
  Screen->QueuePopupAnswer(4);
  EXPECT_EQ(Menu.ShowMenu(), "Last");
}

}  // namespace
}  // namespace framework::popup
