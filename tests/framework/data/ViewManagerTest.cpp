// The view manager: the filter and order texts it hands to the view, opening once,
// stepping with CheckRecord, and which way a field sorts in the order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/data/RelationManager.h"
#include "framework/data/ViewManager.h"
#include "runtime/files/View.h"
#include "runtime/files/ViewProperty.h"
#include "tests/framework/data/DataTestFixture.h"

namespace datatest {
namespace {

using framework::data::RelationManager;
using framework::data::ViewManager;
using framework::data::Walk;
using framework::error::LevelNotice;
using framework::error::LevelQuiet;
using runtime::data::FieldRef;
using runtime::files::KeyCase;
using runtime::files::ViewProperty;

class ViewManagerTest : public DataFixture {
 protected:
  // A file keyed on (A, N), with the case rule `keyCase`, open with its managers.
  void Build(KeyCase keyCase = KeyCase::Sensitive) {
    static runtime::files::FileDefinition sensitive = MakeDefinition("VIEWS", {{"ABC:KEYAN", {Asc(FieldA), Asc(FieldN)}}});
    static runtime::files::FileDefinition noCase = [] {
      runtime::files::FileDefinition d = MakeDefinition("VIEWSNC", {{"ABC:KEYAN", {Asc(FieldA), Asc(FieldN)}}});
      d.Keys[0].Case = KeyCase::NoCase;
      return d;
    }();
    T.Bind(keyCase == KeyCase::NoCase ? noCase : sensitive, Errors);
    T.Manager.RegisterKey(1, "By A and N");
    Relations.Init(&T.Manager, framework::data::Logout::Off);
    ASSERT_EQ(Relations.Open(Walk::Top), LevelQuiet);
    TheView.Init(T.File);
    Views.Init(TheView, Relations, nullptr);
    Views.AddOrder(1);
  }
  void TearDown() override {
    Views.Teardown();
    TheView.Teardown();
    Relations.Close(Walk::Top);
    Relations.Teardown();
    T.Manager.Teardown();
    DataFixture::TearDown();
  }
  // Adds a range pair (limit variable, value last applied).
  void AddPair(FieldRef left, FieldRef right) { Views.CurrentOrder()->RangeList->LinkFields(left, right); }

  TestFile T;
  RelationManager Relations;
  runtime::files::View TheView;
  ViewManager Views;
};

TEST_F(ViewManagerTest, FilterTextQuotesTextLimitsAndJoinsFiltersInDescendingIdOrder) {
  Build();
  char a[16] = "O'Neil";
  char applied[16] = "O'Neil";
  AddPair(FieldRef::Of(a), FieldRef::Of(applied));
  Views.CurrentOrder()->LimitType = ViewManager::LimitFixed;
  EXPECT_EQ(Views.BuildFilter(), "ABC:A = 'O''Neil'");

  Views.SetNamedFilter("ABC:N > 0");
  Views.SetNamedFilter("ABC:B = 'q'", "9 - QBE");
  EXPECT_EQ(Views.BuildFilter(), "ABC:A = 'O''Neil' AND (ABC:B = 'q') AND (ABC:N > 0)");

  Views.SetNamedFilter("");
  Views.CurrentOrder()->LimitType = ViewManager::LimitNone;
  EXPECT_EQ(Views.BuildFilter(), "(ABC:B = 'q')");
  Views.SetNamedFilter("", "9 - QBE");
  EXPECT_EQ(Views.BuildFilter(), "");
  // The view takes the text as it is built.
  EXPECT_EQ(Views.Open(), LevelQuiet);
  EXPECT_EQ(TheView.Property(ViewProperty::Filter), "");
}

TEST_F(ViewManagerTest, CaseFreeKeyWrapsTheQuotedValueInUpper) {
  Build(KeyCase::NoCase);
  char a[16] = "O'Neil";
  char applied[16] = "O'Neil";
  AddPair(FieldRef::Of(a), FieldRef::Of(applied));
  Views.CurrentOrder()->LimitType = ViewManager::LimitFixedWatched;
  EXPECT_EQ(Views.BuildFilter(), "UPPER(ABC:A) = UPPER('O''Neil')");
}

TEST_F(ViewManagerTest, PairRangeLimitsTheComponentAfterTheFixedOnes) {
  Build();
  char a[16] = "x", aApplied[16] = "x";
  int32_t low = 1, lowApplied = 1, high = 9, highApplied = 9;
  AddPair(FieldRef::Of(a), FieldRef::Of(aApplied));
  AddPair(FieldRef::Of(low), FieldRef::Of(lowApplied));
  AddPair(FieldRef::Of(high), FieldRef::Of(highApplied));
  Views.CurrentOrder()->LimitType = ViewManager::LimitPair;
  Views.SetNamedFilter("ABC:N > 0");
  EXPECT_EQ(Views.BuildFilter(), "ABC:A = 'x' AND ABC:N >= 1 AND ABC:N <= 9 AND (ABC:N > 0)");
  // The key has no component after the limited one.
  EXPECT_EQ(Views.GetFreeElementPosition(), 0u);

  // A changed upper limit is applied and the filter sent again.
  EXPECT_EQ(Views.Open(), LevelQuiet);
  EXPECT_FALSE(Views.ResetRequired());
  high = 5;
  EXPECT_TRUE(Views.ResetRequired());
  EXPECT_EQ(highApplied, 5);
  EXPECT_EQ(TheView.Property(ViewProperty::Filter), "ABC:A = 'x' AND ABC:N >= 1 AND ABC:N <= 5 AND (ABC:N > 0)");
}

TEST_F(ViewManagerTest, ExtendOrderAppendsOrReplacesWithStar) {
  Build();
  EXPECT_EQ(Views.CurrentOrder()->Order, "ABC:A,ABC:N");
  Views.SetOrderText("A");
  Views.ExtendOrder("X");
  EXPECT_EQ(Views.CurrentOrder()->Order, "A,X");
  Views.ExtendOrder("*Y");
  EXPECT_EQ(Views.CurrentOrder()->Order, "Y");
  Views.SetOrderText("");
  Views.ExtendOrder("Z");
  EXPECT_EQ(Views.CurrentOrder()->Order, "Z");
}

TEST_F(ViewManagerTest, OpenTwiceOpensTheViewOnceAndAcceptsAViewAlreadyOpen) {
  Build();
  EXPECT_EQ(Views.Open(), LevelQuiet);
  EXPECT_EQ(Views.Opened, 1);
  EXPECT_EQ(Views.Open(), LevelQuiet);
  EXPECT_EQ(Views.Opened, 1);
  Views.Close();
  EXPECT_FALSE(TheView.IsOpen());

  // Opened by someone else: accepted without a message, and not closed by this manager.
  ASSERT_EQ(TheView.Open(ViewManager::ViewOpenMode), 0);
  EXPECT_EQ(Views.Open(), LevelQuiet);
  EXPECT_EQ(Views.Opened, 0);
  EXPECT_TRUE(Errors.Titles().empty());
  Views.Close();
  EXPECT_TRUE(TheView.IsOpen());
}

// Skips names starting with "s" and ends the range at "stop".
class CheckingViews : public ViewManager {
 public:
  explicit CheckingViews(char* name) : Name(name) {}
  int32_t CheckRecord() override {
    if (std::string(Name) == "m") return RecordOutOfRange;
    return Name[0] == 's' ? RecordSkipped : RecordInRange;
  }
  char* Name;
};

TEST_F(ViewManagerTest, NextSkipsRecordsCheckRecordSkipsAndStopsAtTheRangeEnd) {
  Build();
  for (const char* name : {"a", "sb", "c", "m", "z"}) ASSERT_EQ(T.Add(name, "", "", 1), LevelQuiet);
  CheckingViews views(T.Record.A);
  views.Init(TheView, Relations, nullptr);
  views.AddOrder(1);
  EXPECT_EQ(views.Reset(), LevelQuiet);
  std::vector<std::string> read;
  while (views.Next() == LevelQuiet) read.push_back(T.Record.A);
  EXPECT_EQ(read, (std::vector<std::string>{"a", "c"}));
  views.Teardown();
}

TEST_F(ViewManagerTest, FieldSortsDescendingOnlyAfterAMinusSign) {
  Build(KeyCase::NoCase);
  struct Case {
    const char* Order;
    bool AAscending;
  } cases[] = {
      {"UPPER(ABC:A),ABC:N", true}, {"-UPPER(ABC:A)", false}, {"+ABC:N,-ABC:A", false},
      {"-ABC:N,ABC:A", true},       {"-ABC:AB", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Order);
    Views.SetOrderText(c.Order);
    EXPECT_EQ(Views.Open(), LevelQuiet);
    EXPECT_EQ(Views.FieldSortsAscending(FieldRef::Of(T.Record.A)), c.AAscending);
  }
}

}  // namespace
}  // namespace datatest
