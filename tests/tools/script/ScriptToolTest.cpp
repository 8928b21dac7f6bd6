// vorkan42-script as a person runs it: a script with lines that hold only a vertical
// tab or a form feed is carried out; a program that halts on a damaged data file ends
// the tool with status 1 and the halt text on standard error.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempWorkDir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int Status = -1;
  std::string Out;
  std::string Err;
};

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs vorkan42-script (built beside the tests' folder) on `script` in the current folder.
Outcome RunTool(const std::string& script) {
  const fs::path tool = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "vorkan42-script";
  std::ofstream("steps.vks", std::ios::binary) << script;
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "tool.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "tool.err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const std::string program = tool.string();
  std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>("steps.vks"), nullptr};
  Outcome outcome;
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &files, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) outcome.Status = WEXITSTATUS(status);
  }
  posix_spawn_file_actions_destroy(&files);
  outcome.Out = Read("tool.out");
  outcome.Err = Read("tool.err");
  return outcome;
}

TEST(ScriptToolTest, LinesOfOnlyAVerticalTabOrFormFeedAreBlank) {
  testsupport::TempWorkDir dir;
  const Outcome o = RunTool("\v\n\f\n \v\f\t\r\necho \"after the blanks\"\n\v# a comment after one\n");
  EXPECT_EQ(o.Status, 0) << o.Err;
  EXPECT_EQ(o.Out, "after the blanks\n");
}

TEST(ScriptToolTest, AHaltEndsTheToolWithStatusOneAndSaysWhy) {
  testsupport::TempWorkDir dir;
  std::ofstream("URLLIST.vkdb", std::ios::binary) << std::string(4096, '\x5a');
  const Outcome o = RunTool(
      "wait-window \"Application\"\n"
      "answer ok\n"
      "menu \"Browse the UrlList file\"\n"
      "wait-window \"No window opens after a halt\"\n");
  EXPECT_EQ(o.Status, 1) << o.Err;
  EXPECT_NE(o.Err.find("the program halted: "), std::string::npos) << o.Err;
  EXPECT_NE(o.Err.find("Press OK to end this application"), std::string::npos) << o.Err;
  // The data file is left as it was found.
  EXPECT_EQ(Read("URLLIST.vkdb"), std::string(4096, '\x5a'));
}

}  // namespace
