#pragma once
// Where the manual that the Help menu opens is kept, for both front ends. A program
// run from its build folder (or a test program below it) reads the source tree's
// docs/help; any other copy is an installed one and reads the folder the install laid
// out beside its executable (bin/../share/doc/vorkan42/help), wherever the install went.
// The folder is decided by where the executable is, never by probing, so an installed
// program with its manual missing says so instead of quietly showing another copy.
//
// Thread safety: plain functions; the executable's place is read once.

#include <string>

#include "runtime/ui/FrameAction.h"

namespace runtime::ui {

class HelpPages {
 public:
  // The manual's folder, without a trailing "/".
  static std::string Folder();
  // The page a help action opens ("index.html"), or empty for an action that is not
  // one of the Help menu's.
  static std::string Page(FrameAction action);
  // Folder() + "/" + Page(action), or empty for an action that is not a help action.
  static std::string PagePath(FrameAction action);
};

}  // namespace runtime::ui
