#pragma once
// One entry of the error catalogue: an id, a message text with placeholders, a title,
// a severity and an optional category. Also the shape of a thread's current error.
// The entry owns copies of its texts, so a catalogue block or a caller's string need
// not outlive the manager. A plain value; not shared between threads unguarded.

#include <cstdint>
#include <string>

namespace framework::error {

struct ErrorEntry {
  // Lookups match it against the low 16 bits of the requested id.
  int32_t Id = 0;
  std::string Message;
  std::string Title;
  // The severity, an ErrorLevel.
  uint8_t Fatality = 0;
  // Empty when the entry has no category of its own (the default category applies).
  std::string Category;
};

}  // namespace framework::error
