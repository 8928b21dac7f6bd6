#pragma once
// The per-thread request and response variables. A caller puts a request in
// ThreadRequest and runs a window procedure on the same thread; the procedure's
// controller takes and clears it, and leaves its response in ThreadResponse.
// ThreadVcrRequest carries a navigation request between a browse and its form.
// Each thread has its own instances, cleared by the thread initialiser.

#include <cstdint>

#include "runtime/core/PerThread.h"

namespace app {

extern runtime::core::PerThread<uint8_t> ThreadRequest;
extern runtime::core::PerThread<uint8_t> ThreadResponse;
extern runtime::core::PerThread<int32_t> ThreadVcrRequest;

}  // namespace app
