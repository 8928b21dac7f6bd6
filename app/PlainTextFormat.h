#pragma once
// Plain text exchange: one address per line. Reading skips blank lines and lines
// that start with "#", and takes blanks around an address away. A line may end in a
// tab and a whole number, the count; without it the count is 1. Writing puts one
// address per line and adds the tab and count only when the count is not 1, so a
// list of plain addresses stays plain.
//
// Stateless; any thread.

#include <string>
#include <string_view>
#include <vector>

#include "app/ExchangeList.h"

namespace app {

class PlainTextFormat {
 public:
  static ExchangeList Read(std::string_view text);
  static std::string Write(const std::vector<ExchangeEntry>& entries);
};

}  // namespace app
