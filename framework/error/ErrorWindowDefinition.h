#pragma once
// The "Error" window of the error display: an icon, a two-column list of recorded
// messages (Message, Category) and eight buttons, hidden until the error window gives
// them the captions of the buttons it shows. The buttons fill from the right:
// ?BUTTON8 (number 100) is the rightmost, ?BUTTON1 (107) the leftmost. Pure data;
// safe from any thread.

#include <cstdint>

#include "runtime/ui/WindowDefinition.h"

namespace framework::error {

class ErrorWindowDefinition {
 public:
  static constexpr int32_t ImageControl = 300;
  static constexpr int32_t ListControl = 200;
  // Button k (1 to 8, left to right) has number FirstButtonControl + 8 - k.
  static constexpr int32_t FirstButtonControl = 100;
  static constexpr int32_t ButtonCount = 8;

  static runtime::ui::WindowDefinition Build();
};

}  // namespace framework::error
