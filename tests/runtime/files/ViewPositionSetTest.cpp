// The view's set of handed-out positions: the same answers as a plain set through
// growth, emptying and refilling, with texts that share prefixes, differ in length
// only, or hold NUL and separators.
#include "runtime/files/ViewPositionSet.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

using runtime::files::ViewPositionSet;

TEST(ViewPositionSetTest, AnswersAsAPlainSetThroughGrowthClearingAndRefilling) {
  std::mt19937 random(12);
  std::vector<std::string> texts;
  for (int i = 0; i < 3000; ++i) texts.push_back("K1|t" + std::to_string(i) + "|i" + std::to_string(i * 7));
  texts.push_back("");
  texts.push_back(std::string("a\0b", 3));
  texts.push_back(std::string("a\0c", 3));
  texts.push_back("K1|t1");
  texts.push_back("K1|t1|");
  texts.push_back(std::string(1500, 'x'));  // longer than any small-string buffer

  ViewPositionSet set;
  std::unordered_set<std::string> plain;
  std::uniform_int_distribution<size_t> pick(0, texts.size() - 1);
  for (int round = 0; round < 40; ++round) {
    // Rounds of a page, of a few pages and of thousands: the set grows and is reused.
    const int inserts = round % 5 == 4 ? 2500 : 5 + round * 11;
    for (int i = 0; i < inserts; ++i) {
      const std::string& text = texts[pick(random)];
      set.Insert(text);
      plain.insert(text);
    }
    ASSERT_EQ(set.Size(), plain.size()) << "round " << round;
    for (const std::string& text : texts) {
      ASSERT_EQ(set.Contains(text), plain.contains(text)) << "round " << round << " text " << text;
    }
    set.Clear();
    plain.clear();
    EXPECT_EQ(set.Size(), 0u);
    EXPECT_FALSE(set.Contains(texts[0]));
    EXPECT_FALSE(set.Contains(""));
  }
}

}  // namespace
