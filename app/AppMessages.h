#pragma once
// The program's own catalogue entries, beside the framework's built-in ones: added to
// the error manager once it is initialised, raised by id like every other message.

#include <cstdint>

#include "framework/error/ErrorManager.h"

namespace app {

class AppMessages {
 public:
  // "Range Error": a typed text longer than its field (%Field, the limit in %Message).
  static constexpr int32_t TooLong = 101;
  // "Settings Not Saved": a window's position could not be written (%File, %ErrorText).
  static constexpr int32_t SettingsNotSaved = 102;

  static void Add(framework::error::ErrorManager& errors);
};

}  // namespace app
