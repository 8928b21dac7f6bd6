#pragma once
// The message buttons as the framework names them. A button set is the sum of their
// values; a display operation returns the value of the button pressed. The numbers are
// the runtime's own, so a value passes unchanged to any message box. Constants only.

#include <cstdint>

#include "runtime/ui/MessageBoxRequest.h"

namespace framework::error {

struct Button {
  using Request = runtime::ui::MessageBoxRequest;
  static constexpr int32_t Ok = Request::ButtonOk;          // "O&k"
  static constexpr int32_t Yes = Request::ButtonYes;        // "&Yes"
  static constexpr int32_t No = Request::ButtonNo;          // "&No"
  static constexpr int32_t Abort = Request::ButtonAbort;    // "&Abort"
  static constexpr int32_t Retry = Request::ButtonRetry;    // "&Retry"
  static constexpr int32_t Ignore = Request::ButtonIgnore;  // "&Ignore"
  static constexpr int32_t Cancel = Request::ButtonCancel;  // "&Cancel"
  static constexpr int32_t Help = Request::ButtonHelp;      // "&Help"

  static constexpr int32_t YesNo = Yes | No;
  static constexpr int32_t YesNoCancel = Yes | No | Cancel;
  static constexpr int32_t OkHelp = Ok | Help;
};

static_assert(Button::Ok == 1 && Button::Yes == 2 && Button::No == 4 && Button::Abort == 8 &&
              Button::Retry == 16 && Button::Ignore == 32 && Button::Cancel == 64 && Button::Help == 128);

}  // namespace framework::error
