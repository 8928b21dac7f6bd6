#pragma once
// A per-thread variable: one instance of T for each thread, created on the thread's
// first access (value-initialised) and destroyed by Reset or when the thread ends.
// Declare it once (usually as a global or a static member); every access asks for the
// running thread's instance. Safe to use from any thread; an instance is touched only
// by its own thread.

#include <atomic>
#include <memory>

#include "runtime/core/ThreadContext.h"

namespace runtime::core {

size_t AllocatePerThreadIndex();

template <class T>
class PerThread {
 public:
  PerThread() : Index(AllocatePerThreadIndex()) {}
  PerThread(const PerThread&) = delete;
  PerThread& operator=(const PerThread&) = delete;

  // The running thread's instance, created on first use.
  T& Get() {
    ThreadContext& context = ThreadContext::Current();
    if (auto* slot = static_cast<Holder*>(context.Find(Index))) return slot->Value;
    auto holder = std::make_unique<Holder>();
    T& value = holder->Value;
    context.Store(Index, std::move(holder));
    return value;
  }
  T& operator*() { return Get(); }
  T* operator->() { return &Get(); }

  // True when the running thread has an instance now.
  bool Exists() const { return ThreadContext::Current().Find(Index) != nullptr; }
  // Destroys the running thread's instance; the next Get makes a fresh one.
  void Reset() { ThreadContext::Current().Destroy(Index); }

 private:
  struct Holder : ThreadContext::Slot {
    T Value{};
  };
  size_t Index;
};

}  // namespace runtime::core
