#pragma once
// The commands the program understands on its command line, in the order the help
// text lists them. A command is added by one row in CommandLineCommands.cpp; the
// parser, the help text and the exit statuses need no change. Its manual page entry
// goes into packaging/vorkan42.1.in; the install test checks that the manual page
// documents every option and command the help text lists.
//
// Thread safety: a constant table.

#include <span>

#include "app/CommandLineCommand.h"

namespace app {

class CommandLineCommands {
 public:
  static std::span<const CommandLineCommand> All();
};

}  // namespace app
