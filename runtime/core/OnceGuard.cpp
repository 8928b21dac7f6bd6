#include "runtime/core/OnceGuard.h"

#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"

namespace runtime::core {

OnceGuard::Outcome OnceGuard::Begin() {
  int32_t& counter = Counter.Get();
  if (counter > 0) return AlreadyDone;
  if (counter < 0) {
    RuntimeError::Set(RuntimeErrorCode::ThreadInitReentered);
    return Reentered;
  }
  counter = -1;
  return Run;
}

void OnceGuard::Done() { Counter.Get() = 1; }

int32_t OnceGuard::Value() { return Counter.Get(); }

}  // namespace runtime::core
