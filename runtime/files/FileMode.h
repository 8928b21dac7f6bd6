#pragma once
// The open-mode byte of a keyed file: the low nibble is the access, the high nibble
// the sharing. The values are fixed: the framework stores and combines them.

#include <cstdint>

namespace runtime::files {

struct FileMode {
  static constexpr uint8_t AccessMask = 0x0F;
  static constexpr uint8_t ShareMask = 0xF0;

  static constexpr uint8_t ReadOnly = 0x00;
  static constexpr uint8_t WriteOnly = 0x01;
  static constexpr uint8_t ReadWrite = 0x02;

  static constexpr uint8_t DenyAll = 0x10;
  static constexpr uint8_t DenyWrite = 0x20;
  static constexpr uint8_t DenyRead = 0x30;
  static constexpr uint8_t DenyNone = 0x40;

  static constexpr uint8_t Access(uint8_t mode) { return mode & AccessMask; }
  static constexpr uint8_t Share(uint8_t mode) { return mode & ShareMask; }
  static constexpr bool Writes(uint8_t mode) { return Access(mode) != ReadOnly; }
};

}  // namespace runtime::files
