// Line files: appending and reading back, error codes, and appends from several
// writers that never interleave within a line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/files/TextFile.h"

namespace {

namespace fs = std::filesystem;
using runtime::core::RuntimeError;
using runtime::core::RuntimeErrorCode;
using runtime::files::TextFile;

constexpr uint8_t ReadOnly = 0x40;
constexpr uint8_t WriteOnly = 0x41;
constexpr uint8_t ReadWrite = 0x42;

class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vk-text-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    Folder = pattern;
    Path = Folder + "/Log.txt";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(Folder, ec);
  }
  std::vector<std::string> ReadAll(TextFile& file) {
    std::vector<std::string> lines;
    for (std::string line; file.Next(line);) lines.push_back(line);
    return lines;
  }
  std::string Folder;
  std::string Path;
};

TEST_F(TextFileTest, AppendedLinesReadBackInOrderAcrossReopens) {
  TextFile file(Path);
  EXPECT_FALSE(file.Exists());
  ASSERT_TRUE(file.Create());
  ASSERT_TRUE(file.Open(WriteOnly));
  EXPECT_TRUE(file.Append("first"));
  EXPECT_TRUE(file.Append(""));
  ASSERT_TRUE(file.Close());
  ASSERT_TRUE(file.Open(WriteOnly));
  EXPECT_TRUE(file.Append("third, after reopening"));
  ASSERT_TRUE(file.Close());

  ASSERT_TRUE(file.Open(ReadOnly));
  EXPECT_EQ(ReadAll(file), (std::vector<std::string>{"first", "", "third, after reopening"}));
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::RecordNotAvailable);  // the end
  ASSERT_TRUE(file.Close());
}

TEST_F(TextFileTest, ALineBreakInsideARecordDoesNotSplitIt) {
  TextFile file(Path);
  ASSERT_TRUE(file.Create());
  ASSERT_TRUE(file.Open(ReadWrite));
  ASSERT_TRUE(file.Append("one\ntwo\r\nthree"));
  EXPECT_EQ(ReadAll(file), (std::vector<std::string>{"one two  three"}));
}

TEST_F(TextFileTest, ReadsForeignLineEndsAndALastLineWithoutOne) {
  std::ofstream(Path, std::ios::binary) << "dos\r\nunix\nlast";
  TextFile file(Path);
  ASSERT_TRUE(file.Open(ReadOnly));
  EXPECT_EQ(ReadAll(file), (std::vector<std::string>{"dos", "unix", "last"}));
}

TEST_F(TextFileTest, ReadingAndAppendingOnOneHandleKeepTheirOwnPlaces) {
  std::ofstream(Path, std::ios::binary) << "a\nb\n";
  TextFile file(Path);
  ASSERT_TRUE(file.Open(ReadWrite));
  std::string line;
  ASSERT_TRUE(file.Next(line));
  EXPECT_EQ(line, "a");
  ASSERT_TRUE(file.Append("c"));
  EXPECT_EQ(ReadAll(file), (std::vector<std::string>{"b", "c"}));
}

TEST_F(TextFileTest, FailuresSetTheRuntimeError) {
  TextFile missing(Folder + "/none.txt");
  EXPECT_FALSE(missing.Open(ReadOnly));
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::NotFound);
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_FALSE(missing.Append("x"));
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::FileNotOpen);

  TextFile noFolder(Folder + "/no/such/file.txt");
  EXPECT_FALSE(noFolder.Create());
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::NotFound);

  TextFile file(Path);
  ASSERT_TRUE(file.Create());
  ASSERT_TRUE(file.Open(ReadOnly));
  EXPECT_FALSE(file.Open(ReadOnly));
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::AlreadyOpen);
  EXPECT_FALSE(file.Append("x"));
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::AccessDenied);
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::NoError);

  TextFile folderAsFile(Folder);
  EXPECT_FALSE(folderAsFile.Open(ReadOnly));
  EXPECT_EQ(RuntimeError::Code(), RuntimeErrorCode::DriverError);
}

using TextFileConcurrentTest = TextFileTest;

TEST_F(TextFileConcurrentTest, AppendsFromSeveralWritersNeverInterleave) {
  constexpr int Writers = 4;
  constexpr int Lines = 300;
  ASSERT_TRUE(TextFile(Path).Create());
  std::vector<std::thread> threads;
  for (int w = 0; w < Writers; ++w) {
    threads.emplace_back([this, w] {
      TextFile file(Path);  // each writer its own handle, as separate processes have
      ASSERT_TRUE(file.Open(WriteOnly));
      // Long lines make a torn write likely if appends were not whole.
      const std::string body(2000, static_cast<char>('a' + w));
      for (int i = 0; i < Lines; ++i) EXPECT_TRUE(file.Append(std::to_string(w) + ":" + body));
    });
  }
  for (std::thread& t : threads) t.join();

  TextFile file(Path);
  ASSERT_TRUE(file.Open(ReadOnly));
  std::map<int, int> counts;
  for (const std::string& line : ReadAll(file)) {
    ASSERT_EQ(line.size(), 2 + 2000u);
    const int w = line[0] - '0';
    EXPECT_EQ(line.substr(2), std::string(2000, static_cast<char>('a' + w)));
    ++counts[w];
  }
  for (int w = 0; w < Writers; ++w) EXPECT_EQ(counts[w], Lines);
}

}  // namespace
