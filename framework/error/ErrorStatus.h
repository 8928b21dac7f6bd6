#pragma once
// The error details of one thread: the names and message argument a component sets
// before it raises an error, the runtime error captured at the raise, and the thread's
// current error. The application keeps one instance per thread (a PerThread<ErrorStatus>
// handed to ErrorManager::Init), so one thread never sees another's "%File".
// Touched only by its own thread.

#include <cstdint>
#include <string>

#include "framework/error/ErrorEntry.h"

namespace framework::error {

struct ErrorStatus {
  struct Values {
    std::string FieldName;    // "%Field"
    std::string FileName;     // "%File"
    std::string KeyName;      // "%Key"
    std::string MessageText;  // "%Message"
    std::string SaveError;    // the runtime's error text at the last raise
    int32_t SaveErrorCode = 0;
    std::string SaveFileError;           // the file driver's message
    std::string SaveFileErrorCode = "0"; // the file driver's code, as text
    // The current error on this thread; its texts are its own copies.
    ErrorEntry ErrorBuffer;
    // The id that was current before ErrorBuffer's.
    int32_t PrevErrorId = 0;
  };
  Values V;
};

}  // namespace framework::error
