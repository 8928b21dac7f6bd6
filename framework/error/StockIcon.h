#pragma once
// The stock icons the error manager puts on its message boxes. Each is a 4-byte code:
// the bytes FF 01 and then the icon's 16-bit little-endian id (0x7F03 the exclamation
// mark, 0x7F04 the asterisk); a front end maps the code to an image. Constants only.

#include <string>

namespace framework::error {

struct StockIcon {
  // For questions.
  static inline const std::string Exclamation{"\xFF\x01\x03\x7F", 4};
  // For notices and for the message shown before the program ends.
  static inline const std::string Asterisk{"\xFF\x01\x04\x7F", 4};
};

}  // namespace framework::error
