#pragma once
// The process-wide objects the application unit builds at start-up: the word
// matcher, the error manager and the INI manager, plus the per-thread error details
// the error manager reads. Construct and Destroy run once, from the global initialiser
// and finaliser, before any program thread starts and after the last one ended; in
// between the objects are shared by every thread (each guards itself with its own
// critical section).

#include "framework/error/ErrorManager.h"
#include "framework/window/IniManager.h"
#include "app/FuzzyMatcher.h"

namespace app {

class AppGlobals {
 public:
  // In this order: the word matcher, the error manager (its critical section created,
  // its log reference cleared), the INI manager (its critical section created).
  static void Construct();
  // The INI manager first, then the error manager; the matcher last.
  static void Destroy();

  static FuzzyMatcher& Matcher();
  static framework::error::ErrorManager& Errors();
  static framework::window::IniManager& Ini();
  // The per-thread error details handed to the error manager.
  static framework::error::ErrorManager::StatusInstances& Status();
};

}  // namespace app
