// Narrowing a file's reads to the records whose find field contains a text: the
// same records in the same key orders, forward and back, whether the index serves the
// text or every record is read; writes here and by another connection show at the
// next read; a file of the format before the index gets it from the format upgrade
// when opened for writing (whether or not it had it already), and is still searched
// when opened read-only.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "runtime/files/SqliteFind.h"
#include "runtime/files/SqliteSchema.h"
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
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
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

// A file of the storage format before the find index (2): made now, then taken back to
// that format, with the index gone or, as the previous program version added it on
// its own, still there.
TEST_F(SqliteFindTest, AnOlderFileGetsTheIndexWhenUpgradedForWritingAndIsSearchedReadOnly) {
  for (const bool hadIndex : {false, true}) {
    SCOPED_TRACE(hadIndex ? "the file had the index" : "the file had no index");
    std::filesystem::remove(Path());
    {
      auto f = Handle();
      AddFive(*f);
    }
    const runtime::files::SqliteSchema schema(Definition);
    Sql("UPDATE vk_layout SET value='" + schema.LayoutText(2) + "' WHERE name='layout'");
    if (!hadIndex) Sql("DROP TRIGGER vk_find_add; DROP TRIGGER vk_find_remove; DROP TRIGGER vk_find_change; DROP TABLE vk_find");
    EXPECT_EQ(HasIndex(), hadIndex);
    {
      auto reader = Handle(ReadOnlyShared, false);
      reader->Send("FIND=shop");
      EXPECT_EQ(Dump(*reader, KeyUrl), "https://eSHOP.example/:3 https://shop.example/:1 https://workshops.example/:4");
    }
    EXPECT_EQ(HasIndex(), hadIndex) << "a reader changes nothing";
    auto writer = Handle(ReadWriteShared, false);
    EXPECT_TRUE(HasIndex());
    EXPECT_EQ(Layout(), schema.LayoutText());
    writer->Send("FIND=shop");
    EXPECT_EQ(Dump(*writer, KeyUrl), "https://eSHOP.example/:3 https://shop.example/:1 https://workshops.example/:4");
    ASSERT_EQ(AddRecord(*writer, "https://bookshop.example/", 6), C::NoError);
    EXPECT_EQ(Dump(*writer, KeyUrl),
              "https://bookshop.example/:6 https://eSHOP.example/:3 https://shop.example/:1 https://workshops.example/:4");
  }
}

}  // namespace
}  // namespace testfiles
