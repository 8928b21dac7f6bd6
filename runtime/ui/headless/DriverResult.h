#pragma once
// The outcome of one step of the headless driver: success, or a failure with a text
// that says what was looked for and what was there instead. Converts to bool.

#include <string>
#include <utility>

namespace runtime::ui::headless {

struct DriverResult {
  bool Ok = true;
  std::string Message;

  static DriverResult Success() { return {}; }
  static DriverResult Failure(std::string message) { return {false, std::move(message)}; }
  explicit operator bool() const { return Ok; }
};

}  // namespace runtime::ui::headless
