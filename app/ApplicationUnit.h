#pragma once
// The application unit's entries in the start-up table: its global initialiser and
// finaliser, its thread initialiser and finaliser, and its file set-up.

#include "runtime/core/StartupTable.h"

namespace app {

class ApplicationUnit {
 public:
  static runtime::core::StartupUnit Entry();

  // Initialises the runtime's application layer, then builds the word matcher, the
  // error manager and the INI manager, in that order.
  static void GlobalInit();
  // Destroys the INI manager, then the error manager.
  static void GlobalFinal();
  // The thread's error details, its request/response variables cleared, then its
  // ThreadFileSetup (which builds the UrlList managers on threads other than 1).
  static void ThreadInit();
  // ThreadFileSetup destroyed (managers killed), the error details released, the
  // thread's UrlList file structure destroyed.
  static void ThreadFinal();
  // Readies the per-thread UrlList file structure.
  static void FileSetup();
};

}  // namespace app
