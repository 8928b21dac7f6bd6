// Popup menu definitions: parsing, numbering, and the service's answers.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>

#include "runtime/ui/Key.h"
#include "runtime/ui/KeyName.h"
#include "runtime/ui/PopupMenu.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/PopupMenuService.h"
#include "tests/runtime/ui/WindowTestSupport.h"

namespace runtime::ui {
namespace {

using namespace runtime::ui::testing;

struct ParseCase {
  const char* Definition;
  int32_t Count;
  const char* Printed;
};

TEST(PopupMenuTest, ParsesItemsSubmenusFlagsAndMarkup) {
  const ParseCase cases[] = {
      {"|One|Two", 2, "1 One\n2 Two\n"},
      {"", 0, ""},
      {"|", 0, ""},
      {"|&Insert|-|~&Delete", 2, "1 &Insert\n- (separator)\n2 &Delete (disabled)\n"},
      {"|Top{A|B}Next", 3, "Top {\n  1 A\n  2 B\n}\n3 Next\n"},
      {"|View{By &Name|+By &Date{Deep}}|Last", 3, "View {\n  1 By &Name\n  By &Date {\n    2 Deep\n  }\n}\n3 Last\n"},
      {"+Checked|-Unchecked", 2, "1 Checked (checked)\n2 Unchecked\n"},
      {"|[31848(~WAINSERT.ICO),31290(1)]&Insert|[31290(1)]Plain", 2, "1 &Insert\n2 Plain\n"},
      {"|[32539(45)]&Insert|[31848(~X.ICO),31290(1),32539(525)]&Change|[32539(2)]Mouse", 3,
       "1 &Insert [Ins]\n2 &Change [Ctrl+Enter]\n3 Mouse\n"},
      {"{Orphan}", 1, " {\n  1 Orphan\n}\n"},
      {"|Stray}|Close", 2, "1 Stray\n2 Close\n"},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.Definition);
    PopupMenu menu = PopupMenu::Parse(c.Definition);
    EXPECT_EQ(menu.Count(), c.Count);
    EXPECT_EQ(menu.Print(), c.Printed);
  }
}

TEST(PopupMenuTest, ItemsKeepFlagsAndMarkupAndAreFoundByPlainText) {
  PopupMenu menu = PopupMenu::Parse("|~+[31290(3)]&Save && Close|-|Sub{&Open}");
  ASSERT_EQ(menu.Count(), 2);
  const PopupMenuItem* save = menu.Item(1);
  ASSERT_NE(save, nullptr);
  EXPECT_TRUE(save->Disabled);
  EXPECT_EQ(save->Check, PopupMenuItem::Checked);
  EXPECT_EQ(save->Markup, "31290(3)");
  EXPECT_EQ(save->Text, "&Save && Close");
  EXPECT_EQ(menu.NumberOf("Save & Close"), 1);
  EXPECT_EQ(menu.NumberOf("Open"), 2);
  EXPECT_EQ(menu.NumberOf("Sub"), 0) << "a submenu caption is not an item";
  EXPECT_EQ(menu.Item(3), nullptr);
  EXPECT_EQ(menu.Item(0), nullptr);
}

TEST(PopupMenuTest, KeysAreNamedAsAMenuShowsThem) {
  EXPECT_EQ(Prop::ItemKey, 32539) << "the markup cases above write the number out";
  const std::pair<int32_t, const char*> cases[] = {
      {Key::Insert, "Ins"},         {Key::Delete, "Del"},       {Key::CtrlEnter, "Ctrl+Enter"},
      {Key::ShiftEnter, "Shift+Enter"}, {Key::Shift + Key::F1 + 9, "Shift+F10"}, {Key::Ctrl + Key::Alt + Key::Of('h'), "Ctrl+Alt+H"},
      {Key::Digit0 + 7, "7"},       {Key::PgDn, "PgDn"},        {Key::MouseRightUp, ""},
      {Key::MouseLeft2, ""},        {Key::None, ""},            {Key::F1 + 12, ""},
  };
  for (const auto& [code, name] : cases) EXPECT_EQ(KeyName::Of(code), name) << code;
}

using PopupMenuServiceTest = WindowTest;

TEST_F(PopupMenuServiceTest, ChoiceIsReturnedByNumberAndInvalidChoicesAreNone) {
  const char* definition = "|&Insert|~&Delete|-|View{By &Name|By &Date}";
  Screen->QueuePopupAnswer("By Date");
  EXPECT_EQ(PopupMenuService::Show(definition), 4);
  Screen->QueuePopupAnswer(1);
  EXPECT_EQ(PopupMenuService::Show(definition), 1);
  Screen->QueuePopupAnswer(0);
  EXPECT_EQ(PopupMenuService::Show(definition), 0) << "dismissed";
  Screen->QueuePopupAnswer(2);
  EXPECT_EQ(PopupMenuService::Show(definition), 0) << "a disabled item cannot be chosen";
  Screen->QueuePopupAnswer(9);
  EXPECT_EQ(PopupMenuService::Show(definition), 0) << "no such item";
  EXPECT_EQ(PopupMenuService::Show("|-|"), 0) << "nothing to choose: nothing shown";
  EXPECT_EQ(Screen->PopupMenus().size(), 5u);
  EXPECT_TRUE(Screen->Failures().empty());
}

TEST_F(PopupMenuServiceTest, UnknownTextOrNoAnswerFailsClearly) {
  Screen->SetAnswerTimeout(30ms);
  Screen->QueuePopupAnswer("Print");
  EXPECT_EQ(PopupMenuService::Show("|&Insert|&Change"), 0);
  EXPECT_EQ(PopupMenuService::Show("|&Insert"), 0);
  auto failures = Screen->Failures();
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_EQ(failures[0], "popup menu has no item 'Print'; it has:\n1 &Insert\n2 &Change\n");
  EXPECT_EQ(failures[1], "no answer for popup menu:\n1 &Insert\n");
}

using ConcurrentPopupMenuTest = WindowTest;

TEST_F(ConcurrentPopupMenuTest, CallerWaitsForAnAnswerGivenLater) {
  int32_t choice = -1;
  std::thread caller([&] { choice = PopupMenuService::Show("|A|B|C"); });
  // The waiting caller counts as idle, so a script can wait for quiet and then answer.
  ASSERT_TRUE(Driver->WaitIdle()) << Driver->LastFailure();
  Driver->AnswerPopup("C");
  caller.join();
  EXPECT_EQ(choice, 3);
}

}  // namespace
}  // namespace runtime::ui
