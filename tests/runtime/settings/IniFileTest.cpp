// INI files: lookups, edits that keep the rest of the file, atomic replacement,
// damaged and read-only files, and writers in several threads and processes.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/settings/IniFile.h"
#include "tests/support/SmallDisk.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using runtime::core::RuntimeError;
using runtime::core::RuntimeErrorCode;
using runtime::settings::IniFile;

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vk-ini-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    Folder = pattern;
    Path = Folder + "/Test.INI";
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(Folder, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(Folder, ec);
  }
  void Put(const std::string& text) { std::ofstream(Path, std::ios::binary) << text; }
  std::string Contents() const {
    std::ifstream in(Path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Names of everything in the folder but the INI file itself.
  std::vector<std::string> Strays() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(Folder)) {
      const std::string name = e.path().filename().string();
      if (name != "Test.INI") names.push_back(name);
    }
    return names;
  }
  std::string Folder;
  std::string Path;
};

TEST_F(IniFileTest, MissingFileSectionOrEntryGivesTheDefault) {
  EXPECT_EQ(IniFile::Read(Path, "Main", "XPos", "dflt"), "dflt");
  EXPECT_FALSE(fs::exists(Path));
  Put("[Main]\nXPos=10\n");
  EXPECT_EQ(IniFile::Read(Path, "Other", "XPos", "d"), "d");
  EXPECT_EQ(IniFile::Read(Path, "Main", "YPos", "d"), "d");
  EXPECT_EQ(IniFile::Read(Path, "Main", "XPos", "d"), "10");
}

TEST_F(IniFileTest, NamesCompareWithoutCaseAndValuesLoseSurroundingBlanks) {
  Put("; comment\n[ Main ]\n  xpos =  12 \nEmpty=\n");
  EXPECT_EQ(IniFile::Read(Path, "MAIN", "XPos", "d"), "12");
  EXPECT_EQ(IniFile::Read(Path, "main", "empty", "d"), "");
  EXPECT_TRUE(IniFile::Has(Path, "Main", "EMPTY"));
  ASSERT_TRUE(IniFile::Write(Path, "mAIN", "XPOS", "13"));
  EXPECT_EQ(Contents(), "; comment\n[ Main ]\nXPOS=13\nEmpty=\n");
}

TEST_F(IniFileTest, WritesKeepEveryOtherLineInOrder) {
  Put("; settings\n[Main]\nXPos=1\n; keep me\nYPos=2\n\n[Browse]\nWidth=3\n");
  ASSERT_TRUE(IniFile::Write(Path, "Main", "YPos", "20"));
  ASSERT_TRUE(IniFile::Write(Path, "Main", "Height", "5"));   // new entry: end of its section
  ASSERT_TRUE(IniFile::Write(Path, "Form", "Maximize", "No"));  // new section: end of file
  EXPECT_EQ(Contents(),
            "; settings\n[Main]\nXPos=1\n; keep me\nYPos=20\nHeight=5\n\n[Browse]\nWidth=3\n"
            "\n[Form]\nMaximize=No\n");
  ASSERT_TRUE(IniFile::Delete(Path, "main", "xpos"));
  EXPECT_EQ(Contents(),
            "; settings\n[Main]\n; keep me\nYPos=20\nHeight=5\n\n[Browse]\nWidth=3\n\n[Form]\nMaximize=No\n");
}

TEST_F(IniFileTest, DeletingWhatIsNotThereChangesNothing) {
  EXPECT_TRUE(IniFile::Delete(Path, "Main", "XPos"));
  EXPECT_FALSE(fs::exists(Path));
  Put("[Main]\nXPos=1\n");
  const auto before = fs::last_write_time(Path);
  EXPECT_TRUE(IniFile::Delete(Path, "Main", "YPos"));
  EXPECT_EQ(fs::last_write_time(Path), before);
}

TEST_F(IniFileTest, CrLfFilesKeepTheirLineEnds) {
  Put("[Main]\r\nXPos=1\r\n");
  EXPECT_EQ(IniFile::Read(Path, "Main", "XPos", ""), "1");
  ASSERT_TRUE(IniFile::Write(Path, "Main", "YPos", "2"));
  EXPECT_EQ(Contents(), "[Main]\r\nXPos=1\r\nYPos=2\r\n");
}

TEST_F(IniFileTest, ReadsAtMostTheLimitWithoutSplittingACharacter) {
  const std::string value = std::string(IniFile::MaxValueLength - 1, 'x') + "\xC3\xA9" + "tail";
  ASSERT_TRUE(IniFile::Write(Path, "S", "E", value));
  EXPECT_EQ(IniFile::Read(Path, "S", "E", ""), std::string(IniFile::MaxValueLength - 1, 'x'));
  const std::string exact(IniFile::MaxValueLength, 'y');
  ASSERT_TRUE(IniFile::Write(Path, "S", "E", exact));
  EXPECT_EQ(IniFile::Read(Path, "S", "E", ""), exact);
}

TEST_F(IniFileTest, AWriteReplacesTheFileAsAWholeAndKeepsItsPermissions) {
  Put("[Main]\nXPos=1\n");
  fs::permissions(Path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  std::ifstream oldCopy(Path, std::ios::binary);  // a reader that opened the file before the write
  ASSERT_TRUE(IniFile::Write(Path, "Main", "XPos", "2"));
  std::stringstream seen;
  seen << oldCopy.rdbuf();
  EXPECT_EQ(seen.str(), "[Main]\nXPos=1\n");  // the old file was replaced, not rewritten in place
  EXPECT_EQ(Contents(), "[Main]\nXPos=2\n");
  EXPECT_EQ(fs::status(Path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_TRUE(Strays().empty());
}

TEST_F(IniFileTest, ADamagedFileReadsAsDefaultsAndKeepsItsBytesOnWrite) {
  std::string junk = "\x7f" "ELF\x01\x00\xff\xfe[\x00]=\x80\n\x01\x02=\x03";
  junk.push_back('\0');
  Put(junk);
  EXPECT_EQ(IniFile::Read(Path, "Main", "XPos", "d"), "d");
  ASSERT_TRUE(IniFile::Write(Path, "Main", "XPos", "7"));
  EXPECT_EQ(IniFile::Read(Path, "Main", "XPos", "d"), "7");
  EXPECT_EQ(Contents().substr(0, junk.size()), junk);
}

TEST_F(IniFileTest, AReadOnlyFileIsNeverReplaced) {
  Put("[Main]\nXPos=1\n");
  fs::permissions(Path, fs::perms::owner_read);
  RuntimeError::Clear();
  EXPECT_FALSE(IniFile::Write(Path, "Main", "XPos", "2"));
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::AccessDenied);
  EXPECT_FALSE(IniFile::Delete(Path, "Main", "XPos"));
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::AccessDenied);
  EXPECT_EQ(Contents(), "[Main]\nXPos=1\n");
  EXPECT_TRUE(Strays().empty());
}

TEST_F(IniFileTest, AnUnreadableFileGivesDefaults) {
  fs::create_directory(Path);  // not a file at all
  EXPECT_EQ(IniFile::Read(Path, "Main", "XPos", "d"), "d");
  EXPECT_FALSE(IniFile::Write(Path, "Main", "XPos", "2"));
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::DriverError);
  EXPECT_TRUE(fs::is_directory(Path));
  fs::remove(Path);

  if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
  Put("[Main]\nXPos=1\n");
  fs::permissions(Path, fs::perms::none);
  EXPECT_EQ(IniFile::Read(Path, "Main", "XPos", "d"), "d");
  EXPECT_FALSE(IniFile::Write(Path, "Main", "XPos", "2"));
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::AccessDenied);
}

TEST_F(IniFileTest, AMissingFolderFailsWithNotFound) {
  EXPECT_FALSE(IniFile::Write(Folder + "/none/Test.INI", "Main", "XPos", "1"));
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::NotFound);
}

TEST_F(IniFileTest, TextThatWouldBreakTheLineStructureIsRefused) {
  Put("[Main]\nXPos=1\n");
  struct Case {
    const char* Section;
    const char* Entry;
    const char* Value;
  };
  for (const Case& c : std::vector<Case>{{"Main", "XPos", "1\n[Evil]\nX=1"},
                                         {"Main", "XPos", "1\r"},
                                         {"Ma]in", "XPos", "1"},
                                         {"Main", "X=Pos", "1"},
                                         {"Main", ";XPos", "1"},
                                         {"", "XPos", "1"},
                                         {"Main", " ", "1"}}) {
    SCOPED_TRACE(std::string(c.Section) + "/" + c.Entry);
    EXPECT_FALSE(IniFile::Write(Path, c.Section, c.Entry, c.Value));
    EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::DriverError);
  }
  EXPECT_EQ(Contents(), "[Main]\nXPos=1\n");
}

TEST_F(IniFileTest, BackslashPathsAreMapped) {
  const std::string programPath = Folder + "\\Test.INI";
  ASSERT_TRUE(IniFile::Write(programPath, "Main", "XPos", "4"));
  EXPECT_EQ(IniFile::Read(Path, "Main", "XPos", ""), "4");
}

// Every line of a file our writers produced is a section header or an entry.
void ExpectWellFormed(const std::string& text) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const bool section = !line.empty() && line.front() == '[' && line.back() == ']';
    const bool entry = line.find('=') != std::string::npos;
    EXPECT_TRUE(section || entry || line.empty()) << "stray line: " << line;
  }
}

using IniFileConcurrentTest = IniFileTest;

TEST_F(IniFileConcurrentTest, WritersInSeveralThreadsLoseNothing) {
  constexpr int Threads = 6;
  constexpr int PerThread = 20;
  std::vector<std::thread> writers;
  for (int t = 0; t < Threads; ++t) {
    writers.emplace_back([this, t] {
      for (int i = 0; i < PerThread; ++i) {
        // Half the threads share a section, so entries are added to one section at once.
        const std::string section = t % 2 == 0 ? "Shared" : "Own" + std::to_string(t);
        EXPECT_TRUE(IniFile::Write(Path, section, "T" + std::to_string(t) + "_" + std::to_string(i),
                                   std::to_string(i)));
      }
    });
  }
  for (std::thread& w : writers) w.join();
  for (int t = 0; t < Threads; ++t) {
    const std::string section = t % 2 == 0 ? "Shared" : "Own" + std::to_string(t);
    for (int i = 0; i < PerThread; ++i) {
      EXPECT_EQ(IniFile::Read(Path, section, "T" + std::to_string(t) + "_" + std::to_string(i), "lost"),
                std::to_string(i));
    }
  }
  ExpectWellFormed(Contents());
  EXPECT_TRUE(Strays().empty());
}

std::string HelperProgram(const char* name) {
  return (fs::read_symlink("/proc/self/exe").parent_path() / name).string();
}

pid_t StartWriter(const std::string& path, const std::string& prefix, int count) {
  const std::string program = HelperProgram("IniWriter");
  const std::string countText = std::to_string(count);
  std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>(path.c_str()),
                          const_cast<char*>("Shared"), const_cast<char*>(prefix.c_str()),
                          const_cast<char*>(countText.c_str()), nullptr};
  pid_t pid = 0;
  if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

TEST_F(IniFileTest, WritersInTwoProcessesLoseNothing) {
  constexpr int PerProcess = 40;
  const pid_t first = StartWriter(Path, "A", PerProcess);
  const pid_t second = StartWriter(Path, "B", PerProcess);
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  for (int i = 1; i <= PerProcess; ++i) {  // and this process writes meanwhile as well
    ASSERT_TRUE(IniFile::Write(Path, "Shared", "C" + std::to_string(i), "v" + std::to_string(i)));
  }
  for (pid_t pid : {first, second}) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (const char* prefix : {"A", "B", "C"}) {
    for (int i = 1; i <= PerProcess; ++i) {
      EXPECT_EQ(IniFile::Read(Path, "Shared", prefix + std::to_string(i), "lost"), "v" + std::to_string(i));
    }
  }
  ExpectWellFormed(Contents());
  EXPECT_TRUE(Strays().empty());
}

using Change = IniFile::Change;
using Kind = IniFile::ChangeKind;

TEST_F(IniFileTest, ChangesAppliedTogetherAreOneWriteAndOneRefusalRefusesAll) {
  Put("[Win]\nXPos=1\nWidth=5\n");
  const Change good[] = {{"Win", "XPos", "2", Kind::Set}, {"Win", "YPos", "3", Kind::Set},
                         {"Win", "Width", "", Kind::Remove}, {"Other", "A", "b", Kind::Set}};
  ASSERT_TRUE(IniFile::Apply(Path, good));
  EXPECT_EQ(Contents(), "[Win]\nXPos=2\nYPos=3\n\n[Other]\nA=b\n");
  const Change bad[] = {{"Win", "XPos", "9", Kind::Set}, {"Win", "Y=Pos", "9", Kind::Set}};
  EXPECT_FALSE(IniFile::Apply(Path, bad));
  EXPECT_EQ(IniFile::Read(Path, "Win", "XPos", "d"), "2");
  // Storing what is stored already writes nothing: the file keeps its inode.
  struct stat first{};
  ::stat(Path.c_str(), &first);
  const Change same[] = {{"Win", "XPos", "2", Kind::Set}, {"Win", "Gone", "", Kind::Remove}};
  ASSERT_TRUE(IniFile::Apply(Path, same));
  struct stat second{};
  ::stat(Path.c_str(), &second);
  EXPECT_EQ(first.st_ino, second.st_ino);
  EXPECT_TRUE(Strays().empty());
}

TEST_F(IniFileTest, ReadsFollowEveryChangeOfTheFileEvenOfTheSameSize) {
  Put("[A]\nX=1\n");
  EXPECT_EQ(IniFile::Read(Path, "A", "X", "d"), "1");
  ASSERT_TRUE(IniFile::Write(Path, "A", "X", "2"));
  EXPECT_EQ(IniFile::Read(Path, "A", "X", "d"), "2");
  Put("[A]\nX=3\n");  // rewritten in place by another program, same length
  EXPECT_EQ(IniFile::Read(Path, "A", "X", "d"), "3");
  fs::remove(Path);
  EXPECT_EQ(IniFile::Read(Path, "A", "X", "d"), "d");
}

TEST_F(IniFileTest, ALargeFileKeepsEveryEntryThroughEdits) {
  std::string big;
  constexpr int Sections = 2000;
  for (int i = 0; i < Sections; ++i) big += "[S" + std::to_string(i) + "]\nA=" + std::to_string(i) + "\nB=x\n";
  Put(big);
  const Change changes[] = {{"S5", "C", "new", Kind::Set}, {"S7", "A", "", Kind::Remove}, {"S9", "A", "nine", Kind::Set}};
  ASSERT_TRUE(IniFile::Apply(Path, changes));
  for (int i = 0; i < Sections; ++i) {
    const std::string expected = i == 7 ? "d" : i == 9 ? "nine" : std::to_string(i);
    ASSERT_EQ(IniFile::Read(Path, "s" + std::to_string(i), "a", "d"), expected) << i;
  }
  EXPECT_EQ(IniFile::Read(Path, "S5", "C", "d"), "new");
  EXPECT_EQ(IniFile::Read(Path, "S6", "C", "d"), "d");
}

TEST_F(IniFileTest, AFullDiskLeavesTheFileWholeAndSaysSo) {
  testsupport::SmallDisk disk(64 * 1024);
  if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
  const std::string path = disk.Folder() + "/Vorkan42.INI";
  ASSERT_TRUE(IniFile::Write(path, "Win", "XPos", "1"));
  const std::string filler = disk.Fill();
  const Change position[] = {{"Win", "XPos", "2", Kind::Set}, {"Win", "YPos", std::string(3000, '7'), Kind::Set}};
  EXPECT_FALSE(IniFile::Apply(path, position));
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::DriverError);
  EXPECT_EQ(RuntimeError::FileText(), "No space left on device");
  EXPECT_EQ(IniFile::Read(path, "Win", "XPos", "d"), "1");
  EXPECT_EQ(IniFile::Read(path, "Win", "YPos", "d"), "d");
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(disk.Folder())) names.push_back(e.path().filename().string());
  EXPECT_EQ(names.size(), 2u) << "a temporary file was left behind";
  fs::remove(filler);
  EXPECT_TRUE(IniFile::Apply(path, position));
  EXPECT_EQ(IniFile::Read(path, "Win", "XPos", "d"), "2");
}

}  // namespace
