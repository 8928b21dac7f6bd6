// The command line: what each form of it asks for, the mistakes it reports, and the
// folder it leaves the program working in.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/CommandLine.h"
#include "app/CommandLineFolder.h"
#include "tests/support/TempWorkDir.h"

namespace {

using app::CommandLine;
namespace fs = std::filesystem;

int Ran(const std::vector<std::string>&, std::ostream&, std::ostream&) { return CommandLine::ExitSuccess; }

constexpr std::array<app::CommandLineCommand, 2> Commands{{
    {"import", "FILE", "read addresses from FILE", Ran},
    {"add", "URL [COUNT]", "add one address", Ran},
}};

CommandLine::Invocation Parse(std::vector<std::string> args) { return CommandLine::Parse(args, Commands); }

TEST(CommandLineTest, WhatEachFormAsksFor) {
  struct Case {
    std::vector<std::string> Args;
    CommandLine::Action What;
    CommandLine::Folder Where;
    std::string FolderPath;
    std::vector<std::string> Arguments;
    std::string Command;
  };
  using A = CommandLine::Action;
  using F = CommandLine::Folder;
  const std::vector<Case> cases = {
      {{}, A::StartWindows, F::Current, "", {}, ""},
      {{"--folder", "/tmp/x"}, A::StartWindows, F::Given, "/tmp/x", {}, ""},
      {{"--folder=rel/dir"}, A::StartWindows, F::Given, "rel/dir", {}, ""},
      {{"--data-folder"}, A::StartWindows, F::DataFolder, "", {}, ""},
      {{"--version"}, A::ShowVersion, F::Current, "", {}, ""},
      {{"-h", "--version"}, A::ShowHelp, F::Current, "", {}, ""},
      {{"--version", "nonsense"}, A::ShowVersion, F::Current, "", {}, ""},
      {{"--folder", "d", "add", "http://a.example/", "3"}, A::RunCommand, F::Given, "d", {"http://a.example/", "3"}, "add"},
      {{"--data-folder", "add", "u"}, A::RunCommand, F::DataFolder, "", {"u"}, "add"},
      // After the command's name everything is the command's, options and counts alike.
      {{"import", "--format", "csv", "-", "--help"}, A::RunCommand, F::Current, "", {"--format", "csv", "-", "--help"}, "import"},
      {{"add"}, A::RunCommand, F::Current, "", {}, "add"},
      // "--" ends the program's options, so a command may look like one.
      {{"--", "add", "x"}, A::RunCommand, F::Current, "", {"x"}, "add"},
  };
  for (const Case& c : cases) {
    const auto got = Parse(c.Args);
    SCOPED_TRACE(testing::PrintToString(c.Args));
    EXPECT_EQ(got.What, c.What) << got.Error;
    EXPECT_EQ(got.Where, c.Where);
    EXPECT_EQ(got.FolderPath, c.FolderPath);
    EXPECT_EQ(got.Arguments, c.Arguments);
    EXPECT_EQ(got.Command ? std::string(got.Command->Name) : "", c.Command);
  }
}

TEST(CommandLineTest, MistakesAreNamed) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--verbose"}, "unknown option '--verbose'"},
      {{"-x", "add", "u"}, "unknown option '-x'"},
      {{"export", "f"}, "unknown command 'export'"},
      {{"--", "--help"}, "unknown command '--help'"},
      {{"--folder"}, "--folder needs the name of a folder"},
      {{"--folder="}, "--folder needs the name of a folder"},
      {{"--folder", "a", "--data-folder"}, "the folder is chosen more than once"},
      // A mistake met before --help is still a mistake.
      {{"--bogus", "--help"}, "unknown option '--bogus'"},
  };
  for (const auto& [args, error] : cases) {
    const auto got = Parse(args);
    EXPECT_EQ(got.What, CommandLine::Action::UsageError) << testing::PrintToString(args);
    EXPECT_EQ(got.Error, error);
  }
}

TEST(CommandLineTest, HelpListsEveryOptionAndCommand) {
  const std::string usage = CommandLine::Usage(Commands);
  for (const char* text : {"--folder DIR", "--data-folder", "--help", "--version", "  import FILE\n", "  add URL [COUNT]\n",
                           "read addresses from FILE"})
    EXPECT_NE(usage.find(text), std::string::npos) << text;
  EXPECT_EQ(CommandLine::Usage({}).find("Commands:"), std::string::npos);
}

TEST(CommandLineTest, DataFolderFollowsTheXdgRule) {
  std::string error;
  EXPECT_EQ(app::CommandLineFolder::DataFolder("/x/data", "/home/p", error), "/x/data/vorkan42");
  EXPECT_EQ(app::CommandLineFolder::DataFolder(nullptr, "/home/p", error), "/home/p/.local/share/vorkan42");
  EXPECT_EQ(app::CommandLineFolder::DataFolder("", "/home/p", error), "/home/p/.local/share/vorkan42");
  // A relative XDG_DATA_HOME is not to be used.
  EXPECT_EQ(app::CommandLineFolder::DataFolder("rel", "/home/p", error), "/home/p/.local/share/vorkan42");
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(app::CommandLineFolder::DataFolder(nullptr, nullptr, error), "");
  EXPECT_FALSE(error.empty());
}

struct Outcome {
  std::optional<int> Status;
  std::string Out, Err;
};

Outcome Handle(std::vector<const char*> args) {
  args.insert(args.begin(), "vorkan42");
  std::ostringstream out, err;
  Outcome o;
  o.Status = CommandLine::Handle(static_cast<int>(args.size()), args.data(), out, err);
  o.Out = out.str();
  o.Err = err.str();
  return o;
}

TEST(CommandLineTest, HandlePrintsAndEntersTheChosenFolder) {
  testsupport::TempWorkDir dir;
  const fs::path start = fs::current_path();

  const Outcome version = Handle({"--version"});
  EXPECT_EQ(version.Status, CommandLine::ExitSuccess);
  EXPECT_EQ(version.Out, "vorkan42 " + std::string(CommandLine::Version()) + "\n");

  const Outcome mistake = Handle({"--nope"});
  EXPECT_EQ(mistake.Status, CommandLine::ExitUsage);
  EXPECT_EQ(mistake.Err, "vorkan42: unknown option '--nope' (see vorkan42 --help)\n");
  EXPECT_TRUE(mistake.Out.empty());

  // A folder that is not there is refused, not made: a mistyped name must not start an
  // empty list somewhere unexpected.
  const Outcome missing = Handle({"--folder", "no-such"});
  EXPECT_EQ(missing.Status, CommandLine::ExitRefused);
  EXPECT_NE(missing.Err.find("'no-such'"), std::string::npos) << missing.Err;
  EXPECT_FALSE(fs::exists(start / "no-such"));
  std::ofstream(start / "plain-file") << "x";
  EXPECT_EQ(Handle({"--folder", "plain-file"}).Status, CommandLine::ExitRefused);
  EXPECT_EQ(fs::current_path(), start);

  fs::create_directory(start / "given");
  EXPECT_EQ(Handle({"--folder", "given"}).Status, std::nullopt);
  EXPECT_EQ(fs::current_path(), start / "given");

  // The launcher's folder is made, private to the person, with its missing parents.
  ::setenv("XDG_DATA_HOME", (start / "xdg" / "share").c_str(), 1);
  const Outcome launcher = Handle({"--data-folder"});
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(launcher.Status, std::nullopt) << launcher.Err;
  EXPECT_EQ(fs::current_path(), start / "xdg" / "share" / "vorkan42");
  struct stat info {};
  ASSERT_EQ(::stat(".", &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  fs::current_path(start);
}

// The real commands, run as a person would from another folder: the list is kept in
// the chosen folder, and a relative file name is taken from there too.
TEST(CommandLineTest, CommandsWorkInTheChosenFolder) {
  testsupport::TempWorkDir dir;
  const fs::path start = fs::current_path();
  fs::create_directory(start / "lists");

  const Outcome added = Handle({"--folder", "lists", "add", "https://shop.example/", "2"});
  EXPECT_EQ(added.Status, CommandLine::ExitSuccess) << added.Err;
  fs::current_path(start);
  const Outcome exported = Handle({"--folder", "lists", "export", "out.txt"});
  EXPECT_EQ(exported.Status, CommandLine::ExitSuccess) << exported.Err;
  fs::current_path(start);
  EXPECT_TRUE(fs::exists(start / "lists" / "out.txt"));
  EXPECT_FALSE(fs::exists(start / "out.txt"));
  EXPECT_FALSE(fs::exists(start / "Vorkan42.INI"));

  const Outcome listed = Handle({"--folder", "lists", "list"});
  fs::current_path(start);
  EXPECT_EQ(listed.Status, CommandLine::ExitSuccess) << listed.Err;
  EXPECT_EQ(listed.Out, "https://shop.example/\t2\n");

  // The command's own mistakes are its own: one line, usage status.
  const Outcome wrong = Handle({"add"});
  EXPECT_EQ(wrong.Status, CommandLine::ExitUsage);
  EXPECT_NE(wrong.Err.find("usage: vorkan42 add URL [COUNT]"), std::string::npos) << wrong.Err;
}

}  // namespace
