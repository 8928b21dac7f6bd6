// Narrowing a file's reads to the records whose find field contains a text: the
// same records in the same key orders, forward and back, whether the index serves the
// text or every record is read; writes here and by another connection show at the
// next read; the order labels the index is numbered by follow the first key through
// crowded inserts, key changes and another program's writes; a file of a format before
// the labels gets them and the index from the format upgrade when opened for writing
// (whether or not it had an index already), and is still searched when opened read-only.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <vector>

#include "runtime/files/SqliteDriver.h"
#include "runtime/files/SqliteFind.h"
#include "runtime/files/SqliteSchema.h"
#include "runtime/files/Transaction.h"
#include "tests/runtime/files/KeyedFileFixture.h"

namespace testfiles {
namespace {

class SqliteFindTest : public KeyedFileFixture {
 protected:
  void SetUp() override {
    KeyedFileFixture::SetUp();
    Definition.FindField = 0;
  }
  static void AddFive(KeyedFile& f) {
    ASSERT_EQ(AddRecord(f, "https://shop.example/", 1, "b"), C::NoError);
    ASSERT_EQ(AddRecord(f, "https://news.example/", 2, "a"), C::NoError);
    ASSERT_EQ(AddRecord(f, "https://eSHOP.example/", 3, "c"), C::NoError);
    ASSERT_EQ(AddRecord(f, "https://workshops.example/", 4, "a"), C::NoError);
    ASSERT_EQ(AddRecord(f, "https://sh.example/op", 5, "a"), C::NoError);
  }
  void Sql(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Path().c_str(), &db), SQLITE_OK);
    runtime::files::SqliteDriver::RegisterCollations(db);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
  // One text from a query's rows (each row's columns joined by ',', rows by ' ').
  std::string Query(const std::string& sql) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(Path().c_str(), &db), SQLITE_OK);
    runtime::files::SqliteDriver::RegisterCollations(db);
    std::string out;
    sqlite3_exec(
        db, sql.c_str(),
        [](void* o, int n, char** values, char**) {
          auto& text = *static_cast<std::string*>(o);
          if (!text.empty()) text += ' ';
          for (int i = 0; i < n; ++i) text += std::string(i > 0 ? "," : "") + (values[i] ? values[i] : "null");
          return 0;
        },
        &out, nullptr);
    sqlite3_close(db);
    return out;
  }
  // Every record has a label, the labels follow the first key, and the index holds
  // exactly the records' texts under their labels.
  void ExpectLabelsInStep() {
    const runtime::files::SqliteSchema schema(Definition);
    EXPECT_EQ(Query("SELECT count(*) FROM vk_records WHERE vk_order IS NULL"), "0");
    EXPECT_EQ(Query("SELECT group_concat(vk_id) FROM (SELECT vk_id FROM vk_records ORDER BY vk_order)"),
              Query("SELECT group_concat(vk_id) FROM (SELECT vk_id FROM vk_records ORDER BY " + schema.OrderBy(1, true) +
                    ")"));
    Sql("INSERT INTO vk_find(vk_find) VALUES('integrity-check')");
  }
  std::string Layout() {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(Path().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    std::string text;
    sqlite3_prepare_v2(db, "SELECT value FROM vk_layout WHERE name='layout'", -1, &stmt, nullptr);
    if (sqlite3_step(stmt) == SQLITE_ROW) text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return text;
  }
  bool HasIndex() {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(Path().c_str(), &db), SQLITE_OK);
    const bool found = runtime::files::SqliteFind::HasIndex(db);
    sqlite3_close(db);
    return found;
  }
};

TEST_F(SqliteFindTest, ReadsOnlyTheMatchingRecordsInEveryKeyOrderBothWays) {
  auto f = Handle();
  AddFive(*f);
  EXPECT_TRUE(HasIndex());
  EXPECT_EQ(f->Send("FIND=Shop"), "Shop");
  EXPECT_EQ(Dump(*f, KeyUrl), "https://eSHOP.example/:3 https://shop.example/:1 https://workshops.example/:4");
  EXPECT_EQ(Dump(*f, KeyUrl, false), "https://workshops.example/:4 https://shop.example/:1 https://eSHOP.example/:3");
  EXPECT_EQ(Dump(*f, KeyTag), "https://workshops.example/:4 https://shop.example/:1 https://eSHOP.example/:3");
  EXPECT_EQ(f->Send("FIND"), "Shop");
  // Shorter than the index serves: every record is read, with the same rule.
  f->Send("FIND=Sh");
  EXPECT_EQ(Dump(*f, KeyUrl),
            "https://eSHOP.example/:3 https://sh.example/op:5 https://shop.example/:1 https://workshops.example/:4");
  f->Send("FIND=nothing like it");
  EXPECT_EQ(Dump(*f, KeyUrl), "");
  f->Send("FIND=");
  const std::string all = Dump(*f, KeyUrl);
  EXPECT_EQ(std::count(all.begin(), all.end(), ' '), 4);
}

TEST_F(SqliteFindTest, WritesHereAndElsewhereShowAtTheNextRead) {
  auto f = Handle();
  AddFive(*f);
  f->Send("FIND=shop");
  EXPECT_EQ(Dump(*f, KeyUrl), "https://eSHOP.example/:3 https://shop.example/:1 https://workshops.example/:4");
  ASSERT_EQ(AddRecord(*f, "https://bookshop.example/", 6), C::NoError);
  auto other = Handle();
  ASSERT_EQ(AddRecord(*other, "https://zshop.example/", 7), C::NoError);
  testfiles::Fill(Rec(*other), "https://workshops.example/", 0);
  ASSERT_EQ(other->GetByKey(KeyUrl), C::NoError);
  ASSERT_EQ(other->Delete(), C::NoError);
  testfiles::Fill(Rec(*other), "https://news.example/", 0);
  ASSERT_EQ(other->GetByKey(KeyUrl), C::NoError);
  testfiles::Fill(Rec(*other), "https://news-shop.example/", 2);
  ASSERT_EQ(other->Put(), C::NoError);
  EXPECT_EQ(Dump(*f, KeyUrl),
            "https://bookshop.example/:6 https://eSHOP.example/:3 https://news-shop.example/:2 "
            "https://shop.example/:1 https://zshop.example/:7");
}

TEST_F(SqliteFindTest, OrderLabelsFollowTheKeyThroughCrowdedInsertsKeyChangesAndOtherProgramsWrites) {
  // The labels follow the first key: the address (exact), or the tag without regard to
  // case and then the count descending.
  for (const bool tagFirst : {false, true}) {
    SCOPED_TRACE(tagFirst ? "tag key first" : "address key first");
    std::filesystem::remove(Path());
    if (tagFirst) std::swap(Definition.Keys[0], Definition.Keys[1]);
    const int urlKey = tagFirst ? 2 : 1;
    auto f = Handle();
    ASSERT_EQ(AddRecord(*f, "https://a.example/", 1, "a"), C::NoError);
    ASSERT_EQ(AddRecord(*f, "https://z.example/", 1, "z"), C::NoError);
    // Into the one gap between those two, forward then backward: the gap is used up
    // many times over and the records after it renumbered.
    std::vector<std::string> found;
    for (int i = 0; i < 120; ++i) {
      char url[64];
      std::snprintf(url, sizeof url, "https://m.example/%03d", i);
      ASSERT_EQ(AddRecord(*f, url, 1000 - i, "m"), C::NoError);
      std::snprintf(url, sizeof url, "https://n.example/%03d", 119 - i);
      ASSERT_EQ(AddRecord(*f, url, i, i % 2 == 0 ? "N" : "n"), C::NoError);
    }
    ExpectLabelsInStep();
    // A key that changes moves its record.
    testfiles::Fill(Rec(*f), "https://m.example/050", 0);
    ASSERT_EQ(f->GetByKey(urlKey), C::NoError);
    testfiles::Fill(Rec(*f), "https://b.example/050", 5, "b");
    ASSERT_EQ(f->Put(), C::NoError);
    ExpectLabelsInStep();
    // Every order, both ways, reads what the whole list holds that contains the text.
    auto expectNarrowed = [&](const std::string& text) {
      for (const int key : {1, 2}) {
        for (const bool forward : {true, false}) {
          f->Send("FIND=");
          std::string all = Dump(*f, key, forward) + " ";
          std::string kept;
          for (size_t at = 0, end; (end = all.find(' ', at)) != std::string::npos; at = end + 1) {
            const std::string one = all.substr(at, end - at);
            if (one.substr(0, one.rfind(':')).find(text) != std::string::npos) kept += (kept.empty() ? "" : " ") + one;
          }
          f->Send("FIND=" + text);
          EXPECT_EQ(Dump(*f, key, forward), kept) << "key " << key << (forward ? " forward" : " backward");
        }
      }
    };
    expectNarrowed("example/05");
    expectNarrowed("n.example/1");
    f->Send("FIND=example/05");
    const std::string fives = Dump(*f, urlKey);
    EXPECT_EQ(fives.substr(0, 26), "https://b.example/050:5 ht");
    EXPECT_EQ(std::count(fives.begin(), fives.end(), ' '), 19);
    // Another program's record has no label: it is found all the same, and the next
    // write here places it.
    Sql("INSERT INTO vk_records(\"URL:URL\",\"URL:COUNT\",\"URL:TAG\") VALUES('https://m.example/050-other', 9, 'm')");
    EXPECT_EQ(Dump(*f, urlKey), "https://b.example/050:5 https://m.example/050-other:9 " + fives.substr(24));
    ASSERT_EQ(AddRecord(*f, "https://c.example/", 1, "c"), C::NoError);
    ExpectLabelsInStep();
    EXPECT_EQ(Dump(*f, urlKey), "https://b.example/050:5 https://m.example/050-other:9 " + fives.substr(24));
    expectNarrowed("050");
    if (tagFirst) std::swap(Definition.Keys[0], Definition.Keys[1]);
  }
}

// A list added in one transaction: its records are placed at the commit, all numbered
// afresh when they outnumber the others, by runs otherwise; until then they are found
// all the same.
TEST_F(SqliteFindTest, ManyRecordsAddedInOneTransactionAreNumberedAtTheCommitAndFoundBefore) {
  auto f = Handle();
  AddFive(*f);
  ASSERT_EQ(runtime::files::Transaction::Begin(5, {f.get()}), C::NoError);
  for (int i = 0; i < 1200; ++i) {
    const int n = (i * 7) % 1200;  // not in key order
    char url[64];
    std::snprintf(url, sizeof url, "https://list.example/%04d/%s", n, n % 3 == 0 ? "shop" : "x");
    ASSERT_EQ(AddRecord(*f, url, n, i % 2 == 0 ? "b" : "a"), C::NoError);
  }
  f->Send("FIND=0999/shop");
  EXPECT_EQ(Dump(*f, KeyUrl), "https://list.example/0999/shop:999");
  f->Send("FIND=");
  ASSERT_EQ(runtime::files::Transaction::Commit(), C::NoError);
  ExpectLabelsInStep();
  f->Send("FIND=shop");
  const std::string shops = Dump(*f, KeyUrl);
  EXPECT_EQ(std::count(shops.begin(), shops.end(), ' '), 400 + 3 - 1);
  EXPECT_EQ(shops.substr(0, shops.find(' ')), "https://eSHOP.example/:3");
  EXPECT_EQ(Dump(*f, KeyUrl, false).substr(0, 27), "https://workshops.example/:");
  // A sorted list into the middle of the file, fewer than the others: each run of them
  // is spread between its labelled neighbours.
  ASSERT_EQ(runtime::files::Transaction::Begin(5, {f.get()}), C::NoError);
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(AddRecord(*f, "https://list.example/0600/shop/" + std::to_string(100 + i), i), C::NoError);
  }
  ASSERT_EQ(runtime::files::Transaction::Commit(), C::NoError);
  ExpectLabelsInStep();
  f->Send("FIND=0600/shop");
  const std::string middle = Dump(*f, KeyUrl);
  EXPECT_EQ(std::count(middle.begin(), middle.end(), ' '), 100);
  EXPECT_EQ(middle.substr(0, middle.find(' ')), "https://list.example/0600/shop:600");
}

// A file of an earlier storage format: 2 (before the find index, which the program
// version before it may have added on its own) or 3 (the index numbered by row id,
// no order labels). Made now, then taken back to that format.
TEST_F(SqliteFindTest, AnOlderFileGetsTheIndexWhenUpgradedForWritingAndIsSearchedReadOnly) {
  const runtime::files::SqliteSchema schema(Definition);
  const std::string oldIndex =
      "CREATE VIRTUAL TABLE vk_find USING fts5(\"URL:URL\", content='vk_records', content_rowid='vk_id', "
      "tokenize='trigram case_sensitive 0');"
      "CREATE TRIGGER vk_find_add AFTER INSERT ON vk_records BEGIN "
      "INSERT INTO vk_find(rowid,\"URL:URL\") VALUES(new.vk_id,new.\"URL:URL\"); END;"
      "CREATE TRIGGER vk_find_remove AFTER DELETE ON vk_records BEGIN "
      "INSERT INTO vk_find(vk_find,rowid,\"URL:URL\") VALUES('delete',old.vk_id,old.\"URL:URL\"); END;"
      "INSERT INTO vk_find(vk_find) VALUES('rebuild');";
  for (const auto& [format, hadIndex] : {std::pair{2, false}, std::pair{2, true}, std::pair{3, true}}) {
    SCOPED_TRACE("format " + std::to_string(format) + (hadIndex ? " with the index" : " without the index"));
    std::filesystem::remove(Path());
    {
      auto f = Handle();
      AddFive(*f);
    }
    Sql("DROP TRIGGER vk_find_add; DROP TRIGGER vk_find_remove; DROP TRIGGER vk_find_change; DROP TABLE vk_find;"
        "DROP INDEX vk_order_index; ALTER TABLE vk_records DROP COLUMN vk_order;" +
        (hadIndex ? oldIndex : std::string()) + "UPDATE vk_layout SET value='" + schema.LayoutText(format) +
        "' WHERE name='layout'");
    EXPECT_EQ(HasIndex(), hadIndex);
    {
      auto reader = Handle(ReadOnlyShared, false);
      reader->Send("FIND=shop");
      EXPECT_EQ(Dump(*reader, KeyUrl), "https://eSHOP.example/:3 https://shop.example/:1 https://workshops.example/:4");
      EXPECT_EQ(Dump(*reader, KeyTag), "https://workshops.example/:4 https://shop.example/:1 https://eSHOP.example/:3");
    }
    EXPECT_EQ(HasIndex(), hadIndex) << "a reader changes nothing";
    auto writer = Handle(ReadWriteShared, false);
    EXPECT_TRUE(HasIndex());
    EXPECT_EQ(Layout(), schema.LayoutText());
    ExpectLabelsInStep();
    writer->Send("FIND=shop");
    EXPECT_EQ(Dump(*writer, KeyUrl), "https://eSHOP.example/:3 https://shop.example/:1 https://workshops.example/:4");
    ASSERT_EQ(AddRecord(*writer, "https://bookshop.example/", 6), C::NoError);
    EXPECT_EQ(Dump(*writer, KeyUrl),
              "https://bookshop.example/:6 https://eSHOP.example/:3 https://shop.example/:1 https://workshops.example/:4");
    ExpectLabelsInStep();
  }
}

}  // namespace
}  // namespace testfiles
