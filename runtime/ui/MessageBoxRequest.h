#pragma once
// What a message box shows: the text ("|" starts a new line), the caption, the icon,
// the set of buttons, the default button and a style. A plain value: copy it freely
// between threads. The runtime owns the button values because every front end draws
// the buttons; the framework's button names (framework/error/Buttons.h) are these.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace runtime::ui {

struct MessageBoxRequest {
  // Button values; a button set is their sum, and the answer is one of them.
  static constexpr int32_t ButtonOk = 1;
  static constexpr int32_t ButtonYes = 2;
  static constexpr int32_t ButtonNo = 4;
  static constexpr int32_t ButtonAbort = 8;
  static constexpr int32_t ButtonRetry = 16;
  static constexpr int32_t ButtonIgnore = 32;
  static constexpr int32_t ButtonCancel = 64;
  static constexpr int32_t ButtonHelp = 128;

  static constexpr char LineBreak = '|';

  std::string Text;
  std::string Caption;
  // A 4-byte stock-icon code (0xFF 0x01 and the icon's 16-bit little-endian id) or
  // an icon name; empty for none. Each front end maps it to an image of its own.
  std::string Icon;
  int32_t Buttons = ButtonOk;
  int32_t DefaultButton = ButtonOk;
  int32_t Style = 0;

  // The text split at each "|", for front ends that lay it out line by line.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::string_view rest = Text;
    for (;;) {
      size_t at = rest.find(LineBreak);
      lines.emplace_back(rest.substr(0, at));
      if (at == std::string_view::npos) break;
      rest.remove_prefix(at + 1);
    }
    return lines;
  }
};

}  // namespace runtime::ui
