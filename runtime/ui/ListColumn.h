#pragma once
// One column of a list's format string: width in dialog units, header text, picture
// and the number of the queue field it shows. A plain value.

#include <cstdint>
#include <string>

namespace runtime::ui {

struct ListColumn {
  int32_t Width = 0;
  std::string Header;
  std::string Picture;
  int32_t Field = 0;
};

}  // namespace runtime::ui
