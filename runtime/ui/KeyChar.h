#pragma once
// The character a key code types, for code that reacts to typed letters (a list's
// locator): letters give lower case, or upper case with Shift; digits and the space bar
// give themselves; keys held with Ctrl or Alt, and every other key, type nothing (0).
// Constants and a pure function; safe from any thread.

#include <cstdint>

#include "runtime/ui/Key.h"

namespace runtime::ui {

struct KeyChar {
  static constexpr char None = 0;
  static constexpr int32_t CaseOffset = 'a' - 'A';

  static constexpr char Of(int32_t key) {
    const int32_t base = Key::Base(key);
    const int32_t modifiers = key & ~0xFF;
    if ((modifiers & (Key::Ctrl | Key::Alt)) != 0) return None;
    const bool shift = (modifiers & Key::Shift) != 0;
    if (base >= Key::A && base <= Key::Z) return static_cast<char>(shift ? base : base + CaseOffset);
    if (shift) return None;
    if (base >= Key::Digit0 && base <= Key::Digit0 + 9) return static_cast<char>(base);
    if (base == Key::Space) return ' ';
    return None;
  }
};

static_assert(KeyChar::Of(Key::Of('b')) == 'b' && KeyChar::Of(Key::Shift + Key::Of('b')) == 'B');

}  // namespace runtime::ui
