// Field pairs and buffered pairs: copying with conversion, clearing, comparing, and
// the saved values the relation manager relies on.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "framework/window/BufferedPairs.h"
#include "framework/window/FieldPairs.h"

namespace framework::window {
namespace {

using runtime::data::FieldRef;

struct Vars {
  char Code[8] = "url";
  int32_t Count = 12;
  std::string Text = "URL";
  int16_t Small = 0;
};

TEST(FieldPairsTest, CopiesConvertBetweenKindsAndRefuseWhatDoesNotFit) {
  Vars v;
  FieldPairs pairs;
  pairs.Init();
  pairs.LinkFields(FieldRef::Of(v.Code), FieldRef::Of(v.Text));
  pairs.LinkFields(FieldRef::Of(v.Count), FieldRef::Of(v.Small));
  pairs.LeftIntoRight();
  EXPECT_EQ(v.Text, "url");
  EXPECT_EQ(v.Small, 12);
  EXPECT_TRUE(pairs.SidesEqual());

  v.Text = "a longer text";
  v.Small = -3;
  pairs.RightIntoLeft();
  EXPECT_STREQ(v.Code, "a longe");  // cut to the field
  EXPECT_EQ(v.Count, -3);

  v.Count = 100000;  // does not fit a 16-bit number: the right side keeps its value
  pairs.LeftIntoRight();
  EXPECT_EQ(v.Small, -3);
  EXPECT_FALSE(pairs.SidesEqual());
}

TEST(FieldPairsTest, BlankingClearsOneSideOnly) {
  Vars v;
  FieldPairs pairs;
  pairs.LinkFields(FieldRef::Of(v.Code), FieldRef::Of(v.Text));
  pairs.LinkFields(FieldRef::Of(v.Count), FieldRef::Of(v.Small));
  v.Small = 4;
  pairs.BlankLeft();
  EXPECT_STREQ(v.Code, "");
  EXPECT_EQ(v.Count, 0);
  EXPECT_EQ(v.Text, "URL");
  pairs.BlankRight();
  EXPECT_EQ(v.Text, "");
  EXPECT_EQ(v.Small, 0);
  EXPECT_TRUE(pairs.SidesEqual());
}

TEST(FieldPairsTest, EmptyAndTornDownListsAreEqualAndHarmless) {
  FieldPairs pairs;
  pairs.Teardown();  // never created
  EXPECT_TRUE(pairs.SidesEqual());
  pairs.LeftIntoRight();
  Vars v;
  pairs.LinkFields(FieldRef::Of(v.Code), FieldRef::Of(v.Text));
  pairs.Init();
  EXPECT_EQ(pairs.Count(), 0u);
  pairs.Teardown();
  pairs.Teardown();
  EXPECT_FALSE(pairs.HasList());
}

TEST(BufferedPairsTest, LooseMatchingIgnoresCaseAndExactMatchingDoesNot) {
  Vars v;
  BufferedPairs pairs;
  pairs.Init();
  pairs.LinkFields(FieldRef::Of(v.Code), FieldRef::Of(v.Text));
  pairs.LeftIntoBuffer();  // buffer "url"
  EXPECT_TRUE(pairs.RightMatchesBuffer());  // "URL"
  EXPECT_FALSE(pairs.RightMatchesBuffer(MatchMode::Exact));
  EXPECT_TRUE(pairs.LeftMatchesBuffer(MatchMode::Exact));
  std::strcpy(v.Code, "other");
  EXPECT_FALSE(pairs.LeftMatchesBuffer());
  pairs.BufferIntoLeft();
  EXPECT_STREQ(v.Code, "url");
}

TEST(BufferedPairsTest, BuffersHoldTheRightSidesKindAndMoveBothWays) {
  Vars v;
  BufferedPairs pairs;
  pairs.LinkFields(FieldRef::Of(v.Count), FieldRef::Of(v.Small));
  pairs.LinkFields(FieldRef::Of(v.Code), FieldRef::Of(v.Text));
  pairs.LeftIntoBuffer();
  v.Small = 1;
  v.Text = "changed";
  pairs.BufferIntoRight();
  EXPECT_EQ(v.Small, 12);
  EXPECT_EQ(v.Text, "url");
  v.Small = 7;
  pairs.RightIntoBuffer();
  v.Count = 0;
  pairs.BufferIntoLeft();
  EXPECT_EQ(v.Count, 7);
  // Numbers compare by value whatever their width.
  EXPECT_TRUE(pairs.LeftMatchesBuffer(MatchMode::Exact));
}

TEST(BufferedPairsTest, WorksWhereFieldPairsAreExpected) {
  Vars v;
  BufferedPairs buffered;
  FieldPairs& pairs = buffered;
  pairs.Init();
  pairs.LinkFields(FieldRef::Of(v.Code), FieldRef::Of(v.Text));
  EXPECT_EQ(pairs.Count(), 1u);
  EXPECT_FALSE(pairs.SidesEqual());  // "url" and "URL" differ as values
  pairs.LeftIntoRight();
  EXPECT_TRUE(pairs.SidesEqual());
  buffered.LeftIntoBuffer();  // the entry added through FieldPairs has its buffer too
  EXPECT_TRUE(buffered.RightMatchesBuffer(MatchMode::Exact));
  pairs.Teardown();
  EXPECT_EQ(pairs.Count(), 0u);
  buffered.LeftIntoBuffer();  // nothing to do after teardown
}

}  // namespace
}  // namespace framework::window
