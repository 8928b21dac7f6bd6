// Position and saved-cursor texts: what goes in comes back out, whatever characters the
// key values hold, and a text built item by item equals the joined one.
#include "runtime/files/CursorText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace {

using runtime::files::CursorText;
using runtime::files::SqlValue;

TEST(CursorTextTest, ItemsWithSeparatorsAndEscapesComeBackAsTheyWent) {
  const std::vector<std::vector<std::string>> lists = {
      {"K1", "i42", "thttps://a.example/"},
      {"", "", ""},
      {"a|b", "c\\d", "|", "\\", "\\|", "|\\|", "end\\"},
      {"no specials at all, only a long plain text to copy in one stretch"},
  };
  for (const auto& items : lists) {
    const std::string joined = CursorText::Join(items);
    const auto split = CursorText::Split(joined);
    ASSERT_TRUE(split.has_value()) << joined;
    EXPECT_EQ(*split, items) << joined;

    std::string built;
    for (size_t i = 0; i < items.size(); ++i)
      CursorText::Append(built, items[i], i == 0 ? CursorText::ItemPlace::First : CursorText::ItemPlace::Later);
    EXPECT_EQ(built, joined);

    // Item by item, the same items (the scratch text reused between them).
    std::string scratch;
    std::vector<std::string> each;
    EXPECT_TRUE(CursorText::EachItem(joined, scratch, [&](std::string_view item) {
      each.emplace_back(item);
      return true;
    }));
    EXPECT_EQ(each, items) << joined;
  }
  EXPECT_FALSE(CursorText::Split("dangling\\").has_value());
  std::string scratch;
  int seen = 0;
  auto count = [&](std::string_view) { return ++seen < 2; };
  EXPECT_FALSE(CursorText::EachItem("a|b\\", scratch, [](std::string_view) { return true; }));
  EXPECT_FALSE(CursorText::EachItem("a|b|c", scratch, count));  // stopped after the second
  EXPECT_EQ(seen, 2);
}

TEST(CursorTextTest, AValueAppendedInPlaceIsItsEncodedItem) {
  const std::vector<SqlValue> values = {
      SqlValue::OfInteger(0),
      SqlValue::OfInteger(-17),
      SqlValue::OfInteger(std::numeric_limits<int64_t>::min()),
      SqlValue::OfInteger(std::numeric_limits<int64_t>::max()),
      SqlValue::OfReal(-0.1),
      SqlValue::OfText(""),
      SqlValue::OfText("https://a.example/x|y\\z"),
      SqlValue::OfBlob(std::string("\0|\\\xff", 4)),
  };
  for (const SqlValue& v : values) {
    for (const auto place : {CursorText::ItemPlace::First, CursorText::ItemPlace::Later}) {
      std::string expected = "K1";
      std::string appended = "K1";
      CursorText::Append(expected, CursorText::Encode(v), place);
      CursorText::AppendValue(appended, v, place);
      EXPECT_EQ(appended, expected);
    }
    std::string text = "K1";
    CursorText::AppendValue(text, v, CursorText::ItemPlace::Later);
    const auto items = CursorText::Split(text);
    ASSERT_TRUE(items.has_value() && items->size() == 2) << text;
    const auto decoded = CursorText::Decode((*items)[1]);
    ASSERT_TRUE(decoded.has_value()) << text;
    EXPECT_EQ(*decoded, v) << text;
  }
}

}  // namespace
