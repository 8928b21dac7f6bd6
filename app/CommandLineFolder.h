#pragma once
// The folder the program works in: where its data file, Vorkan42.INI and error log are.
// Started from a terminal that is the current folder; `--folder DIR` names an existing
// folder; the application menu's launcher asks for the person's data folder for the
// program, $XDG_DATA_HOME/vorkan42, or ~/.local/share/vorkan42 when XDG_DATA_HOME is
// unset, empty or not an absolute path (the XDG base directory rule).
//
// Thread safety: DataFolder is a plain function. Enter changes the process's working
// folder: call it from main before any thread starts.

#include <string>

namespace app {

class CommandLineFolder {
 public:
  static constexpr const char* SubFolder = "vorkan42";

  // The person's data folder for the program, from the values of XDG_DATA_HOME and
  // HOME (either may be null). Empty, with `error` set, when neither gives an absolute
  // path.
  static std::string DataFolder(const char* xdgDataHome, const char* home, std::string& error);

  // Makes `folder` the working folder. With `create`, the folder and its missing
  // parents are made first (private to the person). False, with `error` set to a
  // sentence naming the folder and the reason, when it cannot be made or entered.
  enum class Create { No, WhenMissing };
  [[nodiscard]] static bool Enter(const std::string& folder, Create create, std::string& error);
};

}  // namespace app
