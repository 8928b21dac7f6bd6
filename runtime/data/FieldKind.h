#pragma once
// The kinds of value a field or variable can hold. Fixed-layout records use every
// kind but String; String is a std::string variable of the program.

#include <cstdint>

namespace runtime::data {

enum class FieldKind : uint8_t {
  CString,  // fixed char array, NUL-terminated; Size counts the NUL, so Size-1 bytes of text
  String,   // std::string (not in fixed-layout records)
  Byte,     // uint8_t
  Short,    // int16_t
  UShort,   // uint16_t
  Long,     // int32_t
  ULong,    // uint32_t
  Real,     // double
  Decimal,  // int64_t holding value * 10^Places
  Date,     // int32_t day number (see runtime/data/DateTime.h); 0 means no date
  Time,     // int32_t hundredths of a second since midnight, plus 1; 0 means no time
};

}  // namespace runtime::data
