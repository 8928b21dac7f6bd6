// The UrlList data file and its per-thread managers: the record layout, the deferred
// initialisation on first use, duplicate addresses in any case, long addresses and
// numbers that do not fit, and threads with managers of their own.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "app/UrlListFile.h"
#include "app/UrlListManagers.h"
#include "app/UrlListRecord.h"
#include "framework/data/FileUsageRegistry.h"
#include "framework/data/UseType.h"
#include "tests/framework/data/DataTestFixture.h"

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
  EXPECT_EQ(UrlListManagers::FileManager()->Initialized, 0);
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

TEST_F(UrlListTest, TheSameAddressInAnyCaseIsADuplicateOfKeyUrl) {
  UrlListManagers::Build(Errors);
  framework::data::RelationManager& relate = *UrlListManagers::Relate();
  ASSERT_EQ(relate.Open(Walk::Top), LevelQuiet);
  ASSERT_EQ(Add("https://example.org/a", 1), LevelQuiet);
  EXPECT_EQ(Add("HTTPS://EXAMPLE.ORG/A", 3), LevelNotice);
  ASSERT_EQ(Errors.Boxes().size(), 1u);
  EXPECT_EQ(Errors.Boxes()[0].Title, "Duplicate Key Error");
  EXPECT_EQ(Errors.Boxes()[0].Text, "Adding this record creates a duplicate entry for the key: Url:KeyUrl");
  EXPECT_EQ(UrlListFile::Instance().Records(), 1);
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
  for (int i = 0; i < Threads; ++i) {
    threads.emplace_back([&, i] {
      UrlListManagers::Build(Errors);
      framework::data::RelationManager& relate = *UrlListManagers::Relate();
      managers[i] = UrlListManagers::FileManager();
      buffers[i] = &UrlListFile::Record();
      relate.Open(Walk::Top);
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
