// The relation manager: restrict, clear and cascade through two levels of related
// files, transactions rolled back on failure, drivers without transactions, and the
// message for a record another station changed.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/data/RelationManager.h"
#include "framework/data/UseType.h"
#include "framework/error/Buttons.h"
#include "runtime/files/Transaction.h"
#include "tests/framework/data/DataTestFixture.h"

namespace datatest {
namespace {

using framework::data::RelationManager;
using framework::data::RelationMode;
using framework::data::UpdateSource;
using framework::data::Walk;
using framework::error::LevelNotice;
using framework::error::LevelQuiet;
using runtime::data::FieldRef;
using runtime::files::KeyDuplicates;
using runtime::files::KeyRole;

// A relation manager whose relations a test supplies.
class TreeRelations : public RelationManager {
 public:
  std::function<void(TreeRelations&)> Relations;
  void AddDeferredRelations() override {
    if (Relations) Relations(*this);
  }
};

// Which files of the tree are stored through the fault driver (DataFixture::Faults).
enum class Faulty { None, Parent, All };

std::string DriverOf(bool faulty) {
  return faulty ? FaultDriverName : runtime::files::FileDefinition::DefaultDriver;
}

// Parent (A), child (A, B), grandchild (A, B, C); each file's key starts with its
// parent's key.
class RelationManagerTest : public DataFixture {
 protected:
  void Build(uint8_t childUpdate, uint8_t childDelete, uint8_t grandUpdate, uint8_t grandDelete,
             Faulty faulty = Faulty::None) {
    const auto sharing = runtime::files::FileSharing::PerThread;
    ParentDef = MakeDefinition("PARENT", {{"ABC:KEYA", {Asc(FieldA)}, KeyDuplicates::Unique, KeyRole::Primary}},
                               sharing, DriverOf(faulty != Faulty::None));
    ChildDef = MakeDefinition("CHILD", {{"ABC:KEYAB", {Asc(FieldA), Asc(FieldB)}, KeyDuplicates::Unique, KeyRole::Primary}},
                              sharing, DriverOf(faulty == Faulty::All));
    GrandDef = MakeDefinition(
        "GRAND", {{"ABC:KEYABC", {Asc(FieldA), Asc(FieldB), Asc(FieldC)}, KeyDuplicates::Unique, KeyRole::Primary}},
        sharing, DriverOf(faulty == Faulty::All));
    Parent.Bind(ParentDef, Errors);
    Child.Bind(ChildDef, Errors);
    Grand.Bind(GrandDef, Errors);
    Parent.Manager.RegisterKey(1, "Parent:KeyA", 0);
    Child.Manager.RegisterKey(1, "Child:KeyAB", 0);
    Grand.Manager.RegisterKey(1, "Grand:KeyABC", 0);
    ParentRel.Init(&Parent.Manager, framework::data::Logout::On);
    ChildRel.Init(&Child.Manager, framework::data::Logout::On);
    GrandRel.Init(&Grand.Manager, framework::data::Logout::On);
    ParentRel.Relations = [=, this](TreeRelations& self) {
      self.AddRelation(ChildRel, 1, childUpdate, childDelete,
                       {{FieldRef::Of(Parent.Record.A), FieldRef::Of(Child.Record.A)}});
    };
    ChildRel.Relations = [=, this](TreeRelations& self) {
      self.AddRelation(GrandRel, 1, grandUpdate, grandDelete,
                       {{FieldRef::Of(Child.Record.A), FieldRef::Of(Grand.Record.A)},
                        {FieldRef::Of(Child.Record.B), FieldRef::Of(Grand.Record.B)}});
    };
    Fill();
  }

  void Fill() {
    for (TestFile* f : {&Parent, &Child, &Grand}) EXPECT_EQ(f->Manager.Open(), LevelQuiet);
    for (const char* p : {"P1", "P2"}) ASSERT_EQ(Parent.Add(p, "", "", 0), LevelQuiet);
    for (auto [a, b] : std::vector<std::pair<const char*, const char*>>{{"P1", "c1"}, {"P1", "c2"}, {"P2", "c1"}}) {
      ASSERT_EQ(Child.Add(a, b, "", 0), LevelQuiet);
    }
    for (auto [a, b, c] : std::vector<std::tuple<const char*, const char*, const char*>>{
             {"P1", "c1", "g1"}, {"P1", "c1", "g2"}, {"P1", "c2", "g1"}, {"P2", "c1", "g1"}}) {
      ASSERT_EQ(Grand.Add(a, b, c, 0), LevelQuiet);
    }
    for (TestFile* f : {&Parent, &Child, &Grand}) f->Manager.Close();
  }

  // Every record of a file as "A/B/C" in key order.
  std::vector<std::string> Dump(TestFile& f) {
    std::vector<std::string> rows;
    EXPECT_EQ(f.Manager.Open(), LevelQuiet);
    EXPECT_EQ(f.Manager.EnsureUsable(framework::data::UseType::Window), LevelQuiet);
    f.File.ClearBuffer();
    f.File.SetKeyPosition(1);
    while (f.Manager.NextQuiet() == LevelQuiet) {
      std::string row = f.Record.A;
      if (&f != &Parent) row += std::string("/") + f.Record.B;
      if (&f == &Grand) row += std::string("/") + f.Record.C;
      rows.push_back(row);
    }
    f.Manager.Close();
    return rows;
  }

  // Reads parent `a` as a window would, remembering its linking values.
  void ReadParent(const char* a) {
    ASSERT_EQ(ParentRel.Open(Walk::Top), LevelQuiet);
    Parent.Set(a, "", "", 0);
    ASSERT_EQ(Parent.Manager.Fetch(1), LevelQuiet);
    ParentRel.SaveLinkValues();
  }

  runtime::files::FileDefinition ParentDef, ChildDef, GrandDef;
  TestFile Parent, Child, Grand;
  TreeRelations ParentRel, ChildRel, GrandRel;
};

using V = std::vector<std::string>;

TEST_F(RelationManagerTest, CascadedUpdateReachesGrandchildren) {
  Build(RelationMode::Cascade, RelationMode::None, RelationMode::Cascade, RelationMode::None);
  ReadParent("P1");
  FieldRef::Of(Parent.Record.A).SetText("P9");
  EXPECT_EQ(ParentRel.Update(UpdateSource::Program), LevelQuiet);
  ParentRel.Close(Walk::Top);
  EXPECT_EQ(Dump(Parent), (V{"P2", "P9"}));
  EXPECT_EQ(Dump(Child), (V{"P2/c1", "P9/c1", "P9/c2"}));
  EXPECT_EQ(Dump(Grand), (V{"P2/c1/g1", "P9/c1/g1", "P9/c1/g2", "P9/c2/g1"}));
  EXPECT_TRUE(Errors.Boxes().empty());
  EXPECT_FALSE(runtime::files::Transaction::Active());
}

TEST_F(RelationManagerTest, RestrictedGrandchildrenUndoTheWholeUpdate) {
  Build(RelationMode::Cascade, RelationMode::None, RelationMode::Restrict, RelationMode::None);
  ReadParent("P1");
  FieldRef::Of(Parent.Record.A).SetText("P9");
  EXPECT_EQ(ParentRel.Update(UpdateSource::Program), LevelNotice);
  EXPECT_STREQ(Parent.Record.A, "P1");  // the linking field has its old value again
  ParentRel.Close(Walk::Top);
  ASSERT_EQ(Errors.Titles(), V{"Referential Integrity Update Error"});
  EXPECT_EQ(Errors.Boxes()[0].Text,
            "This record is referenced from the file GRAND.vkdb. Linking field(s) have been restricted from change "
            "and have been reset to original values.");
  // Rolled back: the parent and the child already changed are as they were.
  EXPECT_EQ(Dump(Parent), (V{"P1", "P2"}));
  EXPECT_EQ(Dump(Child), (V{"P1/c1", "P1/c2", "P2/c1"}));
  EXPECT_EQ(Dump(Grand), (V{"P1/c1/g1", "P1/c1/g2", "P1/c2/g1", "P2/c1/g1"}));
  EXPECT_FALSE(runtime::files::Transaction::Active());
}

TEST_F(RelationManagerTest, ClearedChildrenLoseTheirLink) {
  Build(RelationMode::Clear, RelationMode::None, RelationMode::None, RelationMode::None);
  ReadParent("P2");
  FieldRef::Of(Parent.Record.A).SetText("P3");
  EXPECT_EQ(ParentRel.Update(UpdateSource::Program), LevelQuiet);
  ParentRel.Close(Walk::Top);
  EXPECT_EQ(Dump(Child), (V{"/c1", "P1/c1", "P1/c2"}));
}

TEST_F(RelationManagerTest, CascadedDeleteRemovesChildrenAndGrandchildren) {
  Build(RelationMode::None, RelationMode::Cascade, RelationMode::None, RelationMode::Cascade);
  ReadParent("P1");
  Errors.Answer(framework::error::Button::Yes);
  EXPECT_EQ(ParentRel.Delete(framework::data::ConfirmDelete::Ask), LevelQuiet);
  ParentRel.Close(Walk::Top);
  EXPECT_EQ(Errors.Titles(), V{"Confirm Delete"});
  EXPECT_EQ(Dump(Parent), (V{"P2"}));
  EXPECT_EQ(Dump(Child), (V{"P2/c1"}));
  EXPECT_EQ(Dump(Grand), (V{"P2/c1/g1"}));
}

TEST_F(RelationManagerTest, RestrictedDeleteKeepsEverythingAndDoesNotAskToRetry) {
  Build(RelationMode::None, RelationMode::Cascade, RelationMode::None, RelationMode::Restrict);
  ReadParent("P1");
  EXPECT_EQ(ParentRel.Delete(framework::data::ConfirmDelete::No), LevelNotice);
  ParentRel.Close(Walk::Top);
  EXPECT_EQ(Errors.Titles(), V{"Referential Integrity Delete Error"});
  EXPECT_EQ(Dump(Parent), (V{"P1", "P2"}));
  EXPECT_EQ(Dump(Child), (V{"P1/c1", "P1/c2", "P2/c1"}));
  EXPECT_EQ(Dump(Grand).size(), 4u);
  EXPECT_FALSE(runtime::files::Transaction::Active());
}

TEST_F(RelationManagerTest, ADriverWithoutTransactionsUpdatesWithoutThem) {
  Faults->SetTransactions(testsupport::Transactions::Unsupported);
  Build(RelationMode::None, RelationMode::None, RelationMode::None, RelationMode::None, Faulty::Parent);
  ReadParent("P2");
  runtime::data::FieldRef::Of(Parent.Record.B).SetText("noted");
  EXPECT_EQ(ParentRel.Update(UpdateSource::Form), LevelQuiet);
  EXPECT_EQ(ParentRel.UseLogout, 0);
  ParentRel.Close(Walk::Top);
  EXPECT_TRUE(Errors.Boxes().empty());
  EXPECT_EQ(Parent.Manager.Open(), LevelQuiet);
  Parent.Set("P2", "", "", 0);
  ASSERT_EQ(Parent.Manager.Fetch(1), LevelQuiet);
  EXPECT_STREQ(Parent.Record.B, "noted");
  Parent.Manager.Close();
}

// The storage refuses a write in the middle of a cascade, or the commit at its end:
// the tree stays as it was and the storage's own error is reported.
TEST_F(RelationManagerTest, AChildDeleteTheStorageRefusesLeavesTheTreeAsItWas) {
  Build(RelationMode::None, RelationMode::Cascade, RelationMode::None, RelationMode::Cascade, Faulty::All);
  ReadParent("P1");
  // The first delete of the walk is a grandchild's; the parent's would come last.
  Faults->Fail(testsupport::DriverOperation::Delete, runtime::files::DriverStatus::Error(C::DriverError, "13", "disk full"), 1);
  EXPECT_NE(ParentRel.Delete(framework::data::ConfirmDelete::No), LevelQuiet);
  ParentRel.Close(Walk::Top);
  ASSERT_EQ(Errors.Titles(), V{"Record was not deleted"});
  EXPECT_EQ(Errors.Boxes()[0].Text,
            "An error (disk full (13)) was experienced when deleting a record from the GRAND.vkdb file.");
  EXPECT_EQ(Dump(Parent), (V{"P1", "P2"}));
  EXPECT_EQ(Dump(Child), (V{"P1/c1", "P1/c2", "P2/c1"}));
  EXPECT_EQ(Dump(Grand), (V{"P1/c1/g1", "P1/c1/g2", "P1/c2/g1", "P2/c1/g1"}));
  EXPECT_FALSE(runtime::files::Transaction::Active());
}

TEST_F(RelationManagerTest, ACommitTheStorageRefusesLeavesTheCascadedUpdateUndone) {
  Build(RelationMode::Cascade, RelationMode::None, RelationMode::Cascade, RelationMode::None, Faulty::All);
  ReadParent("P1");
  FieldRef::Of(Parent.Record.A).SetText("P9");
  // The first file's commit fails; the files not yet committed are rolled back.
  Faults->Fail(testsupport::DriverOperation::Commit, runtime::files::DriverStatus::Error(C::DriverError, "13", "disk full"), 1);
  EXPECT_NE(ParentRel.Update(UpdateSource::Program), LevelQuiet);
  ParentRel.Close(Walk::Top);
  ASSERT_EQ(Errors.Titles(), V{"Transaction cancelled"});
  EXPECT_EQ(Errors.Boxes()[0].Text, "Error: (disk full (13)) attempting to frame the transaction on PARENT.vkdb.");
  EXPECT_EQ(Dump(Parent), (V{"P1", "P2"}));
  EXPECT_EQ(Dump(Child), (V{"P1/c1", "P1/c2", "P2/c1"}));
  EXPECT_EQ(Dump(Grand), (V{"P1/c1/g1", "P1/c1/g2", "P1/c2/g1", "P2/c1/g1"}));
  EXPECT_FALSE(runtime::files::Transaction::Active());
}

TEST_F(RelationManagerTest, OpeningTheTreeOpensEachRelatedFileOnceAndClosesItAgain) {
  Build(RelationMode::Cascade, RelationMode::Cascade, RelationMode::Cascade, RelationMode::Cascade);
  // A cycle back to the parent is visited once per walk.
  GrandRel.Relations = [this](TreeRelations& self) {
    self.AddRelation(ParentRel, 0, RelationMode::None, RelationMode::None,
                     {{FieldRef::Of(Grand.Record.A), FieldRef::Of(Parent.Record.A)}});
  };
  ASSERT_EQ(ParentRel.ForceOpen(Walk::Top), LevelQuiet);
  EXPECT_EQ(Parent.Manager.GetOpened(), 1);
  EXPECT_EQ(Child.Manager.GetOpened(), 1);
  EXPECT_EQ(Grand.Manager.GetOpened(), 1);
  ParentRel.Close(Walk::Top);
  EXPECT_EQ(Parent.Manager.GetOpened(), 0);
  EXPECT_EQ(Child.Manager.GetOpened(), 0);
  EXPECT_EQ(Grand.Manager.GetOpened(), 0);
}

// Another station changes the record between reading and saving: the form is told
// that their version is now shown.
TEST_F(RelationManagerTest, AFormSavingARecordChangedElsewhereIsShownTheOtherVersion) {
  TestFile edits;
  edits.Bind(SharedEditDefinition(), Errors);
  edits.Manager.RegisterKey(1, "Edits", 0);
  TreeRelations relations;
  relations.Init(&edits.Manager, framework::data::Logout::On);
  ASSERT_EQ(relations.Open(Walk::Top), LevelQuiet);
  ASSERT_EQ(edits.Add("row", "", "", 1), LevelQuiet);
  edits.Set("row", "", "", 0);
  edits.File.Watch();
  ASSERT_EQ(edits.Manager.Fetch(1), LevelQuiet);
  ASSERT_EQ(WaitHelper(StartHelper("DataStation", {"edit", "row", "33"})), 0);
  edits.Record.N = 2;
  EXPECT_EQ(relations.Update(UpdateSource::Form), LevelNotice);
  EXPECT_EQ(edits.Record.N, 33);
  ASSERT_EQ(Errors.Boxes().size(), 1u);
  EXPECT_EQ(Errors.Boxes()[0].Text,
            "This record was changed by another station. Those changes will now be displayed. Use the Ditto Button "
            "or Ctrl+H to recall your changes.");
  EXPECT_FALSE(runtime::files::Transaction::Active());
  relations.Close(Walk::Top);
  relations.Teardown();
}

}  // namespace
}  // namespace datatest
