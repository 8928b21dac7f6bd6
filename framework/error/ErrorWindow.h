#pragma once
// The error window: a small dialog with an icon, the two-column list of recorded
// messages and up to eight buttons, laid out at run time from a button set. It shows
// a message in history mode and serves as the "Errors History" viewer; the error
// manager's ShowHistoryWindow builds it, runs it and reads the button pressed from
// MsgRVal (the default when the window is closed any other way).
//
// Buttons fill from the right edge: the highest value in the set takes ?BUTTON8
// (control 100), the next ?BUTTON7 (101) and so on, so they read from left to right in
// increasing value.
//
// Thread safety: like every controller, it belongs to the thread that runs it (the
// thread that raised the message); its list reads only a private copy of the history.

#include <array>
#include <cstdint>
#include <string>

#include "framework/window/WindowController.h"
#include "runtime/ui/WindowDefinition.h"

namespace framework::window {
class WindowComponent;
}

namespace framework::error {

class ErrorManager;

class ErrorWindow : public framework::window::WindowController {
 public:
  static constexpr int32_t MaxButtons = 8;
  // Bits of a button set looked at, highest first (values 128 down to 1).
  static constexpr int32_t HighestButtonBit = MaxButtons - 1;
  // The k-th button placed (1-based) is control ButtonControlBase + k.
  static constexpr int32_t ButtonControlBase = 99;
  // The stock icon shown when Icon is 0 (the asterisk, as on notices).
  static constexpr int32_t DefaultIconId = 0x7F04;

  ErrorWindow() = default;
  ~ErrorWindow() override;

  // The caption of a button value ("O&k", "&Yes" ...); "" for anything else.
  static std::string ButtonCaption(int32_t value);
  // The 4-byte stock-icon code (FF 01 and the id little-endian) of a numeric icon.
  static std::string IconCode(int32_t id);

  // The controller's initialisation, then: the history list registered, the window
  // opened with Caption as its title, the buttons of ButtonTypes laid out with MsgRVal
  // as the default (with the focus), and the icon shown. Non-zero from the base is
  // returned as is.
  int32_t Init() override;
  // The controller's kill (non-zero returned as is); then the window is closed.
  int32_t Teardown() override;
  // A shown button ends the loop with its value in MsgRVal (result 3).
  int32_t OnAccepted() override;

  // ---- Added virtual operation ----
  // Puts Icon (0: the default icon) into the image control.
  virtual void ShowIcon();

  // ---- Fields, after the controller's, in order ----
  int32_t ButtonTypes = 0;
  std::string Caption;  // "" keeps the definition's caption "Error"
  ErrorManager* Err = nullptr;
  int32_t Icon = 0;
  framework::window::WindowComponent* HistoryHandler = nullptr;
  int32_t MsgButtons = 0;
  // Entry k-1 is the value of the k-th button placed.
  std::array<int32_t, MaxButtons> MsgButtonId{};
  // On entry the default button; on exit the button pressed.
  int32_t MsgRVal = 0;
  int32_t Style = 0;  // kept, not used by the window
  runtime::ui::WindowDefinition Win;
};

}  // namespace framework::error
