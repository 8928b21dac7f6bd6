// Thumb distributions, the rewriting of server-side calls for a local filter check,
// and the pattern match that finds a field's direction in an order text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

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

TEST(StringStepTest, PrefixLongerThanTheRootStillSpreadsTheRows) {
  StringStep step;
  step.Init(StringStep::ControlLetters, StringStep::LookupRunTime);
  const std::string prefix(45, 'X');
  step.SetThumbRange(prefix + "ALPHA", prefix + "ZULU");
  EXPECT_EQ(step.Root, prefix.substr(0, StringStep::RootLimit));
  EXPECT_EQ(step.ValueToPercent(prefix + "ALPHA"), 1);
  EXPECT_EQ(step.ValueToPercent(prefix + "ZULU"), 100);
  const int32_t middle = step.ValueToPercent(prefix + "MIKE");
  EXPECT_GT(middle, 40);
  EXPECT_LT(middle, 60);
  EXPECT_EQ(step.PercentToValue(50).substr(0, 45), prefix);
  EXPECT_GT(step.PercentToValue(50).substr(45), std::string("K"));
  EXPECT_LT(step.PercentToValue(50).substr(45), std::string("P"));
}

// A sorted list of keys read as a browse reads its order: located by a value,
// compared without regard to case. Keys and values are folded to lower case once, which
// orders letters, digits and ":/.-" as the upper-cased comparison does.
class SortedKeys {
 public:
  explicit SortedKeys(std::vector<std::string> keys) : Keys(std::move(keys)) {
    for (std::string& key : Keys) key = Fold(key);
    std::sort(Keys.begin(), Keys.end());
  }
  static std::string Fold(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }
  // The share of the keys before the first one at or after `value`, in percent.
  double ShareBefore(const std::string& value) const {
    const auto at = std::lower_bound(Keys.begin(), Keys.end(), Fold(value));
    return 100.0 * static_cast<double>(at - Keys.begin()) / static_cast<double>(Keys.size());
  }
  StringStep::OrderReads Reads() const {
    return {[this](const std::string& v) -> std::optional<std::string> {
              auto at = std::lower_bound(Keys.begin(), Keys.end(), Fold(v));
              if (at == Keys.end()) return std::nullopt;
              return *at;
            },
            [this](const std::string& v) -> std::optional<std::string> {
              auto at = std::upper_bound(Keys.begin(), Keys.end(), Fold(v));
              if (at == Keys.begin()) return std::nullopt;
              return *(at - 1);
            }};
  }
  std::vector<std::string> Keys;
};

TEST(StringStepTest, ThumbOverAMillionAddressesLandsNearTheShareOfTheRows) {
  std::mt19937 random(42);
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::vector<std::string> keys;
  keys.reserve(1'000'000);
  for (size_t i = 0; i < 1'000'000; ++i) {
    std::string host = "www.";
    for (int c = 0; c < 8; ++c) host += alphabet[random() % alphabet.size()];
    keys.push_back(std::string(random() % 2 ? "http://" : "https://") + host + ".example/" +
                   alphabet[random() % alphabet.size()]);
  }
  const SortedKeys order(std::move(keys));

  StringStep step;
  step.Init(StringStep::ControlLetters | StringStep::ControlDigits | StringStep::ControlAddress,
            StringStep::LookupRunTime);
  EXPECT_EQ(step.SortChars, "-./0123456789:ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  const auto ranges = step.FindRanges(order.Keys.front(), order.Keys.back(), order.Reads());
  ASSERT_EQ(ranges.size(), 2u);  // "http:" and "https"
  step.SetThumbRanges(ranges);
  for (int32_t percent : {10, 25, 50, 75, 90}) {
    SCOPED_TRACE(percent);
    // A drag to `percent` locates the first row at or after the step's value.
    EXPECT_NEAR(order.ShareBefore(step.PercentToValue(percent)), percent, 5.0);
    // And the row at that share shows the thumb there.
    const size_t row = order.Keys.size() * static_cast<size_t>(percent) / 100;
    EXPECT_NEAR(step.ValueToPercent(order.Keys[row]), percent, 5);
  }

  // With the ends alone (one range), the "http:" rows crowd into a few positions.
  step.SetThumbRange(order.Keys.front(), order.Keys.back());
  EXPECT_GT(std::abs(order.ShareBefore(step.PercentToValue(10)) - 10.0), 5.0);
}

TEST(StringStepTest, RangesFollowTheBranchesOrFallBackToTheWholeOrder) {
  StringStep step;
  step.Init(StringStep::ControlLetters, StringStep::LookupRunTime);
  const SortedKeys order({"ALP", "ALPHA", "AMBER", "AMBLE", "APPLE"});
  const auto ranges = step.FindRanges("ALPHA", "APPLE", order.Reads());
  ASSERT_EQ(ranges.size(), 3u);
  // As the order reads them (here in lower case): the branching is case-free.
  EXPECT_EQ(ranges[1].Low, "amber");
  EXPECT_EQ(ranges[1].High, "amble");
  // The low end is the start of the high one: nothing to branch on.
  EXPECT_EQ(step.FindRanges("ALP", "ALPHA", order.Reads()).size(), 1u);
  // Reads that find nothing: one range.
  EXPECT_EQ(step.FindRanges("ALPHA", "BETA", StringStep::OrderReads{}).size(), 1u);
  step.Init(StringStep::ControlLetters | StringStep::ControlDescending, StringStep::LookupRunTime);
  EXPECT_EQ(step.FindRanges("BETA", "ALPHA", order.Reads()).size(), 1u);
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
