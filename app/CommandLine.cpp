#include "app/CommandLine.h"

#include <algorithm>
#include <cstdlib>
#include <ostream>

#include "app/CommandLineCommands.h"
#include "app/CommandLineFolder.h"

#ifndef VK_VERSION
#error "VK_VERSION must be defined by the build (the CMake project's version)"
#endif

namespace app {
namespace {

constexpr std::string_view FolderOption = "--folder";
constexpr std::string_view DataFolderOption = "--data-folder";
constexpr std::string_view EndOfOptions = "--";
const std::string HelpHint = " (see vorkan42 --help)";

CommandLine::Invocation Mistake(std::string text) {
  CommandLine::Invocation result;
  result.What = CommandLine::Action::UsageError;
  result.Error = std::move(text);
  return result;
}

bool IsOption(const std::string& arg) { return arg.size() > 1 && arg.front() == '-'; }

std::string CommandUsage(const CommandLineCommand& command) {
  std::string text(command.Name);
  if (!command.Arguments.empty()) text += " " + std::string(command.Arguments);
  return text;
}

}  // namespace

std::string_view CommandLine::Version() { return VK_VERSION; }

CommandLine::Invocation CommandLine::Parse(const std::vector<std::string>& args,
                                           std::span<const CommandLineCommand> commands) {
  Invocation result;
  bool folderChosen = false;
  auto chooseFolder = [&](Folder where, std::string path) {
    if (folderChosen) return false;
    folderChosen = true;
    result.Where = where;
    result.FolderPath = std::move(path);
    return true;
  };

  size_t i = 0;
  for (; i < args.size() && IsOption(args[i]); ++i) {
    const std::string& arg = args[i];
    if (arg == EndOfOptions) {
      ++i;
      break;
    } else if (arg == "--help" || arg == "-h") {
      if (result.What == Action::StartWindows) result.What = Action::ShowHelp;
    } else if (arg == "--version") {
      if (result.What == Action::StartWindows) result.What = Action::ShowVersion;
    } else if (arg == DataFolderOption) {
      if (!chooseFolder(Folder::DataFolder, {})) return Mistake("the folder is chosen more than once");
    } else if (arg == FolderOption || arg.starts_with(std::string(FolderOption) + "=")) {
      std::string path;
      if (arg == FolderOption) {
        if (i + 1 == args.size()) return Mistake("--folder needs the name of a folder");
        path = args[++i];
      } else {
        path = arg.substr(FolderOption.size() + 1);
      }
      if (path.empty()) return Mistake("--folder needs the name of a folder");
      if (!chooseFolder(Folder::Given, std::move(path))) return Mistake("the folder is chosen more than once");
    } else {
      return Mistake("unknown option '" + arg + "'");
    }
  }
  if (result.What != Action::StartWindows || i == args.size()) return result;

  const auto found = std::find_if(commands.begin(), commands.end(),
                                  [&](const CommandLineCommand& c) { return c.Name == args[i]; });
  if (found == commands.end()) return Mistake("unknown command '" + args[i] + "'");
  result.What = Action::RunCommand;
  result.Command = &*found;
  result.Arguments.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
  return result;
}

std::string CommandLine::Usage(std::span<const CommandLineCommand> commands) {
  const std::string name(ProgramName);
  std::string text = "Usage: " + name + " [--folder DIR | --data-folder]" +
                     (commands.empty() ? "" : " [COMMAND [ARGUMENT...]]") + "\n       " + name +
                     " --help | --version\n\n" +
                     "Keeps a list of web addresses and opens each of them on demand. Without a command\n"
                     "it opens its windows, which needs a graphical display; a command needs none.\n\n"
                     "Options:\n"
                     "  --folder DIR     work as if started in the existing folder DIR (data file,\n"
                     "                   Vorkan42.INI, error log, and a command's relative FILE)\n"
                     "  --data-folder    work in $XDG_DATA_HOME/vorkan42 (else ~/.local/share/vorkan42),\n"
                     "                   created when missing; the application menu starts it so\n"
                     "  -h, --help       print this help and exit\n"
                     "  --version        print the version and exit\n";
  if (!commands.empty()) {
    text += "\nCommands (the options above come before the command):\n";
    for (const CommandLineCommand& c : commands)
      text += "  " + CommandUsage(c) + "\n      " + std::string(c.Summary) + "\n";
  }
  text += "\nExit status: 0 success, 1 refused input or an unusable folder, 2 a mistake on the\n"
          "command line or no display to open the windows on.\n";
  return text;
}

std::optional<int> CommandLine::Handle(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
  const auto commands = CommandLineCommands::All();
  const Invocation invocation = Parse(args, commands);
  const std::string name(ProgramName);
  switch (invocation.What) {
    case Action::UsageError:
      err << name << ": " << invocation.Error << HelpHint << "\n";
      return ExitUsage;
    case Action::ShowHelp:
      out << Usage(commands);
      return ExitSuccess;
    case Action::ShowVersion:
      out << name << " " << Version() << "\n";
      return ExitSuccess;
    case Action::StartWindows:
    case Action::RunCommand:
      break;
  }

  std::string error;
  bool entered = true;
  if (invocation.Where == Folder::Given) {
    entered = CommandLineFolder::Enter(invocation.FolderPath, CommandLineFolder::Create::No, error);
  } else if (invocation.Where == Folder::DataFolder) {
    const std::string folder = CommandLineFolder::DataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"), error);
    entered = !folder.empty() && CommandLineFolder::Enter(folder, CommandLineFolder::Create::WhenMissing, error);
  }
  if (!entered) {
    err << name << ": " << error << "\n";
    return ExitRefused;
  }
  if (invocation.What == Action::RunCommand) return invocation.Command->Run(invocation.Arguments, out, err);
  return std::nullopt;
}

}  // namespace app
