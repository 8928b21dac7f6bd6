#pragma once
// The program's commands, run without a display on the data file and INI file of the
// current folder, through the same managers as the windows:
//   import FILE [--format html|txt|csv]   adds the file's addresses
//   export FILE [--format html|txt|csv] [--find TEXT]
//   list [TEXT]                            addresses containing TEXT, with their counts
//   add URL [COUNT]                        one address (count 1 when not given)
// The format comes from the file's extension unless --format names it. Each command
// writes one summary line on the standard error, last (an import lists its refused
// entries before it), and gives the exit status: 0 success, 1 input refused or the
// file could not be read or written, 2 a usage error.
//
// Call from the process's main thread, once, before anything else is started.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace app {

struct CommandStatus {
  static constexpr int Success = 0;
  static constexpr int Refused = 1;
  static constexpr int Usage = 2;
};

class UrlCommands {
 public:
  // True when `word` names one of the commands above.
  static bool IsCommand(std::string_view word);
  // Runs the command in `args` (the command word first); returns the exit status.
  static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
  // The lines of the usage text for these commands.
  static std::string Usage();
};

}  // namespace app
