#pragma once
// Reads a list's format string into its columns. Each column is written as its width,
// its justification (L, R, C or D, with an optional "(indent)") and modifiers ("M" the
// user may resize it, "|" a line at its right), its header between "~" marks with an
// optional justification of its own, and its picture between "@" marks, which ends
// the column:
//   "217L(2)|M~Message~S(255)@s255@42L(2)|M~Category~L(1)@s255@"
// gives "Message" (217 units, "s255") and "Category" (42 units, "s255"), fields 1 and 2.
// Text that does not follow this shape is skipped. A pure function; any thread.

#include <string_view>
#include <vector>

#include "runtime/ui/ListColumn.h"

namespace runtime::ui {

class ListFormat {
 public:
  static std::vector<ListColumn> Parse(std::string_view format);
};

}  // namespace runtime::ui
