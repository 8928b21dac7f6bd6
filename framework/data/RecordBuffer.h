#pragma once
// What preparing a new record does with the values already in the record buffer.

#include <cstdint>

namespace framework::data {

// Clear: the new record starts empty (then gets its initial values); Keep: the values
// already typed or primed stay and the initial values are added to them.
enum class RecordBuffer : uint8_t { Clear, Keep };

}  // namespace framework::data
