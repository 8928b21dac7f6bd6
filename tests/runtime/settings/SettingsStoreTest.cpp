// The registry stand-in: values by root, key path and name, kept in a file under the
// user's configuration folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/settings/IniFile.h"
#include "runtime/settings/SettingsStore.h"

namespace {

namespace fs = std::filesystem;
using runtime::core::RuntimeError;
using runtime::core::RuntimeErrorCode;
using runtime::settings::IniFile;
using runtime::settings::SettingsStore;

class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vk-store-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    Folder = pattern;
    if (const char* home = ::getenv("HOME")) OldHome = home;
    ::setenv("XDG_CONFIG_HOME", (Folder + "/config").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", OldHome.c_str(), 1);
    std::error_code ec;
    fs::remove_all(Folder, ec);
  }
  std::string Folder;
  std::string OldHome;
};

TEST_F(SettingsStoreTest, LivesUnderTheConfigurationFolderCreatedOnFirstWrite) {
  EXPECT_EQ(SettingsStore::FilePath(), Folder + "/config/vorkan42/registry.ini");
  EXPECT_EQ(SettingsStore::Read(SettingsStore::CurrentUser, "Software\\Vorkan42", "Main", "d"), "d");
  ASSERT_TRUE(SettingsStore::Write(SettingsStore::CurrentUser, "Software\\Vorkan42", "Main", "1"));
  EXPECT_EQ(IniFile::Read(SettingsStore::FilePath(), "CurrentUser\\Software\\Vorkan42", "Main", ""), "1");

  ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);  // only an absolute path counts
  ::setenv("HOME", (Folder + "/home").c_str(), 1);
  EXPECT_EQ(SettingsStore::FilePath(), Folder + "/home/.config/vorkan42/registry.ini");
}

TEST_F(SettingsStoreTest, KeysAreAddressedByRootPathAndName) {
  ASSERT_TRUE(SettingsStore::Write(SettingsStore::CurrentUser, "Software\\A", "X", "user"));
  ASSERT_TRUE(SettingsStore::Write(SettingsStore::LocalMachine, "Software\\A", "X", "machine"));
  ASSERT_TRUE(SettingsStore::Write(SettingsStore::CurrentUser, "Software\\A\\B", "X", "deeper"));
  EXPECT_EQ(SettingsStore::Read(SettingsStore::CurrentUser, "software\\a", "x", ""), "user");
  EXPECT_EQ(SettingsStore::Read(SettingsStore::CurrentUser, "\\Software\\\\A\\", "X", ""), "user");
  EXPECT_EQ(SettingsStore::Read(SettingsStore::LocalMachine, "Software\\A", "X", ""), "machine");
  EXPECT_EQ(SettingsStore::Read(SettingsStore::CurrentUser, "Software\\A\\B", "X", ""), "deeper");
  EXPECT_EQ(SettingsStore::Read(SettingsStore::ClassesRoot, "Software\\A", "X", "none"), "none");

  ASSERT_TRUE(SettingsStore::Delete(SettingsStore::CurrentUser, "Software\\A", "X"));
  EXPECT_EQ(SettingsStore::Read(SettingsStore::CurrentUser, "Software\\A", "X", "gone"), "gone");
  EXPECT_EQ(SettingsStore::Read(SettingsStore::LocalMachine, "Software\\A", "X", ""), "machine");
  EXPECT_TRUE(SettingsStore::Delete(SettingsStore::CurrentUser, "Software\\A", "X"));  // already gone
}

TEST_F(SettingsStoreTest, UnknownRootsAndEmptyPathsAreRefused) {
  constexpr uint32_t NoSuchRoot = 0x80000010;
  EXPECT_EQ(SettingsStore::Read(NoSuchRoot, "Software", "X", "d"), "d");
  EXPECT_FALSE(SettingsStore::Write(NoSuchRoot, "Software", "X", "1"));
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::NotFound);
  EXPECT_FALSE(SettingsStore::Write(SettingsStore::CurrentUser, "\\\\", "X", "1"));
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::NotFound);
  EXPECT_FALSE(fs::exists(SettingsStore::FilePath()));
}

TEST_F(SettingsStoreTest, DeletingFromAStoreThatDoesNotExistYetSucceeds) {
  EXPECT_TRUE(SettingsStore::Delete(SettingsStore::CurrentUser, "Software", "X"));
  EXPECT_FALSE(fs::exists(Folder + "/config"));
}

}  // namespace
