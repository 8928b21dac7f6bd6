// The UrlList data file and its per-thread managers: the record layout, the deferred
// initialisation on first use, addresses that differ only in case, the upgrade of older files, long addresses and
// numbers that do not fit, and threads with managers of their own.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include <sqlite3.h>

#include "app/UrlListFile.h"
#include "app/UrlListManagers.h"
#include "app/UrlListRecord.h"
#include "framework/data/FileUsageRegistry.h"
#include "framework/data/UseType.h"
#include "runtime/files/FileMode.h"
#include "runtime/files/SqliteDriver.h"
#include "runtime/files/SqliteSchema.h"
#include "tests/framework/data/DataTestFixture.h"
#include "tests/support/SmallDisk.h"

namespace app {
namespace {

using framework::data::UseType;
using framework::data::Walk;
using framework::error::LevelNotice;
using framework::error::LevelQuiet;

class UrlListTest : public datatest::DataFixture {
 protected:
  void TearDown() override {
    UrlListManagers::Kill();
    UrlListFile::Destroy();
    DataFixture::TearDown();
  }
  // Adds a record through the relation manager, as the form does.
  framework::error::ErrorLevel Add(const std::string& url, int32_t times) {
    UrlListFileManager& files = *UrlListManagers::FileManager();
    UrlListFile::Instance().ClearBuffer();
    files.AssignUrl(url);
    UrlListFile::Record().NumberOfTimesToOpen = times;
    return UrlListManagers::Relate()->Insert();
  }
};

TEST_F(UrlListTest, TheRecordIsTwoHundredAndFourBytesWithItsFieldNames) {
  const runtime::data::RecordType& type = UrlListRecord::Type();
  EXPECT_EQ(type.Size(), 204u);
  ASSERT_EQ(type.FieldCount(), 2u);
  EXPECT_EQ(type.Field(0).Name, "URL:URL");
  EXPECT_EQ(type.Field(0).Size, 200u);
  EXPECT_EQ(type.Field(1).Name, "URL:NUMBEROFTIMESTOOPEN");
  EXPECT_EQ(type.Field(1).Offset, 200u);
  const runtime::files::FileDefinition& d = UrlListFile::Definition();
  EXPECT_EQ(d.Label, "UrlList");
  EXPECT_EQ(d.Prefix, "URL");
  EXPECT_EQ(d.FileName, "URLLIST");
  ASSERT_EQ(d.Keys.size(), 1u);
  EXPECT_EQ(d.Keys[0].Name, "URL:KEYURL");
  EXPECT_EQ(d.Keys[0].Flags(), 6);  // unique, without regard to case, primary
}

TEST_F(UrlListTest, BuildingTouchesNoFileAndKillingAnUnusedManagerWorks) {
  UrlListManagers::Build(Errors);
  ASSERT_TRUE(UrlListManagers::Built());
  EXPECT_EQ(UrlListManagers::Access(), UrlListManagers::FileManager());
  EXPECT_EQ(UrlListManagers::Relate(), UrlListManagers::RelationManager());
  EXPECT_FALSE(UrlListManagers::FileManager()->Initialized);
  EXPECT_EQ(UrlListManagers::FileManager()->FileNameValue, "UrlList");
  EXPECT_FALSE(std::filesystem::exists("URLLIST.vkdb"));
  auto& registry = framework::data::FileUsageRegistry::Current();
  EXPECT_EQ(registry.GetFileManager(&UrlListFile::Instance()), UrlListManagers::FileManager());
  UrlListManagers::Kill();
  EXPECT_FALSE(UrlListManagers::Built());
  EXPECT_EQ(UrlListManagers::Access(), nullptr);
  EXPECT_EQ(UrlListManagers::Relate(), nullptr);
  EXPECT_EQ(registry.GetFileManager(&UrlListFile::Instance()), nullptr);
  EXPECT_EQ(registry.GetRelationManager(&UrlListFile::Instance()), nullptr);
  UrlListManagers::Kill();
}

TEST_F(UrlListTest, TheFirstUseInitialisesTheManagerOnceAndCreatesTheFile) {
  UrlListManagers::Build(Errors);
  framework::data::RelationManager& relate = *UrlListManagers::Relate();
  UrlListFileManager& files = *UrlListManagers::FileManager();
  ASSERT_EQ(relate.Open(Walk::Top), LevelQuiet);
  EXPECT_EQ(files.FullInitialisations, 1u);
  EXPECT_TRUE(std::filesystem::exists("URLLIST.vkdb"));
  EXPECT_EQ(files.FileNameValue, "URLLIST.vkdb");
  ASSERT_EQ(files.Keys.size(), 1u);
  EXPECT_EQ(files.Keys[0].Description, "Url:KeyUrl");
  EXPECT_EQ(files.GetKeyOrder(UrlListFile::KeyUrl), "UPPER(URL:URL)");
  EXPECT_EQ(relate.UseLogout, 1);
  EXPECT_EQ(relate.LogoutTimeout, 2);
  ASSERT_EQ(Add("https://example.org", 2), LevelQuiet);
  ASSERT_EQ(files.Next(), LevelNotice);
  relate.Close(Walk::Top);
  ASSERT_EQ(relate.Open(Walk::Top), LevelQuiet);
  relate.Close(Walk::Top);
  EXPECT_EQ(files.FullInitialisations, 1u);
  EXPECT_TRUE(Errors.Boxes().empty());
}

// Lists the stored addresses in KeyUrl order.
std::vector<std::string> AddressesInKeyOrder() {
  std::vector<std::string> out;
  UrlListFileManager& files = *UrlListManagers::FileManager();
  UrlListFile::Instance().ClearBuffer();
  if (UrlListFile::Instance().SetKeyPosition(UrlListFile::KeyUrl) != 0) return out;
  // Bounded: a cursor that repeated rows must fail the test, not hang it.
  constexpr size_t Enough = 100;
  while (out.size() < Enough && files.Next() == LevelQuiet) out.emplace_back(UrlListFile::Record().Url);
  return out;
}

TEST_F(UrlListTest, OnlyTheExactAddressIsADuplicateAndTheOrderIgnoresCase) {
  UrlListManagers::Build(Errors);
  framework::data::RelationManager& relate = *UrlListManagers::Relate();
  ASSERT_EQ(relate.Open(Walk::Top), LevelQuiet);
  ASSERT_EQ(Add("https://example.com/Abc", 1), LevelQuiet);
  ASSERT_EQ(Add("https://example.com/abc", 2), LevelQuiet);
  ASSERT_EQ(Add("https://EXAMPLE.com/abd", 2), LevelQuiet);
  ASSERT_EQ(Add("https://example.com/ABB", 2), LevelQuiet);
  EXPECT_TRUE(Errors.Boxes().empty());
  EXPECT_EQ(Add("https://example.com/abc", 3), LevelNotice);
  ASSERT_EQ(Errors.Boxes().size(), 1u);
  EXPECT_EQ(Errors.Boxes()[0].Title, "Duplicate Key Error");
  EXPECT_EQ(Errors.Boxes()[0].Text, "Adding this record creates a duplicate entry for the key: Url:KeyUrl");
  EXPECT_EQ(AddressesInKeyOrder(), (std::vector<std::string>{"https://example.com/ABB", "https://example.com/Abc",
                                                              "https://example.com/abc", "https://EXAMPLE.com/abd"}));
  relate.Close(Walk::Top);
}

// Makes the file look as the first storage format wrote it: one unique index that
// ignores case, and the old layout text.
void DowngradeToFirstFormat(const std::string& path) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  runtime::files::SqliteDriver::RegisterCollations(db);
  const runtime::files::SqliteSchema schema(UrlListFile::Definition());
  // That format had neither the find index nor the order labels.
  const std::string sql = "BEGIN; DROP INDEX \"URL:KEYURL\"; DROP INDEX \"URL:KEYURL#exact\";"
                          "DROP TRIGGER vk_find_add; DROP TRIGGER vk_find_remove; DROP TRIGGER vk_find_change;"
                          "DROP TABLE vk_find; DROP INDEX vk_order_index; ALTER TABLE vk_records DROP COLUMN vk_order;"
                          "CREATE UNIQUE INDEX \"URL:KEYURL\" ON vk_records(\"URL:URL\" COLLATE VK_UPPER ASC);"
                          "UPDATE vk_layout SET value='" + schema.LayoutText(1) + "' WHERE name='layout'; COMMIT;";
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

std::string StoredLayout(const std::string& path) {
  sqlite3* db = nullptr;
  std::string layout;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_exec(
        db, "SELECT value FROM vk_layout WHERE name='layout'",
        [](void* out, int, char** values, char**) {
          *static_cast<std::string*>(out) = values[0];
          return 0;
        },
        &layout, nullptr);
  }
  sqlite3_close(db);
  return layout;
}

TEST_F(UrlListTest, AFileOfTheFirstFormatIsUpgradedInPlaceAndKeepsItsRecords) {
  UrlListManagers::Build(Errors);
  framework::data::RelationManager& relate = *UrlListManagers::Relate();
  ASSERT_EQ(relate.Open(Walk::Top), LevelQuiet);
  ASSERT_EQ(Add("https://example.com/Abc", 1), LevelQuiet);
  ASSERT_EQ(Add("https://example.org", 2), LevelQuiet);
  relate.Close(Walk::Top);
  UrlListManagers::Kill();
  UrlListFile::Destroy();
  DowngradeToFirstFormat("URLLIST.vkdb");
  const runtime::files::SqliteSchema schema(UrlListFile::Definition());
  ASSERT_EQ(StoredLayout("URLLIST.vkdb"), schema.LayoutText(1));

  // A reader takes the old file as it stands and writes nothing.
  {
    runtime::files::SqliteDriver reader;
    ASSERT_TRUE(reader.Open(UrlListFile::Definition(), "URLLIST.vkdb",
                            runtime::files::FileMode::ReadOnly | runtime::files::FileMode::DenyNone)
                    .IsOk());
    (void)reader.Close();  // what is checked here is the open
    EXPECT_EQ(StoredLayout("URLLIST.vkdb"), schema.LayoutText(1));
  }

  UrlListManagers::Build(Errors);
  framework::data::RelationManager& again = *UrlListManagers::Relate();
  ASSERT_EQ(again.Open(Walk::Top), LevelQuiet);
  EXPECT_EQ(StoredLayout("URLLIST.vkdb"), schema.LayoutText());
  ASSERT_EQ(Add("https://example.com/abc", 3), LevelQuiet);
  EXPECT_EQ(Add("https://example.org", 3), LevelNotice);
  EXPECT_EQ(AddressesInKeyOrder(), (std::vector<std::string>{"https://example.com/Abc", "https://example.com/abc",
                                                              "https://example.org"}));
  again.Close(Walk::Top);
  EXPECT_EQ(Errors.Boxes().size(), 1u);
}

TEST_F(UrlListTest, AnUpgradeThatCannotBeWrittenLeavesTheOldFileWhole) {
  UrlListManagers::Build(Errors);
  framework::data::RelationManager& relate = *UrlListManagers::Relate();
  ASSERT_EQ(relate.Open(Walk::Top), LevelQuiet);
  ASSERT_EQ(Add("https://example.com/Abc", 1), LevelQuiet);
  relate.Close(Walk::Top);
  UrlListManagers::Kill();
  UrlListFile::Destroy();
  DowngradeToFirstFormat("URLLIST.vkdb");
  const runtime::files::SqliteSchema schema(UrlListFile::Definition());

  // Another program stored the same address twice and loosened the old index: the
  // step that builds the exact unique index fails after dropping the old one, and the
  // whole upgrade is rolled back.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open("URLLIST.vkdb", &other), SQLITE_OK);
  runtime::files::SqliteDriver::RegisterCollations(other);
  ASSERT_EQ(sqlite3_exec(other,
                         "DROP INDEX \"URL:KEYURL\";"
                         "CREATE INDEX \"URL:KEYURL\" ON vk_records(\"URL:URL\" COLLATE VK_UPPER ASC);"
                         "INSERT INTO vk_records(\"URL:URL\", \"URL:NUMBEROFTIMESTOOPEN\") VALUES('https://example.com/Abc', 5)",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(other);
  runtime::files::SqliteDriver writer;
  const runtime::files::DriverStatus status = writer.Open(
      UrlListFile::Definition(), "URLLIST.vkdb", runtime::files::FileMode::ReadWrite | runtime::files::FileMode::DenyNone);
  EXPECT_FALSE(status.IsOk()) << status.FileText;
  (void)writer.Close();  // what is checked here is the open
  EXPECT_EQ(StoredLayout("URLLIST.vkdb"), schema.LayoutText(1));
  sqlite3* check = nullptr;
  ASSERT_EQ(sqlite3_open("URLLIST.vkdb", &check), SQLITE_OK);
  runtime::files::SqliteDriver::RegisterCollations(check);
  int indexes = 0;
  sqlite3_exec(
      check, "SELECT count(*) FROM sqlite_master WHERE type='index' AND name='URL:KEYURL'",
      [](void* out, int, char** values, char**) {
        *static_cast<int*>(out) = std::atoi(values[0]);
        return 0;
      },
      &indexes, nullptr);
  EXPECT_EQ(indexes, 1);
  // Once the other program's duplicate is gone, the next open upgrades.
  ASSERT_EQ(sqlite3_exec(check, "DELETE FROM vk_records WHERE \"URL:NUMBEROFTIMESTOOPEN\"=5", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(check);

  runtime::files::SqliteDriver later;
  ASSERT_TRUE(later.Open(UrlListFile::Definition(), "URLLIST.vkdb",
                         runtime::files::FileMode::ReadWrite | runtime::files::FileMode::DenyNone)
                  .IsOk());
  (void)later.Close();  // what is checked here is the open
  EXPECT_EQ(StoredLayout("URLLIST.vkdb"), schema.LayoutText());
}

TEST_F(UrlListTest, AFileInAReadOnlyFolderIsListedReadOnlyAfterOneMessage) {
  testsupport::SmallDisk disk(1024 * 1024);
  if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
  const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::current_path(disk.Folder());
  UrlListManagers::Build(Errors);
  framework::data::RelationManager& relate = *UrlListManagers::Relate();
  ASSERT_EQ(relate.Open(Walk::Top), LevelQuiet);
  ASSERT_EQ(Add("https://example.com/a", 1), LevelQuiet);
  ASSERT_EQ(Add("https://example.com/b", 2), LevelQuiet);
  relate.Close(Walk::Top);
  UrlListManagers::Kill();
  UrlListFile::Destroy();
  ASSERT_TRUE(disk.MakeReadOnly());

  UrlListManagers::Build(Errors);
  framework::data::RelationManager& again = *UrlListManagers::Relate();
  EXPECT_EQ(again.Open(Walk::Top), LevelQuiet);
  EXPECT_EQ(AddressesInKeyOrder(), (std::vector<std::string>{"https://example.com/a", "https://example.com/b"}));
  ASSERT_EQ(Errors.Boxes().size(), 1u);
  EXPECT_EQ(Errors.Boxes()[0].Title, "Access Denied");
  again.Close(Walk::Top);
  UrlListManagers::Kill();
  UrlListFile::Destroy();
  std::filesystem::current_path(home);
}

TEST_F(UrlListTest, AFullDiskIsNamedInTheMessageAndLosesNothingStored) {
  testsupport::SmallDisk disk(1024 * 1024);
  if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
  const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::current_path(disk.Folder());
  UrlListManagers::Build(Errors);
  framework::data::RelationManager& relate = *UrlListManagers::Relate();
  ASSERT_EQ(relate.Open(Walk::Top), LevelQuiet);
  ASSERT_EQ(Add("https://example.com/kept", 1), LevelQuiet);
  const std::string filler = disk.Fill();
  bool full = false;
  for (int i = 0; i < 50 && !full; ++i) full = Add("https://example.com/" + std::string(150, 'x') + std::to_string(i), 1) != LevelQuiet;
  ASSERT_TRUE(full);
  ASSERT_FALSE(Errors.Boxes().empty());
  EXPECT_NE(Errors.Boxes().back().Text.find("the disk is full"), std::string::npos) << Errors.Boxes().back().Text;
  std::filesystem::remove(filler);
  EXPECT_EQ(AddressesInKeyOrder().front(), "https://example.com/kept");
  relate.Close(Walk::Top);
  UrlListManagers::Kill();
  UrlListFile::Destroy();
  std::filesystem::current_path(home);
}

// Runs `sql` on the data file as another program would.
void Foreign(const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open("URLLIST.vkdb", &db), SQLITE_OK);
  runtime::files::SqliteDriver::RegisterCollations(db);
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

std::string StoredText(const std::string& where) {
  sqlite3* db = nullptr;
  std::string out = "?";
  if (sqlite3_open("URLLIST.vkdb", &db) == SQLITE_OK) {
    const std::string sql = "SELECT typeof(\"URL:URL\") || ':' || length(CAST(\"URL:URL\" AS BLOB)) || ':' || "
                            "\"URL:NUMBEROFTIMESTOOPEN\" FROM vk_records WHERE " + where;
    sqlite3_exec(
        db, sql.c_str(),
        [](void* o, int, char** values, char**) {
          *static_cast<std::string*>(o) = values[0] ? values[0] : "null";
          return 0;
        },
        &out, nullptr);
  }
  sqlite3_close(db);
  return out;
}

TEST_F(UrlListTest, RowsWrittenByAnotherProgramAreListedOnceMarkedAndNeverChangedUnasked) {
  UrlListManagers::Build(Errors);
  framework::data::RelationManager& relate = *UrlListManagers::Relate();
  ASSERT_EQ(relate.Open(Walk::Top), LevelQuiet);
  ASSERT_EQ(Add("https://a.example/", 1), LevelQuiet);
  ASSERT_EQ(Add("https://z.example/", 1), LevelQuiet);
  relate.Close(Walk::Top);
  const std::string longUrl = "https://long.example/" + std::string(250, 'L');
  Foreign("INSERT INTO vk_records(\"URL:URL\", \"URL:NUMBEROFTIMESTOOPEN\") VALUES"
          "(CAST('https://blob.example/' AS BLOB), 1),"
          "('" + longUrl + "', 2),"
          "('https://nul.example/' || char(0) || 'rest', 3),"
          "('https://big.example/', 1099511627776)");
  ASSERT_EQ(relate.Open(Walk::Top), LevelQuiet);
  const std::string mark = "\xE2\x80\xA6";
  const std::vector<std::string> listed = AddressesInKeyOrder();
  ASSERT_EQ(listed.size(), 6u);
  EXPECT_EQ(listed[0], "https://a.example/");
  EXPECT_EQ(listed[1], "https://big.example/");
  EXPECT_EQ(listed[2], longUrl.substr(0, 196) + mark);
  EXPECT_EQ(listed[3], "https://nul.example/" + mark);
  EXPECT_EQ(listed[4], "https://z.example/");
  EXPECT_EQ(listed[5], "https://blob.example/");

  UrlListFileManager& files = *UrlListManagers::FileManager();
  UrlListRecord& record = UrlListFile::Record();
  // The count that does not fit shows as the nearest value, which "@n9" marks as "#########".
  UrlListFile::Instance().ClearBuffer();
  files.AssignUrl("https://big.example/");
  ASSERT_EQ(files.Fetch(UrlListFile::KeyUrl), LevelQuiet);
  EXPECT_EQ(record.NumberOfTimesToOpen, INT32_MAX);
  files.AssignUrl("https://big2.example/");
  ASSERT_EQ(relate.Update(framework::data::UpdateSource::Program), LevelQuiet);
  EXPECT_EQ(StoredText("\"URL:URL\"='https://big2.example/'"), "text:21:1099511627776");
  // Changing only the count of the long address keeps the whole address.
  UrlListFile::Instance().ClearBuffer();
  UrlListFile::Instance().SetKeyPosition(UrlListFile::KeyUrl);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(files.Next(), LevelQuiet);
  ASSERT_EQ(std::string(record.Url), longUrl.substr(0, 196) + mark);
  record.NumberOfTimesToOpen = 9;
  ASSERT_EQ(relate.Update(framework::data::UpdateSource::Program), LevelQuiet);
  EXPECT_EQ(StoredText("\"URL:NUMBEROFTIMESTOOPEN\"=9"), "text:" + std::to_string(longUrl.size()) + ":9");
  relate.Close(Walk::Top);
}

TEST_F(UrlListTest, LongAddressesAreCutWholeCharactersAndEmptyOnesAreAccepted) {
  UrlListManagers::Build(Errors);
  framework::data::RelationManager& relate = *UrlListManagers::Relate();
  UrlListFileManager& files = *UrlListManagers::FileManager();
  ASSERT_EQ(relate.Open(Walk::Top), LevelQuiet);
  const std::string exact(199, 'x');
  ASSERT_EQ(Add(exact, 1), LevelQuiet);
  // 198 bytes and a two-byte character: the character does not fit and is left out.
  const std::string split = std::string(198, 'y') + "\xC3\xA9" + "tail";
  ASSERT_EQ(Add(split, 1), LevelQuiet);
  ASSERT_EQ(Add("", 0), LevelQuiet);

  UrlListRecord& record = UrlListFile::Record();
  UrlListFile::Instance().ClearBuffer();
  files.AssignUrl(exact);
  ASSERT_EQ(files.Fetch(UrlListFile::KeyUrl), LevelQuiet);
  EXPECT_EQ(std::string(record.Url), exact);
  EXPECT_EQ(record.Url[199], '\0');
  UrlListFile::Instance().ClearBuffer();
  files.AssignUrl(std::string(198, 'y'));
  ASSERT_EQ(files.Fetch(UrlListFile::KeyUrl), LevelQuiet);
  EXPECT_EQ(std::string(record.Url), std::string(198, 'y'));
  relate.Close(Walk::Top);
}

TEST_F(UrlListTest, ANumberThatDoesNotFitIsReportedAndNotStored) {
  UrlListManagers::Build(Errors);
  UrlListFileManager& files = *UrlListManagers::FileManager();
  UrlListRecord& record = UrlListFile::Record();
  record.NumberOfTimesToOpen = 3;
  EXPECT_EQ(files.AssignNumberOfTimesToOpen("2147483647"), LevelQuiet);
  EXPECT_EQ(record.NumberOfTimesToOpen, 2147483647);
  EXPECT_EQ(files.AssignNumberOfTimesToOpen("-4"), LevelQuiet);
  EXPECT_EQ(record.NumberOfTimesToOpen, -4);
  for (const char* bad : {"2147483648", "99999999999", "many"}) {
    Errors.Forget();
    EXPECT_EQ(files.AssignNumberOfTimesToOpen(bad), LevelNotice) << bad;
    EXPECT_EQ(record.NumberOfTimesToOpen, -4) << bad;
    ASSERT_EQ(Errors.Boxes().size(), 1u) << bad;
    EXPECT_EQ(Errors.Boxes()[0].Title, "Range Error");
    EXPECT_EQ(Errors.Boxes()[0].Text,
              "The value of NumberOfTimesToOpen must be in range -2147483648 to 2147483647.");
  }
}

using UrlListThreadTest = UrlListTest;

// Each thread has its own managers, file handle and buffer; one thread's work does
// not move another's buffer or position.
TEST_F(UrlListThreadTest, ThreadsHaveTheirOwnManagersAndBuffers) {
  {
    UrlListManagers::Build(Errors);
    ASSERT_EQ(UrlListManagers::Relate()->Open(Walk::Top), LevelQuiet);  // creates the file
    UrlListManagers::Relate()->Close(Walk::Top);
    UrlListManagers::Kill();
  }
  constexpr int Threads = 2;
  std::vector<std::thread> threads;
  std::vector<const void*> buffers(Threads), managers(Threads);
  std::vector<std::string> seen(Threads);
  // Both threads hold their managers at once before either goes on: a thread that had
  // already ended could have left its memory to the other's.
  std::latch bothBuilt(Threads);
  for (int i = 0; i < Threads; ++i) {
    threads.emplace_back([&, i] {
      UrlListManagers::Build(Errors);
      framework::data::RelationManager& relate = *UrlListManagers::Relate();
      managers[i] = UrlListManagers::FileManager();
      buffers[i] = &UrlListFile::Record();
      bothBuilt.arrive_and_wait();
      EXPECT_EQ(relate.Open(Walk::Top), framework::error::LevelQuiet);
      const std::string mine = "https://thread" + std::to_string(i) + ".example";
      UrlListFile::Instance().ClearBuffer();
      UrlListManagers::FileManager()->AssignUrl(mine);
      UrlListFile::Record().NumberOfTimesToOpen = i + 1;
      EXPECT_EQ(relate.Insert(), LevelQuiet);
      for (int round = 0; round < 20; ++round) {
        UrlListFile::Instance().ClearBuffer();
        UrlListManagers::FileManager()->AssignUrl(mine);
        EXPECT_EQ(UrlListManagers::FileManager()->Fetch(UrlListFile::KeyUrl), LevelQuiet);
        std::this_thread::yield();
      }
      seen[i] = UrlListFile::Record().Url;
      EXPECT_EQ(UrlListFile::Record().NumberOfTimesToOpen, i + 1);
      EXPECT_EQ(UrlListManagers::FileManager()->FullInitialisations, 1u);
      relate.Close(Walk::Top);
      UrlListManagers::Kill();
      UrlListFile::Destroy();
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_NE(buffers[0], buffers[1]);
  EXPECT_NE(managers[0], managers[1]);
  EXPECT_EQ(seen[0], "https://thread0.example");
  EXPECT_EQ(seen[1], "https://thread1.example");
  EXPECT_TRUE(Errors.Boxes().empty());
}

}  // namespace
}  // namespace app
