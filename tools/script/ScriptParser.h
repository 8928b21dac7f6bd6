#pragma once
// Reads a script: one step per line, a command followed by its arguments, separated
// by blanks. An argument with blanks is written in double quotes (\" and \\ inside
// them stand for a quote and a backslash). Blank lines and lines starting with "#"
// are skipped. Every command and its argument count are checked before anything
// runs, so a script with a mistake fails at once with the line it is on.
//
// Thread safety: plain functions over values.

#include <string>
#include <string_view>
#include <vector>

#include "tools/script/ScriptStep.h"

namespace tools::script {

class ScriptParser {
 public:
  // The steps of the script, or an empty list with the reasons ("line 3: ...") in `errors`.
  static std::vector<ScriptStep> Parse(std::string_view text, std::vector<std::string>& errors);

  // A key as scripts write it: "Enter", "PgDn", "Ctrl+H", "F2", "A", "7", or a code
  // number. 0 when the name is unknown.
  static int KeyCode(std::string_view name);
  // A message box button: "Ok", "Yes", "No", "Abort", "Retry", "Ignore", "Cancel",
  // "Help" (any case) or a number. 0 when unknown.
  static int Button(std::string_view name);
  // A whole number, or false.
  static bool Number(std::string_view text, int& value);
};

}  // namespace tools::script
