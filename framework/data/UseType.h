#pragma once
// How a caller is about to use a file, as passed to FileManager::EnsureUsable. Types 1
// to 3 open a usage scope in the file usage registry (so a called procedure's reads
// can be undone for its caller) and perform a pending lazy open; 4 performs a pending
// lazy open without a scope; 5 prepares the manager itself and, for a lazily opened
// file, performs or counts the physical open. Constants only.

#include <cstdint>

namespace framework::data {

struct UseType {
  static constexpr uint8_t Use = 1;
  // Every record operation of the file manager.
  static constexpr uint8_t Record = 2;
  // A window procedure using its own files: keeps no saved state for a caller.
  static constexpr uint8_t Window = 3;
  static constexpr uint8_t Unscoped = 4;
  static constexpr uint8_t Prepare = 5;

  // The highest type entered in usage scopes.
  static constexpr uint8_t LastScoped = Window;
};

}  // namespace framework::data
