// Window positions in the INI file: what is stored for normal, resizable, maximized
// and minimized windows, and what restoring does with complete and partial entries.
#include <gtest/gtest.h>

#include <string>

#include "framework/window/IniManager.h"
#include "runtime/settings/IniFile.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempWorkDir.h"

namespace framework::window {
namespace {

using runtime::settings::IniFile;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

constexpr const char* File = "Positions.INI";
constexpr const char* Missing = "<none>";

class IniManagerWindowTest : public testing::Test {
 protected:
  void SetUp() override { Ini.Init(File, IniManager::StorageIniFile, 0); }
  void TearDown() override {
    Ini.Teardown();
    WindowModel::CloseAll();
  }
  int32_t OpenWindow(bool resizable) {
    runtime::ui::WindowBuilder b("W");
    b.Caption("Positioned").Position(10, 20).Size(300, 200);
    if (resizable) b.Resizable();
    return WindowModel::Open(b.Build());
  }
  std::string Stored(const char* entry) { return IniFile::Read(File, "Proc", entry, Missing); }

  testsupport::TempWorkDir Dir;
  IniManager Ini;
};

struct SaveCase {
  const char* Name;
  bool Resizable;
  int32_t StateProp;  // 0: normal
  const char* Maximize;
  const char* Minimize;
  const char* XPos;
  const char* Width;
};

TEST_F(IniManagerWindowTest, SaveWindowStoresStateAndOnlyThePositionThatMeansSomething) {
  const SaveCase cases[] = {
      {"fixed size: no size entries", false, 0, "No", "No", "15", Missing},
      {"resizable: size too", true, 0, "No", "No", "15", "310"},
      {"maximized: position entries deleted", true, Prop::Maximize, "Yes", "No", Missing, Missing},
      {"minimized: position entries deleted", true, Prop::Iconize, "No", "Yes", Missing, Missing},
  };
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.Name);
    // Entries from an earlier save must not survive one that has no value for them.
    IniFile::Write(File, "Proc", "XPos", "1");
    IniFile::Write(File, "Proc", "Width", "1");
    const int32_t w = OpenWindow(c.Resizable);
    WindowModel::SetPropInt(w, 0, Prop::XPos, 15);
    WindowModel::SetPropInt(w, 0, Prop::Width, 310);
    if (c.StateProp != 0) WindowModel::SetPropInt(w, 0, c.StateProp, 1);
    EXPECT_TRUE(Ini.SaveWindow("Proc", w));
    EXPECT_EQ(Stored("Maximize"), c.Maximize);
    EXPECT_EQ(Stored("Minimize"), c.Minimize);
    EXPECT_EQ(Stored("XPos"), c.XPos);
    EXPECT_EQ(Stored("YPos"), std::string(c.XPos) == Missing ? Missing : "20");
    EXPECT_EQ(Stored("Width"), c.Width);
    EXPECT_EQ(Stored("Height"), std::string(c.Width) == Missing ? Missing : "200");
    WindowModel::Close(w);
  }
}

TEST_F(IniManagerWindowTest, OnAFullDiskAWindowKeepsItsWholeEarlierPosition) {
  testsupport::SmallDisk disk(64 * 1024);
  if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
  const std::string file = disk.Folder() + "/Vorkan42.INI";
  IniManager ini;
  ini.Init(file, IniManager::StorageIniFile, 0);
  const int32_t w = OpenWindow(true);
  WindowModel::SetPropInt(w, 0, Prop::XPos, 11);
  ASSERT_TRUE(ini.SaveWindow("Proc", w));
  disk.Fill();
  WindowModel::SetPropInt(w, 0, Prop::XPos, 12);
  WindowModel::SetPropInt(w, 0, Prop::Width, 320);
  EXPECT_FALSE(ini.SaveWindow("Proc", w));
  EXPECT_EQ(IniFile::Read(file, "Proc", "XPos", Missing), "11");
  EXPECT_EQ(IniFile::Read(file, "Proc", "Width", Missing), "300");
  EXPECT_EQ(IniFile::Read(file, "Proc", "Maximize", Missing), "No");
  WindowModel::Close(w);
}

TEST_F(IniManagerWindowTest, RestoreWindowPutsBackWhatWasSaved) {
  const int32_t first = OpenWindow(true);
  WindowModel::SetPropInt(first, 0, Prop::XPos, 33);
  WindowModel::SetPropInt(first, 0, Prop::YPos, 44);
  WindowModel::SetPropInt(first, 0, Prop::Width, 350);
  WindowModel::SetPropInt(first, 0, Prop::Height, 250);
  Ini.SaveWindow("Proc", first);
  WindowModel::Close(first);

  const int32_t second = OpenWindow(true);
  Ini.RestoreWindow("Proc", second);
  EXPECT_EQ(WindowModel::GetPropInt(second, 0, Prop::XPos), 33);
  EXPECT_EQ(WindowModel::GetPropInt(second, 0, Prop::YPos), 44);
  EXPECT_EQ(WindowModel::GetPropInt(second, 0, Prop::Width), 350);
  EXPECT_EQ(WindowModel::GetPropInt(second, 0, Prop::Height), 250);
  EXPECT_EQ(WindowModel::GetPropInt(second, 0, Prop::Maximize), 0);

  // A window that cannot be resized keeps its own size.
  const int32_t fixed = OpenWindow(false);
  Ini.RestoreWindow("Proc", fixed);
  EXPECT_EQ(WindowModel::GetPropInt(fixed, 0, Prop::XPos), 33);
  EXPECT_EQ(WindowModel::GetPropInt(fixed, 0, Prop::Width), 300);
}

TEST_F(IniManagerWindowTest, RestoreWindowLeavesTheDefinitionsPlaceWhenNothingOrNoPositionIsStored) {
  const int32_t w = OpenWindow(true);
  Ini.RestoreWindow("Proc", w);  // nothing stored at all
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::XPos), 10);

  // Stored maximized: no position entries; the position stays, the state comes back.
  IniFile::Write(File, "Proc", "Maximize", "Yes");
  IniFile::Write(File, "Proc", "Minimize", "No");
  Ini.RestoreWindow("Proc", w);
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::XPos), 10);
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::YPos), 20);
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::Maximize), 1);

  // Stored normal over a maximized window: the window is no longer maximized. Stored
  // minimized, it still opens where a person can see it.
  IniFile::Write(File, "Proc", "Maximize", "No");
  IniFile::Write(File, "Proc", "Minimize", "Yes");
  Ini.RestoreWindow("Proc", w);
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::Maximize), 0);
  EXPECT_EQ(WindowModel::GetPropInt(w, 0, Prop::Iconize), 0);
}

}  // namespace
}  // namespace framework::window
