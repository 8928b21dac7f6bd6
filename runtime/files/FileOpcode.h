#pragma once
// The operation codes a KeyedFile passes to its call-back objects before and after
// each operation. The framework's file manager groups them by number, so the
// numbers are fixed:
//   reads that fill the record buffer: 15, 16, 17, 24, 53
//   writes: 1, 4;  delete: 30;  create: 10;  clear the buffer: 11
//   setting a property: 78 (the block's Value is the property number)
//   the file structure is being torn down: 104 (the block's KeepFlag is never set)
// Numbers no caller groups only need to stay distinct.

#include <cstdint>

namespace runtime::files {

struct FileOpcode {
  static constexpr int32_t Add = 1;
  static constexpr int32_t Open = 2;
  static constexpr int32_t Close = 3;
  static constexpr int32_t Put = 4;
  static constexpr int32_t Create = 10;
  static constexpr int32_t ClearBuffer = 11;
  static constexpr int32_t GetByKey = 15;
  static constexpr int32_t GetByPosition = 16;
  static constexpr int32_t Next = 17;
  static constexpr int32_t SetKeyPosition = 18;
  static constexpr int32_t ResetToPosition = 19;
  static constexpr int32_t Watch = 20;
  static constexpr int32_t Position = 21;
  static constexpr int32_t Send = 22;
  static constexpr int32_t CheckDuplicate = 23;
  static constexpr int32_t Previous = 24;
  static constexpr int32_t BuildKeys = 25;
  static constexpr int32_t ReadRun = 26;
  static constexpr int32_t Delete = 30;
  static constexpr int32_t SaveState = 50;
  static constexpr int32_t RestoreState = 53;
  static constexpr int32_t FreeState = 56;
  static constexpr int32_t Begin = 60;
  static constexpr int32_t Commit = 61;
  static constexpr int32_t Rollback = 62;
  static constexpr int32_t SetProperty = 78;
  static constexpr int32_t Destroy = 104;
};

}  // namespace runtime::files
