// Window definitions and the headless driver: building, printing, scripted round
// trips through real window loops, the frame's standard actions, and timeouts.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/error/ErrorWindowDefinition.h"
#include "runtime/ui/ControlType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventResult.h"
#include "runtime/ui/InputRouter.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/PopupMenuService.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowBuilder.h"
#include "tests/runtime/ui/WindowTestSupport.h"

namespace runtime::ui {
namespace {

using namespace runtime::ui::testing;
using headless::HeadlessDriver;
using headless::HeadlessFrontEnd;

WindowDefinition Frame() {
  WindowBuilder b("P1$APPFRAME");
  b.Caption("Application").Icon("WAFRAME.ICO").Font("Microsoft Sans Serif", 8).Frame().SystemMenu();
  b.MenuBar("?MENUBAR");
  b.Menu("&File", "?FILEMENU");
  b.Item("&Print Setup ...", "?PRINTSETUP").Message("Setup printer").Action(FrameAction::PrintSetup);
  b.Separator();
  b.Item("E&xit", "?EXIT").Message("Exit this application").Action(FrameAction::Exit);
  b.EndMenu();
  b.Menu("&Browse", "?BROWSEMENU");
  b.Item("Browse the UrlList file", "?BROWSEURLLIST").Number(-10).Message("Browse UrlList");
  b.EndMenu();
  b.Menu("&Window", "?WINDOWMENU");
  b.Item("T&ile", "?TILE").Action(FrameAction::Tile);
  b.EndMenu();
  return b.Build();
}

TEST(WindowBuilderTest, NumbersControlsAndMenusAroundExplicitNumbers) {
  WindowBuilder b("Numbers");
  b.Button(2, "?Two", "Two");
  b.Button(0, "?First", "First");
  b.Button(0, "?Third", "Third");
  b.MenuBar("?MENUBAR");
  b.Menu("&File", "?FILEMENU");
  b.Item("&Open", "?OPEN").Number(-2);
  b.Item("&Close", "?CLOSE");
  b.EndMenu();
  WindowDefinition d = b.Build();
  EXPECT_TRUE(b.Problems().empty());
  EXPECT_EQ(d.Find("?First")->Number, 1);
  EXPECT_EQ(d.Find("?Third")->Number, 3);
  EXPECT_EQ(d.Find("?MENUBAR")->Number, -1);
  EXPECT_EQ(d.Find("?FILEMENU")->Number, -3);
  EXPECT_EQ(d.Find("?CLOSE")->Number, -4);
  EXPECT_EQ(d.Find("?OPEN")->Parent, -3);
  EXPECT_EQ(d.Find("?FILEMENU")->Parent, -1);
}

TEST(WindowBuilderTest, RepeatedNumbersAndNamesAreReported) {
  WindowBuilder b("Twice");
  b.Button(5, "?A", "A");
  b.Button(5, "?B", "B");
  b.Button(0, "?A", "again");
  b.Build();
  EXPECT_EQ(b.Problems(), (std::vector<std::string>{"control number 5 is used twice", "control name ?A is used twice"}));
}

using HeadlessDriverTest = WindowTest;

TEST_F(HeadlessDriverTest, ErrorWindowPrintsWithItsHiddenButtonsAndColumns) {
  const int32_t w = WindowModel::Open(framework::error::ErrorWindowDefinition::Build());
  using framework::error::ErrorWindowDefinition;
  EXPECT_EQ(WindowModel::GetProp(w, ErrorWindowDefinition::ListControl, Prop::ColumnHeader, 2), "Category");
  EXPECT_EQ(WindowModel::GetProp(w, ErrorWindowDefinition::ListControl, Prop::ColumnPicture, 1), "s255");
  EXPECT_EQ(WindowModel::GetProp(w, ErrorWindowDefinition::ListControl, Prop::ColumnHeader, 3), "");
  // The error window places its buttons from the right and feeds its list on demand.
  WindowModel::SetProp(w, 100, Prop::Text, "O&k");
  WindowModel::Unhide(w, 100);
  WindowModel::SetPropInt(w, 100, Prop::Default, 1);
  WindowModel::Select(w, 100);
  WindowModel::SetListSource(w, ErrorWindowDefinition::ListControl, [](int32_t row, int32_t column) -> std::string {
    if (row == -1) return "2";
    if (row == -2) return "2";
    return column == 1 ? "Message " + std::to_string(row) : "File";
  });
  WindowModel::Display(w);
  EXPECT_EQ(HeadlessDriver::Print(w),
            "window \"Error\" 320x96\n"
            "  300 ?IMAGE image\n"
            "  200 ?LIST list rows 2 selected 0\n"
            "      1 | Message 1 | File\n"
            "      2 | Message 2 | File\n"
            "  107 ?BUTTON1 button \"Button 1\" hidden\n"
            "  106 ?BUTTON2 button \"Button 2\" hidden\n"
            "  105 ?BUTTON3 button \"Button 3\" hidden\n"
            "  104 ?BUTTON4 button \"Button 4\" hidden\n"
            "  103 ?BUTTON5 button \"Button 5\" hidden\n"
            "  102 ?BUTTON6 button \"Button 6\" hidden\n"
            "  101 ?BUTTON7 button \"Button 7\" hidden\n"
            "  100 ?BUTTON8 button \"O&k\" default focus\n");
}

TEST_F(HeadlessDriverTest, FrameMenusCarryOutStandardActionsAndReachTheProgram) {
  WindowThread frame;
  frame.Start(Frame(), [](int32_t, const PostedEvent&) { return EventResult::Normal; });
  const int32_t w = Driver->FindWindow("Application");
  ASSERT_NE(w, 0) << Driver->LastFailure();
  EXPECT_EQ(HeadlessDriver::Print(w),
            "window \"Application\" 0x0\n"
            "  -1 ?MENUBAR menubar\n"
            "    -2 ?FILEMENU menu \"&File\"\n"
            "      -3 ?PRINTSETUP item \"&Print Setup ...\" action PrintSetup\n"
            "      -4 item \"-\"\n"
            "      -5 ?EXIT item \"E&xit\" action Exit\n"
            "    -6 ?BROWSEMENU menu \"&Browse\"\n"
            "      -10 ?BROWSEURLLIST item \"Browse the UrlList file\"\n"
            "    -7 ?WINDOWMENU menu \"&Window\"\n"
            "      -8 ?TILE item \"T&ile\" action Tile\n");
  EXPECT_TRUE(Driver->ChooseMenu(w, "Tile")) << Driver->LastFailure();
  EXPECT_TRUE(Driver->ChooseMenu(w, "?BROWSEURLLIST")) << Driver->LastFailure();
  EXPECT_TRUE(Driver->ChooseMenu(w, "Print Setup ...")) << Driver->LastFailure();
  EXPECT_FALSE(Driver->ChooseMenu(w, "&File"));
  EXPECT_EQ(Driver->LastFailure(), "'&File' of window 'Application' is not a menu item");
  ASSERT_TRUE(Driver->WaitIdle()) << Driver->LastFailure();
  EXPECT_EQ(Screen->Actions(), (std::vector<HeadlessFrontEnd::ActionRecord>{{FrameAction::Tile, "Application"},
                                                                           {FrameAction::PrintSetup, "Application"}}));
  bool browseSeen = false;
  for (const PostedEvent& e : frame.Events.All()) browseSeen |= e.Number == Event::Accepted && e.Control == -10;
  EXPECT_TRUE(browseSeen);
  EXPECT_TRUE(Driver->ChooseMenu(w, "Exit")) << Driver->LastFailure();
  EXPECT_TRUE(Driver->WaitClosed(w)) << Driver->LastFailure();
}

// A small form: an address, a count, a list of earlier addresses, OK and Cancel.
struct Form {
  char Url[200] = "";
  int32_t Times = 1;
  std::string Done;
  static WindowDefinition Definition() {
    WindowBuilder b("Form");
    b.Caption("Form").Size(240, 120);
    b.Prompt(0, "?Url:Prompt", "&Url:");
    b.Entry(0, "?Url", "@s199");
    b.Entry(0, "?Times", "@n3");
    b.List(0, "?History", "80L(2)|M~Address~@s80@").At(4, 40, 200, 40);
    b.Button(0, "?OK", "&OK").Default();
    b.Button(0, "?Cancel", "&Cancel");
    b.Button(0, "?Open", "&Open").Disabled();
    return b.Build();
  }
};

TEST_F(HeadlessDriverTest, ScriptedFormRoundTrip) {
  Form form;
  WindowThread thread;
  thread.Start(
      Form::Definition(),
      [&](int32_t w, const PostedEvent& e) {
        const int32_t ok = WindowModel::ControlNumber(w, "?OK");
        const int32_t list = WindowModel::ControlNumber(w, "?History");
        if (e.Number == Event::Accepted && e.Control == ok) WindowModel::SelectForCompletion(w);
        if (e.Number == Event::NewSelection && e.Control == list && WindowModel::KeyCode() == Key::MouseRightUp) {
          const int32_t choice = PopupMenuService::Show("|&Copy|&Forget");
          WindowModel::SetProp(w, WindowModel::ControlNumber(w, "?Url"), Prop::Text,
                               choice == 1 ? WindowModel::ListRows(w, list)[static_cast<size_t>(WindowModel::Choice(w, list) - 1)][0] : "");
        }
        if (e.Number == Event::Completed) {
          form.Done = std::string(form.Url) + " x" + std::to_string(form.Times);
          WindowModel::Post(w, Event::CloseWindow);
        }
        return EventResult::Normal;
      },
      [&](int32_t w) {
        WindowModel::Bind(w, WindowModel::ControlNumber(w, "?Url"), runtime::data::FieldRef::Of(form.Url));
        WindowModel::Bind(w, WindowModel::ControlNumber(w, "?Times"), runtime::data::FieldRef::Of(form.Times));
        WindowModel::SetListRows(w, WindowModel::ControlNumber(w, "?History"), {{"http://a.example"}, {"http://b.example"}});
        WindowModel::Display(w);
      });
  const int32_t w = Driver->FindWindow("Form");
  ASSERT_NE(w, 0) << Driver->LastFailure();
  ASSERT_TRUE(Driver->Type(w, "Times", "3")) << Driver->LastFailure();
  Driver->AnswerPopup("Copy");
  ASSERT_TRUE(Driver->RightClickRow(w, "?History", 2)) << Driver->LastFailure();
  ASSERT_TRUE(Driver->WaitIdle()) << Driver->LastFailure();
  EXPECT_EQ(HeadlessDriver::Print(w),
            "window \"Form\" 240x120\n"
            "  1 ?Url:Prompt prompt \"&Url:\"\n"
            "  2 ?Url entry \"http://b.example\"\n"
            "  3 ?Times entry \"3\"\n"
            "  4 ?History list rows 2 selected 2 focus\n"
            "      1 | http://a.example\n"
            "    > 2 | http://b.example\n"
            "  5 ?OK button \"&OK\" default\n"
            "  6 ?Cancel button \"&Cancel\"\n"
            "  7 ?Open button \"&Open\" disabled\n");
  EXPECT_EQ(std::strlen(form.Url), 0u) << "the screen text reaches the variable only on completion";

  EXPECT_FALSE(Driver->Press(w, "Open"));
  EXPECT_EQ(Driver->LastFailure(), "control ?Open of window 'Form' is disabled");
  EXPECT_FALSE(Driver->Press(w, "?Save"));
  EXPECT_EQ(Driver->LastFailure(),
            "window 'Form' has no control '?Save'; it has ?Url:Prompt, ?Url, ?Times, ?History, ?OK, ?Cancel, ?Open");
  EXPECT_FALSE(Driver->SelectRow(w, "?History", 3));
  EXPECT_EQ(Driver->LastFailure(), "list ?History of window 'Form' has no row 3 (it shows 2)");

  ASSERT_TRUE(Driver->PressKey(w, Key::Enter)) << Driver->LastFailure();
  ASSERT_TRUE(Driver->WaitClosed(w)) << Driver->LastFailure();
  EXPECT_EQ(form.Done, "http://b.example x3");
}

TEST_F(HeadlessDriverTest, KeysBecomeAlertKeysScrollsHelpMenusOrCloses) {
  WindowThread thread;
  thread.Start(Form::Definition(), [](int32_t, const PostedEvent&) { return EventResult::Normal; },
               [](int32_t w) {
                 const int32_t list = WindowModel::ControlNumber(w, "?History");
                 WindowModel::SetPropInt(w, list, Prop::Alert, Key::Insert, 255);
                 WindowModel::SetListRows(w, list, {{"http://a.example"}, {"http://b.example"}});
               });
  const int32_t w = thread.Id;
  ASSERT_TRUE(Driver->Focus(w, "?History")) << Driver->LastFailure();
  ASSERT_TRUE(Driver->PressKey(w, Key::Insert)) << Driver->LastFailure();
  ASSERT_TRUE(Driver->PressKey(w, Key::PgDn)) << Driver->LastFailure();
  // F1 opens the manual from any window; Shift+F10 is the menu key, which asks a list
  // without it as an alert for its context menu on the selected row.
  ASSERT_TRUE(Driver->PressKey(w, Key::F1)) << Driver->LastFailure();
  EXPECT_EQ(Screen->Actions(), (std::vector<HeadlessFrontEnd::ActionRecord>{{FrameAction::HelpContents, "Form"}}));
  ASSERT_TRUE(Driver->SelectRow(w, "?History", 2)) << Driver->LastFailure();
  ASSERT_TRUE(Driver->PressKey(w, Key::Shift + Key::F1 + 9)) << Driver->LastFailure();
  EXPECT_FALSE(Driver->PressKey(w, Key::F1 + 4));
  EXPECT_EQ(Driver->LastFailure(), "key 116 does nothing in window 'Form'");
  // A double click tells the program it was one before the click arrives.
  ASSERT_TRUE(Driver->DoubleClickRow(w, "?History", 1)) << Driver->LastFailure();
  EXPECT_EQ(WindowModel::GetPropInt(w, WindowModel::ControlNumber(w, "?History"), Prop::ListAction), InputRouter::DoubleClickAction);
  ASSERT_TRUE(Driver->PressKey(w, Key::Esc)) << Driver->LastFailure();
  ASSERT_TRUE(Driver->WaitClosed(w)) << Driver->LastFailure();
  std::vector<std::pair<int32_t, int32_t>> seen;
  for (const PostedEvent& e : thread.Events.All())
    if (e.Number == Event::AlertKey || e.Number == Event::PageDown || e.Number == Event::CloseWindow ||
        (e.Number == Event::NewSelection && e.KeyCode == Key::MenuKey) || e.Number == Event::Accepted)
      seen.emplace_back(e.Number, e.KeyCode);
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{{Event::AlertKey, Key::Insert},
                                                            {Event::PageDown, Key::PgDn},
                                                            {Event::NewSelection, Key::MenuKey},
                                                            {Event::Accepted, Key::MouseLeft2},
                                                            {Event::CloseWindow, Key::Esc}}));
}

TEST_F(HeadlessDriverTest, InAnEntryTheCursorKeysStayWithTheEntry) {
  WindowThread thread;
  thread.Start(Form::Definition(), [](int32_t, const PostedEvent&) { return EventResult::Normal; });
  const int32_t w = thread.Id;
  ASSERT_TRUE(Driver->Focus(w, "?Url")) << Driver->LastFailure();
  EXPECT_FALSE(Driver->PressKey(w, Key::Home));
  EXPECT_FALSE(Driver->PressKey(w, Key::End));
}

TEST_F(HeadlessDriverTest, MissingWindowsAndUnansweredBoxesFailAfterTheTimeout) {
  Driver->SetTimeout(30ms);
  WindowModel::Open(Form::Definition());
  EXPECT_EQ(Driver->FindWindow("Nowhere"), 0);
  EXPECT_EQ(Driver->LastFailure(), "no window titled 'Nowhere' within 30 ms; open windows: 'Form'");
  const int32_t w = WindowModel::FindByTitle("Form");
  EXPECT_FALSE(Driver->WaitClosed(w));
  EXPECT_EQ(Driver->LastFailure(), "window 'Form' still open after 30 ms");
  auto failures = Screen->Failures();
  EXPECT_EQ(failures.size(), 2u) << "driver failures are the front end's failures too";
}

}  // namespace
}  // namespace runtime::ui
