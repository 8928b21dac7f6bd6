// The word matcher's weight table, options and scores.
#include <gtest/gtest.h>

#include <numeric>

#include "app/FuzzyMatcher.h"

namespace {

TEST(FuzzyMatcherTest, EveryRowOfTheWeightTableSumsToOneHundred) {
  app::FuzzyMatcher m;
  for (int r = 0; r < app::FuzzyMatcher::MaxWords; ++r) {
    int sum = std::accumulate(m.BaseValue[r].begin(), m.BaseValue[r].end(), 0);
    EXPECT_EQ(sum, 100) << "row " << r + 1;
    for (int c = r + 1; c < app::FuzzyMatcher::MaxWords; ++c) EXPECT_EQ(m.BaseValue[r][c], 0);
  }
  EXPECT_EQ(m.BaseValue[4][4], 6);
  EXPECT_EQ(m.BaseValue[9][9], 1);
}

TEST(FuzzyMatcherTest, OptionsAndInitialisation) {
  app::FuzzyMatcher m;
  m.SetOption(app::FuzzyMatcher::OptionNoCase, true);
  m.SetOption(app::FuzzyMatcher::OptionWordOnly, true);
  m.Init();
  EXPECT_FALSE(m.NoCase);
  EXPECT_FALSE(m.WordOnly);
  EXPECT_EQ(app::FuzzyMatcher::Current(), &m);

  m.Query = "kept";
  m.SetOption(app::FuzzyMatcher::OptionNoCase, false);  // no change keeps the query
  EXPECT_EQ(m.Query, "kept");
  m.SetOption(app::FuzzyMatcher::OptionNoCase, true);
  EXPECT_TRUE(m.Query.empty());
  m.SetOption(7, true);  // unknown options are ignored
  EXPECT_FALSE(m.WordOnly);
  m.Teardown();
  EXPECT_EQ(app::FuzzyMatcher::Current(), nullptr);
}

TEST(FuzzyMatcherTest, ScoresByTheWeightsOfTheWordsFound) {
  app::FuzzyMatcher m;
  m.Init();
  EXPECT_EQ(m.Match("news sport", "the news of today"), 65);
  EXPECT_EQ(m.Match("news sport", "sport only"), 35);
  EXPECT_EQ(m.Match("news sport", "NEWS and SPORT"), 0);
  m.SetOption(app::FuzzyMatcher::OptionNoCase, true);
  EXPECT_EQ(m.Match("news sport", "NEWS and SPORT"), 100);
  m.SetOption(app::FuzzyMatcher::OptionWordOnly, true);
  EXPECT_EQ(m.Match("new", "newsroom"), 0);
  EXPECT_EQ(m.Match("new", "a new room"), 100);
}

}  // namespace
