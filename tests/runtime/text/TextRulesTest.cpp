// The shared text rules every cut and every case-blind comparison goes through.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "runtime/text/AsciiCase.h"
#include "runtime/text/Utf8.h"

namespace runtime::text {
namespace {

TEST(TextRulesTest, Utf8CutsNeverSplitACharacter) {
  const std::string e = "\xC3\xA9";             // 2 bytes
  const std::string euro = "\xE2\x82\xAC";      // 3 bytes
  const std::string clef = "\xF0\x9D\x84\x9E";  // 4 bytes
  const std::string runOfFive(5, '\x80');       // not UTF-8
  struct Case {
    std::string Text;
    size_t Limit;
    size_t Expected;
  } cases[] = {
      {"abc", 5, 3},       {"abc", 3, 3},       {"abc", 0, 0},       {"a" + e, 2, 1},
      {"a" + e, 3, 3},     {euro + "x", 1, 0},  {euro + "x", 2, 0},  {euro + "x", 3, 3},
      {"ab" + clef, 5, 2}, {"ab" + clef, 6, 6}, {clef + clef, 7, 4}, {"a" + runOfFive, 5, 5},
      {runOfFive, 3, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "limit " << c.Limit << " of " << c.Text.size() << " bytes");
    EXPECT_EQ(Utf8::PrefixLength(c.Text, c.Limit), c.Expected);
    EXPECT_EQ(Utf8::Prefix(c.Text, c.Limit), std::string_view(c.Text).substr(0, c.Expected));
  }
}

TEST(TextRulesTest, CaseFoldsAsciiLettersOnly) {
  EXPECT_EQ(AsciiCase::ToUpper("abz AZ 09 @[`{ \xC3\xA9"), "ABZ AZ 09 @[`{ \xC3\xA9");
  EXPECT_EQ(AsciiCase::ToLower("ABZ az 09 @[`{ \xC3\x89"), "abz az 09 @[`{ \xC3\x89");
  struct Case {
    std::string_view A, B;
    int Order;  // sign of the collation order
  } cases[] = {
      {"Smith", "SMITH", 0}, {"smith", "smithy", -1},     {"b", "A", 1},
      {"_", "a", 1},         {"\xC3\xA9", "\xC3\x89", 1}, {"", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.A << " / " << c.B);
    const int order = AsciiCase::Compare(c.A, c.B);
    EXPECT_EQ((order > 0) - (order < 0), c.Order);
    EXPECT_EQ(AsciiCase::Equal(c.A, c.B), c.Order == 0);
  }
}

}  // namespace
}  // namespace runtime::text
