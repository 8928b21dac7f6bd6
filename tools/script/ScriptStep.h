#pragma once
// One step of a script: the command, its arguments as written (quotes removed) and
// the line it stands on. A plain value.

#include <string>
#include <vector>

namespace tools::script {

struct ScriptStep {
  int Line = 0;
  std::string Command;
  std::vector<std::string> Args;
};

}  // namespace tools::script
