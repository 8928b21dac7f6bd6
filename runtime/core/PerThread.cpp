#include "runtime/core/PerThread.h"

namespace runtime::core {

size_t AllocatePerThreadIndex() {
  static std::atomic<size_t> next{0};
  return next.fetch_add(1);
}

}  // namespace runtime::core
