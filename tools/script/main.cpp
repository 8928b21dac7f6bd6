// vorkan42-script: runs the program in the current folder and carries out the steps of
// a script file ("-" reads the script from standard input), on the headless front end,
// or with --desktop on the real desktop (a display is needed). Exit status 0 when every
// step passed, 1 when one failed, 2 when the script could not be read or has mistakes
// (or, with --desktop, when there is no display).
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/script/DesktopScript.h"
#include "tools/script/HeadlessScriptDriver.h"
#include "tools/script/ScriptParser.h"
#include "tools/script/ScriptRunner.h"

int main(int argc, char** argv) {
  using tools::script::ScriptRunner;
  const bool desktop = argc == 3 && std::string(argv[1]) == tools::script::DesktopScript::Option;
  if (argc != 2 && !desktop) {
    std::cerr << "usage: vorkan42-script [--desktop] SCRIPT   (SCRIPT may be - for standard input)\n";
    return ScriptRunner::ExitBadScript;
  }
  const std::string name = argv[argc - 1];
  std::stringstream text;
  if (name == "-") {
    text << std::cin.rdbuf();
  } else {
    std::ifstream file(name, std::ios::binary);
    if (!file) {
      std::cerr << name << ": cannot be read\n";
      return ScriptRunner::ExitBadScript;
    }
    text << file.rdbuf();
  }
  std::vector<std::string> errors;
  const auto steps = tools::script::ScriptParser::Parse(text.str(), errors);
  if (!errors.empty()) {
    for (const std::string& e : errors) std::cerr << name << ":" << e << "\n";
    return ScriptRunner::ExitBadScript;
  }
  if (desktop) return tools::script::DesktopScript::Run(argc, argv, steps, name);
  tools::script::HeadlessScriptDriver driver(ScriptRunner::DefaultTimeout);
  ScriptRunner runner(driver, std::cout, std::cerr, name);
  return runner.Run(steps);
}
