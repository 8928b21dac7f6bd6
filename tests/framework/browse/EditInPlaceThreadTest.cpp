// A browse without an update procedure edits its rows inside the list: the editor over
// one cell, the keys that move it and end the row, the questions and the save through
// the relation manager, and the browse's own keys suspended while a row is edited.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "framework/browse/EditInPlaceControl.h"
#include "framework/data/FileUsageRegistry.h"
#include "framework/error/Buttons.h"
#include "framework/error/ErrorStatus.h"
#include "runtime/core/PerThread.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/headless/HeadlessDriver.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"
#include "tests/support/BrowseTestWindow.h"
#include "tests/support/BrowseThreadFixture.h"

namespace framework::browse {
namespace {

using namespace std::chrono_literals;
using framework::error::Button;
using runtime::ui::Key;
using runtime::ui::Prop;
using runtime::ui::WindowModel;
using testsupport::BrowseTestWindow;
using Rows = std::vector<std::string>;

const Rows Alphabet = {"ALPHA", "BETA", "BRAVO", "CHARLIE", "DELTA", "ECHO", "FOXTROT", "GOLF"};
constexpr const char* NameEditor = "?EditInPlace:1";
constexpr const char* CountEditor = "?EditInPlace:2";

class EditInPlaceThreadTest : public testsupport::BrowseThreadFixture {
 protected:
  void SetUp() override {
    BrowseThreadFixture::SetUp();
    Seed(Alphabet);
  }
  void Start(BrowseTestWindow::Options options) {
    options.InPlace = true;
    BrowseThreadFixture::Start(std::move(options));
  }
  void Press(const char* button) {
    ASSERT_TRUE(Driver->Press(Window, button).Ok) << Driver->LastFailure();
    Idle();
  }
  void Type(const char* editor, const char* text) {
    ASSERT_TRUE(Driver->Type(Window, editor, text).Ok) << Driver->LastFailure();
    Idle();
  }
  // "NAME=COUNT" for each row shown.
  Rows Shown() const {
    Rows rows;
    for (const auto& row : WindowModel::ListRows(Window, List))
      rows.push_back(row.size() < 2 ? "?" : row[0] + "=" + row[1]);
    return rows;
  }
  // The editor with the focus ("" when the focus is elsewhere).
  std::string Editing() const {
    const auto focus = static_cast<int32_t>(WindowModel::GetPropInt(Window, 0, Prop::Focus));
    const std::string name = WindowModel::GetProp(Window, focus, Prop::Name);
    return name.rfind(EditInPlaceControl::NamePrefix, 0) == 0 ? name : "";
  }
  size_t Asked(const std::string& title) {
    size_t n = 0;
    for (const std::string& shown : Errors.Titles())
      if (shown.rfind(title + ":", 0) == 0) ++n;
    return n;
  }
  // What another station stores for `name` now.
  void ChangeElsewhere(const char* name, int32_t count) {
    testsupport::NameFile other(Errors);
    ASSERT_EQ(other.Open(), framework::error::LevelQuiet);
    other.SetName(name);
    ASSERT_EQ(other.Manager.Fetch(testsupport::KeyName), framework::error::LevelQuiet);
    other.Record.Count = count;
    ASSERT_EQ(other.Manager.Update(), framework::error::LevelQuiet);
    other.Relations.Close(framework::data::Walk::Top);
  }
};

TEST_F(EditInPlaceThreadTest, ChangeMovesBetweenColumnsAndEnterSavesWithoutAsking) {
  Start({});
  Select(2);
  Press("?Change");
  EXPECT_EQ(Editing(), NameEditor);
  // The list's double click and click are the editor's while it is open.
  EXPECT_EQ(WindowModel::GetPropInt(Window, List, Prop::Alert, 252), 0);
  EXPECT_EQ(WindowModel::GetPropInt(Window, List, Prop::EditControl, 1),
            WindowModel::ControlNumber(Window, NameEditor));
  Type(NameEditor, "BETTY");
  Key(Key::Tab);
  EXPECT_EQ(Editing(), CountEditor);
  EXPECT_EQ(WindowModel::GetPropInt(Window, List, Prop::EditControl, 1), 0);
  Type(CountEditor, "42");
  Key(Key::Shift + Key::Tab);
  EXPECT_EQ(Editing(), NameEditor);
  EXPECT_EQ(Shown()[1], "BETTY=42");
  Key(Key::Enter);
  EXPECT_EQ(Editing(), "");
  EXPECT_EQ(Asked("Save Record"), 0u);
  EXPECT_EQ(Shown(), (Rows{"ALPHA=0", "BETTY=42", "BRAVO=2", "CHARLIE=3", "DELTA=4"}));
  EXPECT_EQ(Selected(), 2);
  EXPECT_EQ(WindowModel::ControlNumber(Window, NameEditor), 0);
  EXPECT_EQ(WindowModel::GetPropInt(Window, List, Prop::Alert, 252), Key::MouseLeft2);

  // An unchanged row is left without a save or a question, whatever the key.
  Press("?Change");
  Key(Key::Tab);
  Key(Key::Tab);  // past the last column: TabAction 0 would ask, but nothing changed
  EXPECT_EQ(Editing(), "");
  EXPECT_EQ(Asked("Save Record"), 0u);
}

TEST_F(EditInPlaceThreadTest, TabPastTheLastColumnAsksAndEscRemovesANewRow) {
  Start({});
  Select(3);
  Press("?Insert");
  EXPECT_EQ(Editing(), NameEditor);
  EXPECT_EQ(Shown(), (Rows{"ALPHA=0", "BETA=1", "BRAVO=2", "=0", "CHARLIE=3"}));
  EXPECT_EQ(Selected(), 4);
  Type(NameEditor, "BUZZ");
  Key(Key::Tab);
  Type(CountEditor, "7");

  Errors.QueueAnswer(Button::Cancel);  // Cancel keeps editing
  Key(Key::Tab);
  EXPECT_EQ(Asked("Save Record"), 1u);
  EXPECT_EQ(Editing(), NameEditor);
  Errors.QueueAnswer(Button::No);  // No abandons: the new row goes
  Key(Key::Tab);
  Key(Key::Tab);
  EXPECT_EQ(Asked("Save Record"), 2u);
  EXPECT_EQ(Editing(), "");
  EXPECT_EQ(Shown(), (Rows{"ALPHA=0", "BETA=1", "BRAVO=2", "CHARLIE=3", "DELTA=4"}));

  Press("?Insert");
  Type(NameEditor, "BUZZ");
  Key(Key::Esc);
  EXPECT_EQ(Editing(), "");
  EXPECT_EQ(Asked("Save Record"), 2u);
  EXPECT_EQ(Shown(), (Rows{"ALPHA=0", "BETA=1", "BRAVO=2", "CHARLIE=3", "DELTA=4"}));

  Select(3);
  Press("?Insert");
  Type(NameEditor, "BUZZ");
  Key(Key::Tab);
  Type(CountEditor, "7");
  Errors.QueueAnswer(Button::Yes);
  Key(Key::Tab);
  EXPECT_EQ(Editing(), "");
  EXPECT_EQ(Shown(), (Rows{"ALPHA=0", "BETA=1", "BRAVO=2", "BUZZ=7", "CHARLIE=3"}));
}

TEST_F(EditInPlaceThreadTest, DuplicateKeyKeepsTheRowAndARequiredColumnKeepsTheEditor) {
  BrowseTestWindow::Options options;
  options.NameRequired = true;
  Start(std::move(options));
  Press("?Insert");
  Key(Key::Tab);  // the name left empty
  Type(CountEditor, "5");
  Key(Key::Enter);
  EXPECT_EQ(Editing(), NameEditor);
  Type(NameEditor, "alpha");  // the key is case-free: ALPHA exists
  Key(Key::Enter);
  EXPECT_EQ(Asked("Duplicate Key Error"), 1u);
  EXPECT_EQ(Editing(), NameEditor);
  Type(NameEditor, "ABLE");
  Key(Key::Enter);
  EXPECT_EQ(Editing(), "");
  EXPECT_EQ(Shown()[Selected() - 1], "ABLE=5");
}

TEST_F(EditInPlaceThreadTest, RecordChangedByAnotherStationIsShownAndTheNextSaveWins) {
  Start({});
  Select(2);
  Press("?Change");
  Key(Key::Tab);
  Type(CountEditor, "11");
  ChangeElsewhere("BETA", 77);
  Key(Key::Enter);
  EXPECT_EQ(Asked("Record Was Not Updated"), 1u);
  // As in a form: the other station's version is shown and the edit goes on.
  EXPECT_NE(Editing(), "");
  EXPECT_EQ(Shown()[1], "BETA=77");
  Key(Key::Tab);
  Type(CountEditor, "12");
  Key(Key::Enter);
  EXPECT_EQ(Editing(), "");
  EXPECT_EQ(Shown()[1], "BETA=12");
}

TEST_F(EditInPlaceThreadTest, ArrowsGoOnWithTheNeighbouringRecordAndDeleteAsksFirst) {
  BrowseTestWindow::Options options;
  options.ArrowAction = 1 | 8 | 16;  // save, go on with the next record, keep the column
  options.DeleteAction = 4;          // ask "Confirm Delete"
  Start(std::move(options));
  Select(1);
  Press("?Change");
  Key(Key::Tab);
  Type(CountEditor, "100");
  Key(Key::Down);
  EXPECT_EQ(Selected(), 2);
  EXPECT_EQ(Editing(), CountEditor);
  Type(CountEditor, "101");
  Key(Key::Up);
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(Editing(), CountEditor);
  Key(Key::Esc);
  EXPECT_EQ(Shown(), (Rows{"ALPHA=100", "BETA=101", "BRAVO=2", "CHARLIE=3", "DELTA=4"}));

  Select(3);
  Errors.QueueAnswer(Button::No);
  Press("?Delete");
  EXPECT_EQ(Asked("Confirm Delete"), 1u);
  EXPECT_EQ(Shown().size(), 5u);
  EXPECT_EQ(Shown()[2], "BRAVO=2");
  Errors.QueueAnswer(Button::Yes);
  Press("?Delete");
  EXPECT_EQ(Shown(), (Rows{"ALPHA=100", "BETA=101", "CHARLIE=3", "DELTA=4", "ECHO=5"}));
}

TEST_F(EditInPlaceThreadTest, ClickOnAnotherRowSavesAndSelectsIt) {
  Start({});
  Select(1);
  Press("?Change");
  Key(Key::Tab);
  Type(CountEditor, "9");
  Select(4);
  EXPECT_EQ(Editing(), "");
  EXPECT_EQ(Selected(), 4);
  EXPECT_EQ(Shown()[0], "ALPHA=9");
}

}  // namespace
}  // namespace framework::browse
