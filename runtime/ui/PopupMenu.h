#pragma once
// A popup menu parsed from its definition string. "|" separates items, "{" opens the
// submenu of the item before it and "}" closes it; empty items (a leading "|") are no
// items. An item's text may start with flags: "~" disabled, "+" checked, "-" a check
// item without its mark; then, optionally, bracketed property markup ("[31848(~X.ICO)]":
// property numbers, each with its value in parentheses; Prop::ItemKey gives the item's
// key), then the text. An item that is exactly "-" is a separator. Items are numbered 1, 2 ...
// in menu order, separators and submenu captions not counted; a front end answers with
// that number, or 0 when the menu was dismissed. A plain value; Parse is a pure function.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui/PopupMenuItem.h"

namespace runtime::ui {

class PopupMenu {
 public:
  static PopupMenu Parse(std::string_view definition);

  const std::string& Definition() const { return Source; }
  const std::vector<PopupMenuItem>& Items() const { return Top; }
  // How many items can be chosen (the highest number).
  int32_t Count() const { return Choosable; }
  // The item with that number, nullptr when none.
  const PopupMenuItem* Item(int32_t number) const;
  // The number of the first item whose text is `text`, as written or with its "&"
  // markers removed ("&&" stands for "&"); 0 when none.
  int32_t NumberOf(std::string_view text) const;
  // The menu as indented lines, for logs, failures and scripts: "1 &Insert [Ins]" (the
  // key's name in brackets when the item has one), "- (separator)", "View {" ... "}";
  // disabled items end with " (disabled)".
  std::string Print() const;

  // A menu or item text with its "&" markers removed ("&&" becomes "&").
  static std::string PlainText(std::string_view text);
  // The value markup gives property `prop` ("31848(~X.ICO),31290(0)" gives "~X.ICO" for
  // 31848); "" when it names no such property.
  static std::string MarkupValue(std::string_view markup, int32_t prop);

 private:
  std::string Source;
  std::vector<PopupMenuItem> Top;
  int32_t Choosable = 0;
};

}  // namespace runtime::ui
