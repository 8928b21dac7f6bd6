#pragma once
// One field of a fixed-layout record: its name as the runtime knows it ("URL:URL"),
// where it lies in the record and what kind of value it holds.

#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/data/FieldKind.h"

namespace runtime::data {

struct FieldDesc {
  std::string Name;
  size_t Offset = 0;
  size_t Size = 0;
  FieldKind Kind = FieldKind::CString;
  uint8_t Places = 0;  // Decimal only: digits after the point
};

}  // namespace runtime::data
