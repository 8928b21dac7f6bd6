#pragma once
// What a key, a click, a double click or a right click does to a window, decided once
// for every front end. The headless driver and the desktop's widgets hand the user's
// raw input to these calls and do nothing else with it, so the two cannot drift apart.
//
// A key, in this order: Shift+F10 counts as the menu key; an alert key of the focused
// control goes to that control as AlertKey; an alert key of the window goes to the
// window; with no control focused, the first shown and enabled control that has the key
// as an alert gets it; Enter presses the default button, or else accepts the focused
// entry; Esc closes the window; F1 opens the manual; the arrow, page, Home and End keys
// scroll the focused list (or, when neither a list nor an entry has the focus, the
// window's first shown list). Any other key is not routed: a front end lets an entry take it as typing.
//
// A list: a click chooses the row under the mouse; a double click chooses it, sets the
// list's action property to DoubleClickAction, and then sends the click as AlertKey
// when the list holds it as an alert (else as Accepted); a right click sends AlertKey
// when it is an alert and then chooses the row under the mouse with its key (on an
// empty list, a new-selection event carrying the key, so the context menu still opens).
//
// Every call returns what became of the input: routed or not, and the model's refusal
// ("" when it was delivered).
//
// Thread safety: any thread; everything goes through WindowModel.

#include <cstdint>
#include <string>

namespace runtime::ui {

// Whether Enter may still accept the focused entry: a desktop entry that has just handed
// its typing to the model was accepted by that already.
enum class EntryAccepted { No, Already };

struct RoutedInput {
  bool Routed = false;
  std::string Refusal;  // "" when delivered

  explicit operator bool() const { return Routed && Refusal.empty(); }
};

class InputRouter {
 public:
  // The list action property's value after a double click on a row.
  static constexpr int32_t DoubleClickAction = 2;

  // The focused control is the one the model holds focused.
  static constexpr int32_t ModelFocus = INT32_MIN;
  // A key pressed in `window` while `focused` has the keyboard (a desktop knows where the
  // key was pressed; ModelFocus takes the model's focused control).
  [[nodiscard]] static RoutedInput Key(int32_t window, int32_t key, int32_t focused = ModelFocus,
                                       EntryAccepted entry = EntryAccepted::No);
  // The scroll event a key means to a list, 0 when none.
  static int32_t ScrollEventOf(int32_t key);

  [[nodiscard]] static RoutedInput Click(int32_t window, int32_t list, int32_t row);
  [[nodiscard]] static RoutedInput DoubleClick(int32_t window, int32_t list, int32_t row);
  [[nodiscard]] static RoutedInput RightClick(int32_t window, int32_t list, int32_t row);
};

}  // namespace runtime::ui
