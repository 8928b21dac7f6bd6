#pragma once
// One column of a list's format string: width in dialog units, how its cells and its
// header are justified (with their indents in dialog units), whether the user may
// resize it and whether a line is drawn at its right, header text, picture and the
// number of the queue field it shows. A plain value.

#include <cstdint>
#include <string>

namespace runtime::ui {

struct ListColumn {
  enum class Justify : uint8_t { Left, Right, Center, Decimal };

  int32_t Width = 0;
  Justify Align = Justify::Left;
  int32_t Indent = 0;
  // The header follows the cells unless the format justifies it on its own.
  Justify HeaderAlign = Justify::Left;
  int32_t HeaderIndent = 0;
  bool Resizable = false;
  bool RightBorder = false;
  std::string Header;
  std::string Picture;
  int32_t Field = 0;
};

}  // namespace runtime::ui
