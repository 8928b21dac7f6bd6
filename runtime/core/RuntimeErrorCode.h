#pragma once
// Runtime error codes the program reads after a runtime or file call. The numbers
// are fixed: catalogue texts and stored logs show them.

#include <cstdint>

namespace runtime::core {

struct RuntimeErrorCode {
  static constexpr int32_t NoError = 0;
  static constexpr int32_t NotFound = 2;              // no such record or file
  static constexpr int32_t AccessDenied = 5;
  static constexpr int32_t RecordNotAvailable = 33;
  static constexpr int32_t DuplicateKey = 40;
  static constexpr int32_t RecordHeld = 43;           // held elsewhere
  static constexpr int32_t FileNotOpen = 45;          // used before it was opened
  static constexpr int32_t KeyFileInvalid = 46;       // key must be rebuilt
  static constexpr int32_t InvalidFileStructure = 47;
  static constexpr int32_t AlreadyOpen = 52;
  static constexpr int32_t NotSupported = 80;
  static constexpr int32_t RecordChanged = 89;        // changed elsewhere since read
  static constexpr int32_t DriverError = 90;          // the driver's own code and text
  static constexpr int32_t DriverErrorAlt = 100;
  static constexpr int32_t ThreadInitReentered = 411; // once-per-thread guard re-entered
  static constexpr int32_t ThreadNotStarted = 412;    // a new thread could not be created
};

}  // namespace runtime::core
