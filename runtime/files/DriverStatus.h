#pragma once
// The outcome of one driver call: the runtime error code (RuntimeErrorCode: 0, 2, 5,
// 33, 40, 43, 46, 47, 52, 80, 89, 90 ...) and, when the storage engine itself failed,
// its own code and text, which KeyedFile hands to RuntimeError::SetFile.
// A plain value.

#include <cstdint>
#include <string>
#include <utility>

#include "runtime/core/RuntimeErrorCode.h"

namespace runtime::files {

struct [[nodiscard]] DriverStatus {
  int32_t Code = runtime::core::RuntimeErrorCode::NoError;
  std::string FileCode = "0";
  std::string FileText;

  static DriverStatus Ok() { return {}; }
  static DriverStatus Error(int32_t code) { return {code, "0", ""}; }
  static DriverStatus Error(int32_t code, std::string fileCode, std::string fileText) {
    return {code, std::move(fileCode), std::move(fileText)};
  }
  bool IsOk() const { return Code == runtime::core::RuntimeErrorCode::NoError; }
};

}  // namespace runtime::files
