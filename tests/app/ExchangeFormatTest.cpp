// The exchange formats on their own: what each reader takes from a file as people
// and browsers write them, and that what each writer writes reads back the same.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/BookmarkHtmlFormat.h"
#include "app/CsvFormat.h"
#include "app/ExchangeFormat.h"
#include "app/ExchangeText.h"
#include "app/PlainTextFormat.h"

namespace app {
namespace {

std::vector<std::pair<std::string, int32_t>> Pairs(const ExchangeList& list) {
  std::vector<std::pair<std::string, int32_t>> out;
  for (const ExchangeEntry& e : list.Entries) out.emplace_back(e.Url, e.NumberOfTimesToOpen);
  return out;
}

TEST(ExchangeFormatTest, BookmarkFileGivesEveryHrefInNestedFoldersDecodedWithItsLine) {
  const std::string html =
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
      "<!-- <A HREF=\"https://in.a.comment/\"> -->\n"
      "<DL><p>\n"
      "  <DT><H3 ADD_DATE=\"1\">Work</H3>\n"
      "  <DL><p>\n"
      "    <DT><a href='https://a.example/?x=1&amp;y=2' ADD_DATE=\"3\">A &amp; B</a>\n"
      "    <DT><H3>Deeper</H3>\n"
      "    <DL><p>\n"
      "      <DT><A\n HREF=\"https://b.example/caf&#233;\" TIMES_TO_OPEN=\"3\">B</A>\n"
      "      <DT><A NAME=\"not-a-bookmark\">x</A>\n"
      "      <DT><A HREF=\"https://c.example/\" TIMES_TO_OPEN=\"many\">C</A>\n"
      "    </DL><p>\n"
      "  </DL><p>\n"
      "  <DT><A HREF=https://d.example/&#x41;>D</A>\n"
      "</DL><p>\n";
  const ExchangeList list = BookmarkHtmlFormat::Read(html);
  EXPECT_EQ(Pairs(list), (std::vector<std::pair<std::string, int32_t>>{{"https://a.example/?x=1&y=2", 1},
                                                                       {"https://b.example/caf\xC3\xA9", 3},
                                                                       {"https://d.example/A", 1}}));
  ASSERT_EQ(list.Entries.size(), 3u);
  EXPECT_EQ(list.Entries[0].Line, 6u);
  EXPECT_EQ(list.Entries[1].Line, 9u);
  ASSERT_EQ(list.Refused.size(), 1u);
  EXPECT_EQ(list.Refused[0].Line, 12u);
  EXPECT_EQ(list.Refused[0].Text, "https://c.example/");
}

TEST(ExchangeFormatTest, PlainTextSkipsBlanksAndCommentsAndReadsATabbedCount) {
  const ExchangeList list = PlainTextFormat::Read(
      "\xEF\xBB\xBFhttps://a.example/\r\n\n   # a comment\n  https://b.example/  \nhttps://c.example/\t4\n"
      "https://d.example/\tnot a count");
  EXPECT_EQ(Pairs(list), (std::vector<std::pair<std::string, int32_t>>{{"https://a.example/", 1},
                                                                       {"https://b.example/", 1},
                                                                       {"https://c.example/", 4},
                                                                       {"https://d.example/\tnot a count", 1}}));
  EXPECT_EQ(list.Entries[2].Line, 5u);
}

TEST(ExchangeFormatTest, CsvTakesQuotedFieldsAcrossLinesAndRefusesABadCount) {
  const ExchangeList list = CsvFormat::Read(
      "Url,NumberOfTimesToOpen\r\n"
      "https://a.example/,2\r\n"
      "\"https://b.example/?q=a,b\",\"7\"\r\n"
      "\"https://c.example/say \"\"hi\"\"\",\n"
      "\"two\nlines\",-3\n"
      "https://d.example/,99999999999\n"
      "\n"
      "https://e.example/\n");
  EXPECT_EQ(Pairs(list), (std::vector<std::pair<std::string, int32_t>>{{"https://a.example/", 2},
                                                                       {"https://b.example/?q=a,b", 7},
                                                                       {"https://c.example/say \"hi\"", 1},
                                                                       {"two\nlines", -3},
                                                                       {"https://e.example/", 1}}));
  EXPECT_EQ(list.Entries[4].Line, 9u);
  ASSERT_EQ(list.Refused.size(), 1u);
  EXPECT_EQ(list.Refused[0].Line, 7u);
}

TEST(ExchangeFormatTest, EveryFormatWritesWhatItReadsBack) {
  const std::vector<ExchangeEntry> entries = {{"https://a.example/?x=1&y=<2>", 1, 0},
                                              {"https://b.example/\"quoted\",comma", -2, 0},
                                              {"https://c.example/caf\xC3\xA9 space", 0, 0},
                                              {"https://d.example/#frag", 2147483647, 0}};
  for (ExchangeFormat f : {ExchangeFormat::BookmarkHtml, ExchangeFormat::PlainText, ExchangeFormat::Csv}) {
    const ExchangeList back = ExchangeFormats::Read(f, ExchangeFormats::Write(f, entries));
    ASSERT_EQ(back.Entries.size(), entries.size()) << static_cast<int>(f);
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(back.Entries[i].Url, entries[i].Url) << static_cast<int>(f);
      EXPECT_EQ(back.Entries[i].NumberOfTimesToOpen, entries[i].NumberOfTimesToOpen) << static_cast<int>(f);
    }
  }
  EXPECT_EQ(PlainTextFormat::Write({{"https://a.example/", 1, 0}}), "https://a.example/\n");
  EXPECT_EQ(CsvFormat::Write({}), "Url,NumberOfTimesToOpen\r\n");
}

TEST(ExchangeFormatTest, FormatsByExtensionAndName) {
  EXPECT_EQ(ExchangeFormats::FromFileName("dir.v2/Bookmarks.HTML"), ExchangeFormat::BookmarkHtml);
  EXPECT_EQ(ExchangeFormats::FromFileName("b.htm"), ExchangeFormat::BookmarkHtml);
  EXPECT_EQ(ExchangeFormats::FromFileName("list.txt"), ExchangeFormat::PlainText);
  EXPECT_EQ(ExchangeFormats::FromFileName("list.Csv"), ExchangeFormat::Csv);
  EXPECT_EQ(ExchangeFormats::FromFileName("dir.csv/list"), std::nullopt);
  EXPECT_EQ(ExchangeFormats::FromName("text"), ExchangeFormat::PlainText);
  EXPECT_EQ(ExchangeFormats::FromName("xml"), std::nullopt);
}

TEST(ExchangeFormatTest, AddressesThatCannotBeStoredAsTheyStandAreRefusedWithAReason) {
  EXPECT_EQ(ExchangeText::RefusalReason("https://a.example/"), "");
  EXPECT_EQ(ExchangeText::RefusalReason(std::string(199, 'a')), "");
  EXPECT_EQ(ExchangeText::RefusalReason(std::string(200, 'a')), "longer than 199 bytes");
  EXPECT_EQ(ExchangeText::RefusalReason(""), "empty");
  EXPECT_EQ(ExchangeText::RefusalReason("https://a.example/\xFF"), "not UTF-8 text");
  EXPECT_EQ(ExchangeText::RefusalReason("https://a.example/\xC0\xAF"), "not UTF-8 text");  // overlong "/"
  EXPECT_EQ(ExchangeText::RefusalReason("https://a.example/\xED\xA0\x80"), "not UTF-8 text");  // surrogate
  EXPECT_EQ(ExchangeText::RefusalReason("a\tb"), "contains a control character");
  EXPECT_EQ(ExchangeText::RefusalReason("JavaScript:alert(1)"), "a javascript: entry opens nothing");
  EXPECT_EQ(ExchangeText::RefusalReason("place:sort=8"), "a place: entry opens nothing");
  EXPECT_EQ(ExchangeText::Excerpt("a\xFF\tb"), "a??b");
  EXPECT_EQ(ExchangeText::Excerpt(std::string(100, 'x')), std::string(60, 'x') + "...");
  EXPECT_EQ(ExchangeText::Count(" +12 "), 12);
  EXPECT_EQ(ExchangeText::Count("-2147483648"), INT32_MIN);
  EXPECT_EQ(ExchangeText::Count("2147483648"), std::nullopt);
  EXPECT_EQ(ExchangeText::Count("1.5"), std::nullopt);
}

}  // namespace
}  // namespace app
