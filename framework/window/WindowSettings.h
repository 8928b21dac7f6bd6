#pragma once
// What a window procedure decides about its window: the values WindowController::Init
// gives their defaults, the procedure's own Init then sets, and the controller only
// reads while the window runs (WindowController::Config).

#include <cstdint>

namespace framework::window {

struct WindowSettings {
  // What a saved or cancelled request leads to: WindowController's Insert..., Change...,
  // Delete... values and Cancel... bits.
  uint8_t InsertAction = 0;
  uint8_t ChangeAction = 0;
  uint8_t DeleteAction = 0;
  uint8_t CancelAction = 0;
  // The control that gets the focus when the window opens or a request ends (0: none).
  int32_t FirstField = 0;
  // The buttons that save through the OK path, and that save and stay (0: none).
  int32_t OkControl = 0;
  int32_t SaveControl = 0;
  // The key that recalls a field's remembered value (0: no history).
  int32_t HistoryKey = 0;
  // The components are asked for a reset after each event (SkipsAutoRefresh excepted).
  bool AutoRefresh = false;
  // The toolbar chooses its target again when the selected sheet changes.
  bool AutoToolbar = false;
  // A form that moves on to the next record after each save (through FormVCR).
  bool BatchProcessing = false;
  // The cancel buttons are disabled while a request is being saved.
  bool DisableCancelButton = false;
  // Losing the focus forces a reset of the components when it comes back.
  bool ResetOnGainFocus = false;
};

}  // namespace framework::window
