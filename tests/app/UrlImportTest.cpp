// Import and export through the thread's UrlList managers: a large bookmark file with
// everything a real one holds gives exact counts and stores exactly what it says;
// every format carries the list out and back; a cancelled or failed import leaves
// the file as it was; an export that cannot finish leaves no file behind.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/ExchangeFormat.h"
#include "app/ExchangeMenu.h"
#include "app/UrlExport.h"
#include "app/UrlImport.h"
#include "app/UrlListFile.h"
#include "app/UrlListManagers.h"
#include "tests/framework/data/DataTestFixture.h"

namespace app {
namespace {

using Stored = std::map<std::string, int32_t>;

class UrlImportTest : public datatest::DataFixture {
 protected:
  void SetUp() override {
    DataFixture::SetUp();
    UrlListManagers::Build(Errors);
  }
  void TearDown() override {
    UrlListManagers::Kill();
    UrlListFile::Destroy();
    DataFixture::TearDown();
  }
  static Stored Contents() {
    std::vector<ExchangeEntry> entries;
    std::string failure;
    EXPECT_TRUE(UrlExport::Collect("", entries, failure)) << failure;
    Stored out;
    for (const ExchangeEntry& e : entries) out[e.Url] = e.NumberOfTimesToOpen;
    return out;
  }
  static ImportSummary ImportText(ExchangeFormat format, const std::string& text,
                                  const UrlImport::Progress& progress = {}) {
    return UrlImport::Run(ExchangeFormats::Read(format, text), progress);
  }
};

// A browser's bookmark file of 10,000 entries in folders three deep, with what such
// files hold besides plain addresses.
struct BookmarkFile {
  std::string Html;
  Stored Expected;  // what the import must add
  size_t Duplicates = 0;
  size_t Refused = 0;
};

BookmarkFile MakeBookmarkFile(const Stored& alreadyStored) {
  BookmarkFile f;
  f.Html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks</TITLE>\n<DL><p>\n";
  int depth = 0;
  for (int i = 0; i < 10000; ++i) {
    if (i % 100 == 0) {
      // Close back to the top every third folder, else go one deeper.
      const int target = (i / 100) % 3;
      for (; depth > target; --depth) f.Html += "</DL><p>\n";
      f.Html += "<DT><H3>Folder " + std::to_string(i) + "</H3>\n<DL><p>\n";
      ++depth;
    }
    std::string url = "https://site" + std::to_string(i % 2500) + ".example/page/" + std::to_string(i) + "?a=1&amp;b=2";
    std::string stored = "https://site" + std::to_string(i % 2500) + ".example/page/" + std::to_string(i) + "?a=1&b=2";
    switch (i % 50) {
      case 7: url = stored = "javascript:void(" + std::to_string(i) + ")"; break;
      case 8: url = stored = "place:folder=" + std::to_string(i); break;
      case 9: url = stored = "https://long.example/" + std::string(190, 'x') + std::to_string(i); break;
      case 10: url = stored = "https://bad.example/\xFF" + std::to_string(i); break;
      case 11: url = stored = ""; break;
      case 12: url = "https://site0.example/page/0?a=1&amp;b=2"; stored = "https://site0.example/page/0?a=1&b=2"; break;
      case 13: url = stored = "https://before.example/" + std::to_string(i % 4); break;
      default: break;
    }
    f.Html += "<DT><A HREF=\"" + url + "\" ADD_DATE=\"1700000000\">title " + std::to_string(i) + "</A>\n";
    if (i % 50 >= 7 && i % 50 <= 11) {
      ++f.Refused;
    } else if (f.Expected.count(stored) > 0 || alreadyStored.count(stored) > 0) {
      ++f.Duplicates;
    } else {
      f.Expected[stored] = 1;
    }
  }
  for (; depth > 0; --depth) f.Html += "</DL><p>\n";
  f.Html += "</DL><p>\n";
  return f;
}

TEST_F(UrlImportTest, ABigBookmarkFileGivesExactCountsAndStoresWhatItSaysItAdded) {
  ASSERT_EQ(ImportText(ExchangeFormat::PlainText, "https://before.example/0\t5\nhttps://before.example/1\n").Added, 2u);
  const Stored before = Contents();
  const BookmarkFile file = MakeBookmarkFile(before);

  size_t calls = 0;
  const ImportSummary s = ImportText(ExchangeFormat::BookmarkHtml, file.Html, [&](size_t done, size_t total) {
    EXPECT_EQ(total, 10000u);
    EXPECT_LE(done, total);
    ++calls;
    return ImportProgress::Continue;
  });
  ASSERT_EQ(s.Outcome, ImportOutcome::Stored) << s.Failure;
  EXPECT_EQ(s.Added, file.Expected.size());
  EXPECT_EQ(s.AlreadyPresent, file.Duplicates);
  EXPECT_EQ(s.Refused.size(), file.Refused);
  EXPECT_EQ(s.Added + s.AlreadyPresent + s.Refused.size(), 10000u);
  EXPECT_EQ(calls, 10000u / UrlImport::ProgressStep + 1);
  EXPECT_EQ(s.Line(), std::to_string(s.Added) + " added, " + std::to_string(s.AlreadyPresent) +
                          " already present, " + std::to_string(file.Refused) + " refused");

  Stored expected = file.Expected;
  expected.insert(before.begin(), before.end());  // left as they were, count 5 kept
  EXPECT_EQ(Contents(), expected);
  // The report names each refused entry by its line and never shows raw bytes.
  ASSERT_FALSE(s.Refused.empty());
  EXPECT_EQ(s.Refused[0].Reason, "a javascript: entry opens nothing");
  EXPECT_EQ(s.Refused[0].Text, "javascript:void(7)");
  EXPECT_GT(s.Refused[0].Line, 3u);
  EXPECT_EQ(s.Refused[3].Reason, "not UTF-8 text");
  EXPECT_EQ(s.Refused[3].Text, "https://bad.example/?10");
}

TEST_F(UrlImportTest, EveryFormatRoundTripsEveryAddressAndCount) {
  ASSERT_EQ(ImportText(ExchangeFormat::Csv,
                       "Url,NumberOfTimesToOpen\n"
                       "https://a.example/?x=1&y=\"2\",3\n"
                       "\"https://b.example/,comma\",0\n"
                       "https://c.example/caf\xC3\xA9,-7\n"
                       "https://d.example/<tag>,1\n")
                .Added,
            4u);
  const Stored original = Contents();
  for (ExchangeFormat f : {ExchangeFormat::BookmarkHtml, ExchangeFormat::PlainText, ExchangeFormat::Csv}) {
    std::vector<ExchangeEntry> entries;
    std::string failure;
    ASSERT_TRUE(UrlExport::Collect("", entries, failure));
    ASSERT_TRUE(UrlExport::Write("out.list", f, entries).Ok);
    UrlListManagers::Kill();
    UrlListFile::Destroy();
    std::filesystem::remove("URLLIST.vkdb");
    UrlListManagers::Build(Errors);
    std::ifstream in("out.list", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const ImportSummary s = ImportText(f, text);
    EXPECT_EQ(s.Added, original.size()) << static_cast<int>(f);
    EXPECT_EQ(Contents(), original) << static_cast<int>(f);
  }
}

TEST_F(UrlImportTest, ACancelledImportLeavesTheFileAsItWas) {
  ASSERT_EQ(ImportText(ExchangeFormat::PlainText, "https://kept.example/\n").Added, 1u);
  std::string text;
  for (int i = 0; i < 1200; ++i) text += "https://new.example/" + std::to_string(i) + "\n";
  const ImportSummary s = ImportText(ExchangeFormat::PlainText, text, [](size_t done, size_t) {
    return done >= 1000 ? ImportProgress::Cancel : ImportProgress::Continue;
  });
  EXPECT_EQ(s.Outcome, ImportOutcome::Cancelled);
  EXPECT_EQ(s.Added, 1000u);  // what it had done when it was cancelled
  EXPECT_EQ(Contents(), (Stored{{"https://kept.example/", 1}}));
}

TEST_F(UrlImportTest, AnImportThatFailsHalfwayLeavesTheFileAsItWas) {
  ASSERT_EQ(ImportText(ExchangeFormat::PlainText, "https://kept.example/\n").Added, 1u);
  // Another program's rule on the file refuses one address in the middle.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open("URLLIST.vkdb", &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "CREATE TRIGGER refuse BEFORE INSERT ON vk_records WHEN NEW.\"URL:URL\" LIKE '%/700' "
                         "BEGIN SELECT RAISE(ABORT, 'refused here'); END",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "https://new.example/" + std::to_string(i) + "\n";
  const ImportSummary s = ImportText(ExchangeFormat::PlainText, text);
  EXPECT_EQ(s.Outcome, ImportOutcome::Failed);
  EXPECT_NE(s.Failure.find("line 701"), std::string::npos) << s.Failure;
  EXPECT_EQ(Contents(), (Stored{{"https://kept.example/", 1}}));
}

TEST_F(UrlImportTest, ExportNarrowsByTextAndAFailedWriteLeavesNoFile) {
  ASSERT_EQ(ImportText(ExchangeFormat::PlainText, "https://Shop.example/\nhttps://news.example/\nhttps://eshop.example/\n")
                .Added,
            3u);
  std::vector<ExchangeEntry> entries;
  std::string failure;
  ASSERT_TRUE(UrlExport::Collect("SHOP", entries, failure));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Url, "https://eshop.example/");  // key order
  EXPECT_EQ(entries[1].Url, "https://Shop.example/");

  std::ofstream("kept.csv") << "what was there\n";
  const ExportResult missing = UrlExport::Write("no/such/folder/out.csv", ExchangeFormat::Csv, entries);
  EXPECT_FALSE(missing.Ok);
  EXPECT_NE(missing.Failure.find("no/such/folder/out.csv"), std::string::npos);
  ASSERT_TRUE(UrlExport::Write("kept.csv", ExchangeFormat::Csv, entries).Ok);
  std::vector<std::string> others;  // besides the data file: no temporary file stays
  for (const auto& e : std::filesystem::directory_iterator(".")) {
    const std::string name = e.path().filename().string();
    if (!name.starts_with("URLLIST.")) others.push_back(name);
  }
  EXPECT_EQ(others, std::vector<std::string>{"kept.csv"});
}

TEST_F(UrlImportTest, ExportTakesWhatTheFindAndTheQueryShowTogether) {
  ASSERT_EQ(ImportText(ExchangeFormat::Csv, "Url,NumberOfTimesToOpen\nhttps://shop.example/,1\n"
                                           "https://eshop.example/,4\nhttps://news.example/,5\n")
                .Added,
            3u);
  std::vector<ExchangeEntry> entries;
  std::string failure;
  ASSERT_TRUE(UrlExport::Collect("shop", "URL:NUMBEROFTIMESTOOPEN > 2", entries, failure)) << failure;
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Url, "https://eshop.example/");
  ASSERT_TRUE(UrlExport::Collect("", "URL:NUMBEROFTIMESTOOPEN > 2", entries, failure)) << failure;
  EXPECT_EQ(entries.size(), 2u);
  // A filter that does not parse is refused, not taken for "everything".
  EXPECT_FALSE(UrlExport::Collect("", "URL:NUMBEROFTIMESTOOPEN >", entries, failure));
}

TEST(ExchangeMenuText, TheImportSummaryListsTheFirstRefusedEntriesAndCountsTheRest) {
  ImportSummary s;
  s.Outcome = ImportOutcome::Stored;
  s.Added = 3;
  for (size_t i = 1; i <= 25; ++i) s.Refused.push_back({i, "javascript:x" + std::to_string(i), "a javascript: entry opens nothing"});
  const std::string report = ExchangeMenu::ImportReport(s);
  EXPECT_TRUE(report.starts_with("3 added, 0 already present, 25 refused|Refused:|line 1: a javascript: entry opens nothing: javascript:x1|"));
  EXPECT_NE(report.find("|line 20: "), std::string::npos);
  EXPECT_EQ(report.find("line 21: "), std::string::npos);
  EXPECT_TRUE(report.ends_with("|... and 5 more"));
  s.Outcome = ImportOutcome::Cancelled;
  s.Refused.clear();
  EXPECT_EQ(ExchangeMenu::ImportReport(s), "The import was cancelled: nothing was stored.");
}

}  // namespace
}  // namespace app
