// The INI manager: entries with their defaults, queues, sectors and their "$" names,
// and the three kinds of storage.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/window/IniManager.h"
#include "runtime/data/FieldRef.h"
#include "runtime/data/RecordQueue.h"
#include "runtime/settings/IniFile.h"
#include "runtime/settings/SettingsStore.h"

namespace {

namespace fs = std::filesystem;
using framework::window::IniManager;
using framework::window::SectorEntry;
using runtime::data::FieldRef;
using runtime::data::RecordQueue;
using runtime::settings::IniFile;
using runtime::settings::SettingsStore;

class IniManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vk-inimgr-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    Folder = pattern;
    Path = Folder + "/Vorkan42.INI";
    ::setenv("XDG_CONFIG_HOME", (Folder + "/config").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("XDG_CONFIG_HOME");
    std::error_code ec;
    fs::remove_all(Folder, ec);
  }
  std::string Contents() const {
    std::ifstream in(Path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string Folder;
  std::string Path;
};

TEST_F(IniManagerTest, MissingEntriesGiveTheirDefaults) {
  IniManager ini;
  ini.Init(Path, IniManager::StorageIniFile, 0);
  EXPECT_EQ(ini.Fetch("Main", "XPos"), "");
  EXPECT_EQ(ini.FetchString("Main", "XPos"), "---Unknown---");
  EXPECT_EQ(ini.ReadField("Main", "XPos", 1), "---Unknown---");
  int32_t x = INT32_MIN;  // "absent" stays absent
  ini.FetchValue("Main", "XPos", FieldRef::Of(x));
  EXPECT_EQ(x, INT32_MIN);
  ini.Teardown();
}

TEST_F(IniManagerTest, ValuesRoundTripWithTheVariablesOwnConversion) {
  IniManager ini;
  ini.Init(Path, IniManager::StorageIniFile, 0);
  ASSERT_TRUE(ini.Update("Main", "XPos", int64_t{-12}));
  ASSERT_TRUE(ini.Update("Main", "Maximize", "Yes"));
  double ratio = 2.5;
  ASSERT_TRUE(ini.Update("Main", "Ratio", FieldRef::Of(ratio)));

  int32_t x = 0;
  EXPECT_TRUE(ini.FetchValue("Main", "XPos", FieldRef::Of(x)));
  EXPECT_EQ(x, -12);
  char text[4] = "";
  EXPECT_TRUE(ini.FetchValue("Main", "Maximize", FieldRef::Of(text)));
  EXPECT_STREQ(text, "Yes");
  int32_t notANumber = 7;
  EXPECT_FALSE(ini.FetchValue("Main", "Maximize", FieldRef::Of(notANumber)));
  EXPECT_EQ(notANumber, 7);
  EXPECT_EQ(ini.Fetch("main", "ratio"), "2.5");
  EXPECT_TRUE(ini.DeleteEntry("Main", "XPos"));
  EXPECT_EQ(ini.Fetch("Main", "XPos"), "");
}

TEST_F(IniManagerTest, ReadFieldSplitsAtCommas) {
  IniManager ini;
  ini.Init(Path, IniManager::StorageIniFile, 0);
  ASSERT_TRUE(ini.Update("Q", "Field", "a,b,,d"));
  struct Case {
    int32_t N;
    const char* Expected;
  };
  for (const Case& c : {Case{-1, "a"}, Case{0, "a"}, Case{1, "a"}, Case{2, "b"}, Case{3, ""}, Case{4, "d"},
                        Case{5, ""}}) {
    EXPECT_EQ(ini.ReadField("Q", "Field", c.N), c.Expected) << "field " << c.N;
  }
}

TEST_F(IniManagerTest, TheDefaultFileNameIsRelativeToTheWorkingFolder) {
  const fs::path before = fs::current_path();
  fs::current_path(Folder);
  {
    IniManager ini;
    ini.Init(".\\Vorkan42.INI", IniManager::StorageIniFile, 0);
    EXPECT_TRUE(ini.Update("Main", "XPos", int64_t{3}));
  }
  fs::current_path(before);
  EXPECT_EQ(IniFile::Read(Path, "Main", "XPos", ""), "3");
}

struct Row {
  char Name[20] = {};
  int32_t Count = 0;
  std::string Note;
};

TEST_F(IniManagerTest, QueuesAreStoredAndReadBack) {
  IniManager ini;
  ini.Init(Path, IniManager::StorageIniFile, 0);
  RecordQueue<Row> out;
  for (const Row& r : {Row{"alpha", 5, "x, y"}, Row{"beta", -1, ""}, Row{"gamma", 0, "z"}}) {
    out.Buffer = r;
    out.Add();
  }
  ASSERT_TRUE(ini.UpdateQueue("Lists", "Rows", out, FieldRef::Of(out.Buffer.Name), FieldRef::Of(out.Buffer.Count),
                              FieldRef::Of(out.Buffer.Note)));
  EXPECT_EQ(ini.Fetch("Lists", "Rows"), "3");
  EXPECT_EQ(ini.Fetch("Lists", "Rows_1"), "alpha,5,x, y");

  RecordQueue<Row> in;
  ini.ReadList("Lists", "Rows", in, FieldRef::Of(in.Buffer.Name), FieldRef::Of(in.Buffer.Count),
               FieldRef::Of(in.Buffer.Note));
  ASSERT_EQ(in.Records(), 3u);
  EXPECT_STREQ(in.At(1).Name, "alpha");
  EXPECT_EQ(in.At(1).Count, 5);
  EXPECT_EQ(in.At(1).Note, "x, y");  // the last field keeps its commas
  EXPECT_EQ(in.At(2).Count, -1);
  EXPECT_STREQ(in.At(3).Name, "gamma");

  // Fields left out are skipped on writing and left alone on reading.
  RecordQueue<Row> names;
  names.Buffer.Count = 99;
  ini.ReadList("Lists", "Rows", names, FieldRef::Of(names.Buffer.Name));
  ASSERT_EQ(names.Records(), 3u);
  EXPECT_STREQ(names.At(2).Name, "beta,-1,");
  EXPECT_EQ(names.At(2).Count, 99);

  // A shorter queue leaves no stale records behind.
  out.Delete(3);
  out.Delete(2);
  ASSERT_TRUE(ini.UpdateQueue("Lists", "Rows", out, FieldRef::Of(out.Buffer.Name)));
  EXPECT_EQ(ini.Fetch("Lists", "Rows_1"), "alpha");
  EXPECT_FALSE(IniFile::Has(Path, "Lists", "Rows_2"));
  EXPECT_FALSE(IniFile::Has(Path, "Lists", "Rows_3"));
}

TEST_F(IniManagerTest, StoredRecordsAreCutWithoutSplittingACharacter) {
  IniManager ini;
  ini.Init(Path, IniManager::StorageIniFile, 0);
  RecordQueue<Row> out;
  out.Buffer.Note = std::string(IniManager::QueueRecordLimit - 3, 'n') + "\xE2\x82\xAC" "more";
  out.Add();
  ASSERT_TRUE(ini.UpdateQueue("Lists", "Long", out, FieldRef::Of(out.Buffer.Name), FieldRef::Of(out.Buffer.Note)));
  // One leading "," for the empty name; the euro sign no longer fits whole.
  EXPECT_EQ(IniFile::Read(Path, "Lists", "Long_1", "").size(), IniFile::MaxValueLength);
  std::ifstream in(Path);
  std::string line;
  while (std::getline(in, line) && line.rfind("Long_1=", 0) != 0) {
  }
  EXPECT_EQ(line, "Long_1=," + std::string(IniManager::QueueRecordLimit - 3, 'n'));
}

TEST_F(IniManagerTest, ADamagedCountReadsOnlyTheRecordsThatExist) {
  std::ofstream(Path) << "[Lists]\nRows=2000000000\nRows_1=one\nRows_2=two\n";
  IniManager ini;
  ini.Init(Path, IniManager::StorageIniFile, 0);
  RecordQueue<Row> in;
  ini.ReadList("Lists", "Rows", in, FieldRef::Of(in.Buffer.Name));
  EXPECT_EQ(in.Records(), 2u);
}

TEST_F(IniManagerTest, SectorNamesEscapeDollarsInTheItem) {
  IniManager ini;
  struct Case {
    const char* Family;
    const char* Item;
    const char* Type;
    const char* Name;
  };
  for (const Case& c : {Case{"Urls", "Recent", "Query", "Urls$Recent$$Query"},
                        Case{"Urls", "a$b", "Query", "Urls$a$$$b$$Query"},
                        Case{"Urls", "$", "Query", "Urls$$$$$$Query"},
                        Case{"Urls", "cost$$", "Q", "Urls$cost$$$$$$$$Q"},
                        Case{"Urls", "", "Query", "Urls$$$Query"}}) {
    EXPECT_EQ(ini.SectorName(c.Family, c.Item, c.Type), c.Name);
  }
}

TEST_F(IniManagerTest, SectorsComeBackUnchangedAndSurviveARestart) {
  const std::vector<std::string> items{"plain", "a$b", "$", "cost$$", "x$", "$lead"};
  {
    IniManager ini;
    ini.Init(Path, IniManager::StorageIniFile, 0);
    for (const std::string& item : items) ini.AddSector(ini.SectorName("Urls", item, "Query"));
    ini.AddSector(ini.SectorName("Urls", "plain", "Query"));  // known: not added twice
    ini.AddSector(ini.SectorName("Other", "plain", "Query"));
    ini.Teardown();
  }
  EXPECT_EQ(IniFile::Read(Path, "__Dont_Touch_Me__", "Sectors", ""), std::to_string(items.size() + 1));

  IniManager ini;
  ini.Init(Path, IniManager::StorageIniFile, 0);
  RecordQueue<SectorEntry> found;
  ini.GetSectors("Urls", "", "", found);
  ASSERT_EQ(found.Records(), items.size());
  std::vector<std::string> got;
  for (const SectorEntry& e : found.All()) {
    EXPECT_STREQ(e.Family, "Urls");
    EXPECT_STREQ(e.Type, "Query");
    got.push_back(e.Item);
  }
  // In key order of the stored (escaped) items: "$$$" < "$$$lead" < "a$$$b" < ...
  const std::vector<std::string> expected{"$", "$lead", "a$b", "cost$$", "plain", "x$"};
  EXPECT_EQ(got, expected);

  ini.GetSectors("", "a$b", "", found);  // the item filter takes the item as the caller knows it
  ASSERT_EQ(found.Records(), 1u);
  EXPECT_STREQ(found.At(1).Item, "a$b");
  ini.GetSectors("", "", "NoSuchType", found);
  EXPECT_EQ(found.Records(), 0u);
}

TEST_F(IniManagerTest, SectorsRegisteredByTwoCopiesOfTheProgramAreBothKept) {
  IniManager first;
  IniManager second;
  first.Init(Path, IniManager::StorageIniFile, 0);
  second.Init(Path, IniManager::StorageIniFile, 0);
  first.AddSector(first.SectorName("Urls", "One", "Query"));
  second.AddSector(second.SectorName("Urls", "Two", "Query"));
  first.Teardown();
  second.Teardown();

  IniManager ini;
  ini.Init(Path, IniManager::StorageIniFile, 0);
  RecordQueue<SectorEntry> found;
  ini.GetSectors("Urls", "", "", found);
  ASSERT_EQ(found.Records(), 2u);
  EXPECT_STREQ(found.At(1).Item, "One");
  EXPECT_STREQ(found.At(2).Item, "Two");
}

TEST_F(IniManagerTest, TheSettingsStoreUsesTheSectionAsKeyPathWhenTheFileNameIsEmpty) {
  IniManager ini;
  ini.Init("", IniManager::StorageSettingsStore, 0);
  ASSERT_TRUE(ini.Update("Main", "XPos", int64_t{5}));
  EXPECT_EQ(SettingsStore::Read(SettingsStore::ClassesRoot, "Main", "XPos", ""), "5");
  EXPECT_EQ(ini.Fetch("Main", "XPos"), "5");
  EXPECT_EQ(ini.FetchString("Main", "YPos"), "---Unknown---");
  ASSERT_TRUE(ini.Update("Main", "XPos", ""));  // an empty value removes it
  EXPECT_EQ(SettingsStore::Read(SettingsStore::ClassesRoot, "Main", "XPos", "gone"), "gone");
  EXPECT_FALSE(fs::exists(Path));
}

TEST_F(IniManagerTest, TheSettingsStoreKeyPathStartsWithTheFileName) {
  IniManager ini;
  ini.Init("Software\\Vorkan42", IniManager::StorageSettingsStore, static_cast<int32_t>(SettingsStore::CurrentUser));
  ASSERT_TRUE(ini.Update("BrowseUrlList", "Width", int64_t{300}));
  EXPECT_EQ(SettingsStore::Read(SettingsStore::CurrentUser, "Software\\Vorkan42\\BrowseUrlList", "Width", ""), "300");
  ini.AddSector(ini.SectorName("Urls", "a$b", "Query"));
  ini.Teardown();
  EXPECT_EQ(SettingsStore::Read(SettingsStore::CurrentUser, "Software\\Vorkan42\\__Dont_Touch_Me__", "Sectors_1", ""),
            "Urls,a$$$b,Query");
}

TEST_F(IniManagerTest, NoStorageReadsEmptyAndWritesNothing) {
  IniManager ini;
  ini.Init(Path, IniManager::StorageNone, 0);
  EXPECT_TRUE(ini.Update("Main", "XPos", int64_t{1}));
  EXPECT_EQ(ini.Fetch("Main", "XPos"), "");
  RecordQueue<Row> out;
  out.Add();
  EXPECT_TRUE(ini.UpdateQueue("Lists", "Rows", out, FieldRef::Of(out.Buffer.Name)));
  ini.Teardown();
  EXPECT_FALSE(fs::exists(Path));
}

TEST_F(IniManagerTest, AFailedWriteIsReportedAndLosesNothing) {
  std::ofstream(Path) << "[Main]\nXPos=1\n";
  fs::permissions(Path, fs::perms::owner_read);
  IniManager ini;
  ini.Init(Path, IniManager::StorageIniFile, 0);
  EXPECT_FALSE(ini.Update("Main", "XPos", int64_t{2}));
  EXPECT_EQ(ini.Fetch("Main", "XPos"), "1");
}

using IniManagerConcurrentTest = IniManagerTest;

TEST_F(IniManagerConcurrentTest, ThreadsSharingTheManagerLoseNothing) {
  IniManager ini;
  ini.Init(Path, IniManager::StorageIniFile, 0);
  constexpr int Threads = 4;
  constexpr int PerThread = 15;
  std::vector<std::thread> threads;
  for (int t = 0; t < Threads; ++t) {
    threads.emplace_back([&ini, t] {
      const std::string section = "Window" + std::to_string(t);
      for (int i = 0; i < PerThread; ++i) {
        EXPECT_TRUE(ini.Update(section, "E" + std::to_string(i), int64_t{i}));
        ini.AddSector(ini.SectorName("T", section + "$" + std::to_string(i), "Query"));
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (int t = 0; t < Threads; ++t) {
    for (int i = 0; i < PerThread; ++i) {
      EXPECT_EQ(ini.Fetch("Window" + std::to_string(t), "E" + std::to_string(i)), std::to_string(i));
    }
  }
  RecordQueue<SectorEntry> found;
  ini.GetSectors("T", "", "", found);
  EXPECT_EQ(found.Records(), static_cast<size_t>(Threads * PerThread));
}

}  // namespace
