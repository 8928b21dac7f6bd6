#include "app/CommandLineCommands.h"

#include <array>
#include <string_view>

#include "app/UrlCommands.h"

namespace app {
namespace {

// The list commands take their name back in front of their arguments.
template <const std::string_view& Word>
int UrlCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> words{std::string(Word)};
  words.insert(words.end(), args.begin(), args.end());
  return UrlCommands::Run(words, out, err);
}

constexpr std::string_view Import = "import";
constexpr std::string_view Export = "export";
constexpr std::string_view List = "list";
constexpr std::string_view Add = "add";

// One row per command: name, arguments as the help text shows them, summary, handler.
constexpr std::array Table{
    CommandLineCommand{Import, "FILE [--format html|txt|csv]", "add the addresses in FILE to the list", UrlCommand<Import>},
    CommandLineCommand{Export, "FILE [--format html|txt|csv] [--find TEXT]",
                       "write the list (or the addresses containing TEXT) to FILE", UrlCommand<Export>},
    CommandLineCommand{List, "[TEXT]", "print the addresses containing TEXT, with their counts", UrlCommand<List>},
    CommandLineCommand{Add, "URL [COUNT]", "add one address, to be opened COUNT times (1)", UrlCommand<Add>},
};

}  // namespace

std::span<const CommandLineCommand> CommandLineCommands::All() { return Table; }

}  // namespace app
