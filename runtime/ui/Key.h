#pragma once
// Key codes: the code of a key is its base code plus the modifier bits held with it
// (Shift 0x100, Ctrl 0x200, Alt 0x400), so Shift+Enter is 269 and Ctrl+H is 584. Mouse
// clicks are key codes too. Constants and two helpers; safe from any thread.

#include <cstdint>

namespace runtime::ui {

struct Key {
  static constexpr int32_t None = 0;

  static constexpr int32_t Shift = 0x100;
  static constexpr int32_t Ctrl = 0x200;
  static constexpr int32_t Alt = 0x400;

  // Mouse.
  static constexpr int32_t MouseLeft = 1;
  static constexpr int32_t MouseRight = 2;
  static constexpr int32_t MouseCenter = 3;
  static constexpr int32_t MouseLeft2 = 5;   // double click
  static constexpr int32_t MouseRight2 = 6;
  static constexpr int32_t MouseLeftUp = 129;
  static constexpr int32_t MouseRightUp = 130;

  // Keys.
  static constexpr int32_t Backspace = 8;
  static constexpr int32_t Tab = 9;
  static constexpr int32_t Enter = 13;
  static constexpr int32_t Esc = 27;
  static constexpr int32_t Space = 32;
  static constexpr int32_t PgUp = 33;
  static constexpr int32_t PgDn = 34;
  static constexpr int32_t End = 35;
  static constexpr int32_t Home = 36;
  static constexpr int32_t Left = 37;
  static constexpr int32_t Up = 38;
  static constexpr int32_t Right = 39;
  static constexpr int32_t Down = 40;
  static constexpr int32_t Insert = 45;
  static constexpr int32_t Delete = 46;
  static constexpr int32_t Digit0 = 48;   // '0' to '9' are 48 to 57
  static constexpr int32_t A = 65;        // 'A' to 'Z' are 65 to 90
  static constexpr int32_t H = 72;
  static constexpr int32_t Z = 90;
  static constexpr int32_t MenuKey = 93;  // the context-menu key
  static constexpr int32_t F1 = 112;      // F1 to F12 are 112 to 123

  static constexpr int32_t ShiftEnter = Shift + Enter;  // 269
  static constexpr int32_t CtrlEnter = Ctrl + Enter;    // 525
  static constexpr int32_t CtrlH = Ctrl + H;            // 584

  // The code of a letter or digit key ('a' and 'A' give the same code).
  static constexpr int32_t Of(char c) { return (c >= 'a' && c <= 'z') ? c - 'a' + A : c; }
  // The code without its modifier bits.
  static constexpr int32_t Base(int32_t code) { return code & 0xFF; }
};

static_assert(Key::ShiftEnter == 269 && Key::CtrlEnter == 525 && Key::CtrlH == 584);

}  // namespace runtime::ui
