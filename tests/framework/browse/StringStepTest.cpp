// Thumb distributions, the rewriting of server-side calls for a local filter check,
// and the pattern match that finds a field's direction in an order text.
#include <gtest/gtest.h>

#include <string>

#include "framework/browse/LocalFilter.h"
#include "framework/browse/StringStep.h"
#include "runtime/text/PatternMatch.h"

namespace framework::browse {
namespace {

TEST(StringStepTest, NameDistributionPlacesValuesBetweenItsEntries) {
  StringStep step;
  step.Init(StringStep::ControlLetters, StringStep::LookupNames);
  struct Case {
    const char* Value;
    int32_t Position;
  } cases[] = {{"ALBERT", 2}, {"AARON", 1}, {"ZZZ", 100}, {"albert", 2}, {"", 1}, {"BAK", 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Value);
    EXPECT_EQ(step.ValueToPercent(c.Value), c.Position);
  }
  EXPECT_EQ(step.PercentToValue(2), "ALB");
  EXPECT_EQ(step.PercentToValue(100), "YOR");
}

TEST(StringStepTest, DescendingTwoLetterDistributionRunsBackwards) {
  StringStep step;
  step.Init(StringStep::ControlLetters | StringStep::ControlDescending, StringStep::LookupTwoLetters);
  EXPECT_EQ(step.PercentToValue(100), "  ");
  EXPECT_EQ(step.PercentToValue(1), "Z ");
  EXPECT_EQ(step.ValueToPercent("ZZ"), 1);
}

TEST(StringStepTest, RunTimeDistributionCountsAfterTheCommonPrefix) {
  StringStep step;
  step.Init(StringStep::ControlLetters, StringStep::LookupRunTime);
  EXPECT_EQ(step.SortChars, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  step.SetThumbRange("PRE-ALPHA", "PRE-ZULU  ");
  EXPECT_EQ(step.Root, "PRE-");
  EXPECT_EQ(step.Ref.substr(0, 4), "ALPH");
  EXPECT_EQ(step.PercentToValue(1), "PRE-ALPH");
  // Evenly spaced: the last entry is within one step of ZULU.
  EXPECT_LE(step.Ref.substr(396, 4), std::string("ZULU"));
  EXPECT_GT(step.Ref.substr(396, 4), std::string("YZZZ"));
  EXPECT_EQ(step.ValueToPercent("PRE-ALPHA"), 1);
  EXPECT_EQ(step.ValueToPercent("PRE-ZULU"), 100);
  const int32_t middle = step.ValueToPercent("PRE-MIKE");
  EXPECT_GT(middle, 40);
  EXPECT_LT(middle, 60);
}

TEST(StringStepTest, EqualEndsMakeTheWholeValueTheRoot) {
  StringStep step;
  step.Init(StringStep::ControlLetters, StringStep::LookupRunTime);
  step.SetThumbRange("SAME", "SAME");
  EXPECT_EQ(step.Root, "SAME");
  EXPECT_EQ(step.Ref.substr(0, 4), "AAAA");
  EXPECT_LT(step.Ref.substr(396, 4), std::string("ZZZZ"));
}

TEST(StringStepTest, StepWithoutCharactersKeepsBlankEntries) {
  StringStep step;
  step.Init(0, StringStep::LookupRunTime);
  step.SetThumbRange("A", "B");
  EXPECT_EQ(step.Ref, std::string(400, ' '));
  EXPECT_EQ(step.ValueToPercent("A"), 100);
}

TEST(LocalFilterTest, ServerSideCallsAreRewrittenForLocalEvaluation) {
  struct Case {
    const char* Text;
    const char* Expected;
  } cases[] = {
      {"SQL  (A > 1)", " ''=SQL(A > 1)"},
      {"X = 1 AND (SQL(B))", "X = 1 AND ( ''=SQL(B))"},
      {"~SQL(B) OR SQL (C)", "~ ''=SQL(B) OR  ''=SQL(C)"},
      {"MYSQL(B)", "MYSQL(B)"},
      {"SQL", "SQL"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(LocalFilter::RewriteSqlCalls(c.Text), c.Expected);
  }
}

TEST(PatternMatchTest, FindsGroupsSetsAlternativesAndAnchors) {
  using runtime::text::PatternMatch;
  const std::string descending = "{{{[+-]}{A:X}[,]}|{{[+-]}{A:X}$}}";
  EXPECT_EQ(PatternMatch::Find("B,-A:X", descending), 3u);
  EXPECT_EQ(PatternMatch::Find("-A:X,B", descending), 1u);
  EXPECT_EQ(PatternMatch::Find("-A:XY", descending), 0u);
  EXPECT_EQ(PatternMatch::Find("A:X", descending), 0u);
  EXPECT_EQ(PatternMatch::Find("-UPPER(A:X)", "{{[+-]}{UPPER(A:X)}$}"), 1u);
  EXPECT_EQ(PatternMatch::Find("abc", "b*c"), 2u);
  EXPECT_EQ(PatternMatch::Find("ABC", "^b", true), 0u);
  EXPECT_EQ(PatternMatch::Find("ABC", "b.$", true), 2u);
  EXPECT_EQ(PatternMatch::Find("abc", "{b"), 0u);
}

}  // namespace
}  // namespace framework::browse
