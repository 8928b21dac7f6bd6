#pragma once
// Where reported messages are logged, one dated line each. The error manager calls a
// sink only while holding its own lock, so a sink needs no lock of its own unless it is
// shared with other users. Each operation returns LevelQuiet on success and LevelNotice
// on failure (the runtime's error code and text then tell why).

#include <string>

#include "framework/error/ErrorLevel.h"

namespace framework::error {

class ErrorLogInterface {
 public:
  virtual ~ErrorLogInterface() = default;

  // Ends one use of the log; the last use (or `force`) closes it.
  virtual ErrorLevel CloseLog(bool force) = 0;
  // Begins one use of the log; the first use (or `force`) opens it, creating it if missing.
  virtual ErrorLevel OpenLog(bool force) = 0;
  // Appends `text` as one line; fails when the log is not open.
  virtual ErrorLevel WriteLine(const std::string& text) = 0;
};

}  // namespace framework::error
