#pragma once
// The open action shared by the browse and the form: hands an address to the
// desktop's opener as many times as its record says. Whether the opener then found a
// program for the address is not known here; a failure to start it is reported by the
// runtime and does not stop the program.

#include <cstdint>
#include <string_view>

namespace app {

class OpenAction {
 public:
  // Nothing happens for a count of 0 or below.
  static void Open(std::string_view url, int32_t times);
};

}  // namespace app
