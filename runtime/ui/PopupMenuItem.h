#pragma once
// One entry of a parsed popup menu: its text, its flags, the item's property markup as
// written between "[" and "]" (kept as written; the key it names is read out), its
// choice number and, for a submenu caption, the submenu's entries. A plain value.

#include <cstdint>
#include <string>
#include <vector>

namespace runtime::ui {

struct PopupMenuItem {
  static constexpr int32_t NoCheck = 0;
  static constexpr int32_t Checked = 1;
  static constexpr int32_t Unchecked = 2;  // a check item without its mark

  std::string Text;
  std::string Markup;
  bool Separator = false;
  bool Disabled = false;
  int32_t Check = NoCheck;
  int32_t Key = 0;     // the key that does the same, shown beside the text; 0 none
  int32_t Number = 0;  // 1, 2, ... in menu order; 0 for separators and submenu captions
  std::vector<PopupMenuItem> Items;

  bool IsSubmenu() const { return !Items.empty(); }
};

}  // namespace runtime::ui
