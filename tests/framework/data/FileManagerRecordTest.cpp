// Record operations of the file manager: automatic numbering (groups, descending
// components, two stations at once), reading to the end, duplicates, changes made by
// another station, deleting, and the key lists other parts read.

#include <gtest/gtest.h>

#include <set>

#include "framework/data/UseType.h"
#include "framework/error/Buttons.h"
#include "framework/error/MessageId.h"
#include "tests/framework/data/DataTestFixture.h"

namespace datatest {
namespace {

using framework::data::UseType;
using framework::error::LevelDeclined;
using framework::error::LevelNotice;
using framework::error::LevelQuiet;
using framework::error::MessageId;
using runtime::files::KeyDuplicates;
using runtime::files::KeyRole;

struct NumberingCase {
  const char* Name;
  std::vector<KeySpec> Keys;
  uint8_t Component;  // the numbered component of key 1
  std::vector<std::pair<std::string, int32_t>> Existing;  // (A, N)
  std::string NewA;
  int32_t Expected;
};

class AutoNumberingTest : public DataFixture, public ::testing::WithParamInterface<NumberingCase> {};

TEST_P(AutoNumberingTest, NumbersOneAboveTheHighestInTheGroup) {
  const NumberingCase& c = GetParam();
  const auto definition = MakeDefinition(std::string("NUM") + c.Name, c.Keys);
  TestFile t;
  t.Bind(definition, Errors);
  t.Manager.RegisterKey(1, "Numbered", c.Component);
  EXPECT_EQ(t.Manager.Open(), LevelQuiet);
  ASSERT_EQ(t.Manager.EnsureUsable(UseType::Window), LevelQuiet);
  // Existing records are written as they are (numbering would replace N).
  for (const auto& [a, n] : c.Existing) {
    t.Set(a, "", "", n);
    ASSERT_EQ(t.File.Add(), 0);
  }
  t.Set(c.NewA, "", "", 0);
  ASSERT_EQ(t.Manager.Insert(), LevelQuiet);
  EXPECT_EQ(t.Record.N, c.Expected);
  EXPECT_STREQ(t.Record.A, c.NewA.c_str());
  EXPECT_EQ(t.Manager.GetAutoIncDone(), 0);
  // The record is stored with its number.
  t.Set(c.NewA, "", "", c.Expected);
  EXPECT_EQ(t.Manager.FetchQuiet(1), LevelQuiet);
  EXPECT_TRUE(Errors.Boxes().empty());
  t.Manager.Close();
}

const std::vector<KeySpec> SingleKey{{"ABC:KEYN", {Asc(FieldN)}, KeyDuplicates::Unique, KeyRole::Primary}};
const std::vector<KeySpec> DescendingKey{{"ABC:KEYND", {Desc(FieldN)}}};
const std::vector<KeySpec> GroupKey{{"ABC:KEYAN", {Asc(FieldA), Asc(FieldN)}}};
const std::vector<KeySpec> GroupDescendingKey{{"ABC:KEYAND", {Asc(FieldA), Desc(FieldN)}}};

INSTANTIATE_TEST_SUITE_P(
    Cases, AutoNumberingTest,
    ::testing::Values(
        NumberingCase{"Empty", SingleKey, 1, {}, "x", 1},
        NumberingCase{"AfterSeven", SingleKey, 1, {{"a", 3}, {"b", 7}, {"c", 5}}, "x", 8},
        NumberingCase{"Descending", DescendingKey, 1, {{"a", 3}, {"b", 7}, {"c", 5}}, "x", 8},
        NumberingCase{"GroupOne", GroupKey, 2, {{"1", 1}, {"1", 2}, {"2", 1}}, "1", 3},
        NumberingCase{"NewGroup", GroupKey, 2, {{"1", 1}, {"1", 2}, {"2", 1}}, "3", 1},
        NumberingCase{"GroupBeforeOthers", GroupKey, 2, {{"1", 1}, {"2", 4}}, "0", 1},
        NumberingCase{"GroupDescending", GroupDescendingKey, 2, {{"1", 1}, {"1", 6}, {"2", 9}}, "1", 7},
        NumberingCase{"GroupDescendingLast", GroupDescendingKey, 2, {{"1", 1}, {"2", 9}}, "3", 1}),
    [](const ::testing::TestParamInfo<NumberingCase>& info) { return std::string(info.param.Name); });

using FileManagerRecordTest = DataFixture;

TEST_F(FileManagerRecordTest, PreparingARecordOnANumberedFileAddsItAtOnceAndInsertWritesItBack) {
  const auto definition = MakeDefinition("PREP", SingleKey);
  TestFile t;
  t.Bind(definition, Errors);
  t.Manager.RegisterKey(1, "Numbered", 1);
  EXPECT_EQ(t.Manager.Open(), LevelQuiet);
  ASSERT_EQ(t.Manager.PrepareRecord(framework::data::RecordBuffer::Clear), LevelQuiet);
  EXPECT_EQ(t.Record.N, 1);
  EXPECT_EQ(t.Manager.GetAutoIncDone(), 1);
  EXPECT_EQ(t.File.Records(), 1);
  runtime::data::FieldRef::Of(t.Record.A).SetText("filled in");
  ASSERT_EQ(t.Manager.Insert(), LevelQuiet);
  EXPECT_EQ(t.File.Records(), 1);
  t.Set("", "", "", 1);
  ASSERT_EQ(t.Manager.Fetch(1), LevelQuiet);
  EXPECT_STREQ(t.Record.A, "filled in");

  // A numbered record the user abandons is taken away again.
  ASSERT_EQ(t.Manager.PrepareRecord(framework::data::RecordBuffer::Clear), LevelQuiet);
  EXPECT_EQ(t.Record.N, 2);
  EXPECT_EQ(t.Manager.ReleaseAutoNumber(nullptr), LevelQuiet);
  EXPECT_EQ(t.File.Records(), 1);
  t.Manager.Close();
}

TEST_F(FileManagerRecordTest, TwoStationsNumberingAtOnceEachGetFreshNumbers) {
  constexpr int PerStation = 40;
  TestFile t;
  t.Bind(CounterDefinition(), Errors);
  t.Manager.RegisterKey(1, "Counter", 1);
  EXPECT_EQ(t.Manager.Open(), LevelQuiet);
  ASSERT_EQ(t.Manager.EnsureUsable(UseType::Window), LevelQuiet);  // creates the file
  const pid_t station = StartHelper("DataStation", {"number", std::to_string(PerStation)});
  ASSERT_GT(station, 0);
  int failures = 0;
  for (int i = 0; i < PerStation; ++i) {
    t.Set("here", "", "", 0);
    if (t.Manager.Insert() != LevelQuiet) ++failures;
  }
  EXPECT_EQ(WaitHelper(station), 0);
  EXPECT_EQ(failures, 0);
  // Every number from 1 up is taken exactly once.
  std::set<int32_t> numbers;
  t.File.ClearBuffer();
  ASSERT_EQ(t.File.SetKeyPosition(1), 0);
  while (t.Manager.NextQuiet() == LevelQuiet) numbers.insert(t.Record.N);
  EXPECT_EQ(numbers.size(), 2u * PerStation);
  EXPECT_EQ(*numbers.begin(), 1);
  EXPECT_EQ(*numbers.rbegin(), 2 * PerStation);
  for (const auto& box : Errors.Boxes()) EXPECT_EQ(box.Title, "Auto Increment Error") << box.Text;
  t.Manager.Close();
}

TEST_F(FileManagerRecordTest, AnUpdateOfARecordAnotherStationChangedShowsTheirVersion) {
  TestFile t;
  t.Bind(SharedEditDefinition(), Errors);
  t.Manager.RegisterKey(1, "Edits", 0);
  EXPECT_EQ(t.Manager.Open(), LevelQuiet);
  ASSERT_EQ(t.Add("shared", "mine", "", 1), LevelQuiet);
  t.Set("shared", "", "", 0);
  ASSERT_EQ(t.File.Watch(), 0);
  ASSERT_EQ(t.Manager.Fetch(1), LevelQuiet);
  ASSERT_EQ(WaitHelper(StartHelper("DataStation", {"edit", "shared", "77"})), 0);
  t.Record.N = 5;
  EXPECT_EQ(t.Manager.Update(), LevelNotice);
  EXPECT_EQ(t.Record.N, 77);  // the other station's version is in the buffer
  EXPECT_EQ(t.Manager.LastError, MessageId::ChangedElsewhere);
  ASSERT_EQ(Errors.Boxes().size(), 1u);
  EXPECT_EQ(Errors.Boxes()[0].Title, "Record Was Not Updated");
  EXPECT_EQ(Errors.Boxes()[0].Text, "This record was changed by another station.");
  // Watched again: saving now, over their version, goes through.
  t.Record.N = 6;
  EXPECT_EQ(t.Manager.Update(), LevelQuiet);
  t.Manager.Close();
}

TEST_F(FileManagerRecordTest, ReadingPastTheEndSaysNothingAndMarksTheEnd) {
  const auto definition = MakeDefinition("ENDS", SingleKey);
  TestFile t;
  t.Bind(definition, Errors);
  t.Manager.RegisterKey(1, "N", 0);
  EXPECT_EQ(t.Manager.Open(), LevelQuiet);
  ASSERT_EQ(t.Add("only", "", "", 1), LevelQuiet);
  t.File.ClearBuffer();
  t.File.SetKeyPosition(1);
  EXPECT_EQ(t.Manager.Next(), LevelQuiet);
  EXPECT_FALSE(t.Manager.IsAtEnd());
  EXPECT_EQ(t.Manager.Next(), LevelNotice);
  EXPECT_TRUE(t.Manager.IsAtEnd());
  EXPECT_STREQ(t.Record.A, "only");  // the buffer keeps the last record
  EXPECT_EQ(t.Manager.Previous(), LevelNotice);  // nothing before the only record either
  EXPECT_TRUE(Errors.Boxes().empty());
  t.Manager.Close();
}

TEST_F(FileManagerRecordTest, DuplicatesAreNamedByTheKeyOrOnlyNotedWhenQuiet) {
  const auto definition = MakeDefinition("DUPS", SingleKey);
  TestFile t;
  t.Bind(definition, Errors);
  t.Manager.RegisterKey(1, "Number:KeyN", 0);
  EXPECT_EQ(t.Manager.Open(), LevelQuiet);
  ASSERT_EQ(t.Add("first", "", "", 1), LevelQuiet);
  t.Set("second", "", "", 1);
  EXPECT_EQ(t.Manager.InsertQuiet(), LevelNotice);
  EXPECT_EQ(t.Manager.LastError, MessageId::DuplicateKey);
  EXPECT_TRUE(Errors.Boxes().empty());
  EXPECT_EQ(t.Manager.Insert(), LevelNotice);
  ASSERT_EQ(Errors.Boxes().size(), 1u);
  EXPECT_EQ(Errors.Boxes()[0].Title, "Duplicate Key Error");
  EXPECT_EQ(Errors.Boxes()[0].Text, "Adding this record creates a duplicate entry for the key: Number:KeyN");
  EXPECT_EQ(t.File.Records(), 1);
  t.Manager.Close();
}

TEST_F(FileManagerRecordTest, DeletingAsksFirstAndKeepsTheRecordOnNo) {
  const auto definition = MakeDefinition("DELS", SingleKey);
  TestFile t;
  t.Bind(definition, Errors);
  t.Manager.RegisterKey(1, "N", 0);
  EXPECT_EQ(t.Manager.Open(), LevelQuiet);
  ASSERT_EQ(t.Add("gone", "", "", 1), LevelQuiet);
  Errors.Answer(framework::error::Button::No);
  EXPECT_EQ(t.Manager.DeleteCurrent(framework::data::ConfirmDelete::Ask), LevelDeclined);
  EXPECT_EQ(t.File.Records(), 1);
  Errors.Answer(framework::error::Button::Yes);
  EXPECT_EQ(t.Manager.DeleteCurrent(framework::data::ConfirmDelete::Ask), LevelQuiet);
  EXPECT_EQ(t.File.Records(), 0);
  // Nothing current any more: the failure is noted, not shown.
  Errors.Forget();
  EXPECT_EQ(t.Manager.DeleteCurrent(framework::data::ConfirmDelete::No), LevelNotice);
  EXPECT_EQ(t.Manager.LastError, MessageId::RecordNotDeleted);
  EXPECT_TRUE(Errors.Boxes().empty());
  t.Manager.Close();
}

TEST_F(FileManagerRecordTest, KeyComponentsAreListedWithTheirOrderAndCase) {
  auto definition = MakeDefinition("KEYS", {{"ABC:KEYMIX", {Asc(FieldA), Desc(FieldN), Asc(FieldB)}}});
  definition.Keys[0].Case = runtime::files::KeyCase::NoCase;
  TestFile t;
  t.Bind(definition, Errors);
  t.Manager.RegisterKey(1, "Mixed", 0);
  EXPECT_EQ(t.Manager.GetKeyOrder(1), "UPPER(ABC:A),-ABC:N,UPPER(ABC:B)");
  EXPECT_EQ(t.Manager.GetKeyOrder(1, 2), "-ABC:N,UPPER(ABC:B)");
  EXPECT_EQ(t.Manager.GetKeyOrder(9), "");
  EXPECT_EQ(t.Manager.GetComponentCount(1), 3u);
  EXPECT_FALSE(t.Manager.GetComponentAscend(1, 2));
  EXPECT_TRUE(t.Manager.GetComponentField(1, 2).SameVariable(runtime::data::FieldRef::Of(t.Record.N)));
  EXPECT_EQ(t.Manager.Keys[0].NoCase, 1);

  t.Record.N = 5;
  t.Manager.ClearKeyRange(1, 2, 99, false);  // first in the key: the highest N
  EXPECT_EQ(t.Record.N, INT32_MAX);
  t.Manager.ClearKeyRange(1, 2, 2, true);
  EXPECT_EQ(t.Record.N, INT32_MIN);
}

}  // namespace
}  // namespace datatest
