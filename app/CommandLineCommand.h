#pragma once
// One command the program carries out without opening its windows ("import FILE"):
// its name, how its arguments are written in the help text, a one-line summary, and
// the function that runs it. A plain value; the table of commands is
// CommandLineCommands.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace app {

struct CommandLineCommand {
  // Runs the command with the arguments that followed its name, untouched (the command
  // reads its own options and counts its own operands), in the folder the person
  // chose. Writes what it produces to `out` and its one summary line (or its
  // complaint) to `err`; returns the exit status (CommandLine::ExitSuccess,
  // ExitRefused or ExitUsage).
  using Handler = int (*)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

  std::string_view Name;       // "import"
  std::string_view Arguments;  // "FILE [--format html|txt|csv]", or empty
  std::string_view Summary;    // "add the addresses in FILE to the list"
  Handler Run = nullptr;
};

}  // namespace app
