#pragma once
// Lengths the file layer promises its callers, in one place so a driver, the keyed
// file and the managers above them cannot drift apart. Constants only.

#include <cstddef>

namespace runtime::files {

struct FileLimits {
  // A record's position text (Driver::Position) is at most this many characters;
  // callers that keep a position keep this much.
  static constexpr size_t PositionLength = 1024;
};

}  // namespace runtime::files
