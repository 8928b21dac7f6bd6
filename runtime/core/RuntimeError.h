#pragma once
// The per-thread "last error" of the runtime: after every runtime or file call the
// program reads the error code and text, and for file calls the driver's own error
// code (as text) and message. Each thread sees only its own values.

#include <cstdint>
#include <string>

namespace runtime::core {

struct RuntimeErrorState {
  int32_t Code = 0;
  std::string Text;
  std::string FileCode = "0";
  std::string FileText;
};

class RuntimeError {
 public:
  // Sets the code with the runtime's standard text for it.
  static void Set(int32_t code);
  static void Set(int32_t code, const std::string& text);
  // Sets the driver's own error code and message (shown for codes 47, 90 and 100).
  static void SetFile(const std::string& fileCode, const std::string& fileText);
  // A failed system call: 2 for a missing file or folder, 5 for a denied access or a
  // read-only file system, otherwise 90 with errno and the system's text as the
  // driver's code and message.
  static void SetSystem(int error);
  // Success: code 0, empty texts, driver code "0".
  static void Clear();

  static int32_t Code();
  static std::string Text();
  static std::string FileCode();
  static std::string FileText();
  static RuntimeErrorState Snapshot();
  static void Restore(const RuntimeErrorState& state);

  // The runtime's standard text for a code ("" for 0).
  static std::string StandardText(int32_t code);
};

}  // namespace runtime::core
