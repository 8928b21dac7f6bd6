#pragma once
// The program's command line. Read before anything else, and before the program looks
// for a display, so that `--help`, `--version` and the commands work on a machine
// without one.
//
//   vorkan42 [--folder DIR | --data-folder] [COMMAND [ARGUMENT...]]
//   vorkan42 --help | --version
//
// The program's options come first, in any order; "--" ends them. The first word that
// is not an option names a command from CommandLineCommands, and every argument after
// it belongs to the command, untouched (its own options included). Without a command
// the windows open.
//
// The folder the program works in (data file, Vorkan42.INI, error log) is the current
// folder unless `--folder DIR` (an existing folder) or `--data-folder` (the person's
// data folder for the program, created when missing: what the application menu uses)
// chooses another; the program then works as if started there, so a command's
// relative file names are taken from that folder too. See CommandLineFolder.
//
// Extending: a new command is one row in CommandLineCommands.cpp (name, arguments for
// the help text, summary, handler). The handler runs on the process's main thread in
// the chosen folder, before any display is touched; it starts what it needs of the
// program itself (runtime::core::Process with app::Program::Table()).
//
// Exit statuses: ExitSuccess, ExitRefused (the command refused its input or the folder
// could not be used), ExitUsage (a mistake on the command line, reported in one line
// on the standard error that points to --help).
//
// Thread safety: Parse and Usage are plain functions over values. Handle changes the
// process's working folder: call it once, from main, before starting any thread.

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandLineCommand.h"

namespace app {

class CommandLine {
 public:
  static constexpr int ExitSuccess = 0;
  static constexpr int ExitRefused = 1;
  static constexpr int ExitUsage = 2;
  static constexpr std::string_view ProgramName = "vorkan42";

  enum class Action { StartWindows, ShowHelp, ShowVersion, RunCommand, UsageError };
  enum class Folder { Current, Given, DataFolder };

  // What the command line asks for.
  struct Invocation {
    Action What = Action::StartWindows;
    Folder Where = Folder::Current;
    std::string FolderPath;                      // with Folder::Given
    const CommandLineCommand* Command = nullptr;  // with Action::RunCommand
    std::vector<std::string> Arguments;          // with Action::RunCommand: what followed its name
    std::string Error;                           // with Action::UsageError: what is wrong
  };

  // Reads the arguments that follow the program name. --help and --version among the
  // program's options win over the rest of the line, unless a mistake comes first.
  static Invocation Parse(const std::vector<std::string>& args, std::span<const CommandLineCommand> commands);
  // The text --help prints: usage, options, the commands of `commands`, exit statuses.
  static std::string Usage(std::span<const CommandLineCommand> commands);
  // The program's version, from the build ("0.1.0").
  static std::string_view Version();

  // Parses argv against CommandLineCommands, prints help, version or a usage error,
  // enters the chosen folder and runs a command. Returns the exit status when the
  // command line has been dealt with, or nothing when the windows are to open (the
  // chosen folder is then the current one).
  static std::optional<int> Handle(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
};

}  // namespace app
