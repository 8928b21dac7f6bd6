#pragma once
// What the runtime keeps for each thread: its thread number and its instances of
// the per-thread variables (PerThread<T>). A thread started by the runtime gets the
// next program thread number (thread 1 runs the main procedure); any other thread
// that touches a per-thread variable (a test's own thread, the GUI thread) gets a
// context on first use with a number from a separate range, so it is never taken
// for a program thread. Only the owning thread touches its context.

#include <cstdint>
#include <memory>
#include <vector>

namespace runtime::core {

// First number handed to threads the runtime did not start itself.
inline constexpr int32_t ForeignThreadNumberBase = 100000;

class ThreadContext {
 public:
  explicit ThreadContext(int32_t number);
  ~ThreadContext();
  ThreadContext(const ThreadContext&) = delete;
  ThreadContext& operator=(const ThreadContext&) = delete;

  int32_t Number() const { return ThreadNumber; }

  // The calling thread's context; a foreign thread gets one on first use.
  static ThreadContext& Current();
  // Makes `context` the calling thread's context (runtime threads at start); nullptr detaches.
  static void Attach(ThreadContext* context);

  // Type-erased storage for one per-thread variable.
  struct Slot {
    virtual ~Slot() = default;
  };
  Slot* Find(size_t index) const { return index < Slots.size() ? Slots[index].get() : nullptr; }
  void Store(size_t index, std::unique_ptr<Slot> slot);
  void Destroy(size_t index);
  // Destroys every instance still alive, newest first.
  void DestroyAll();

 private:
  int32_t ThreadNumber;
  std::vector<std::unique_ptr<Slot>> Slots;
  std::vector<size_t> CreationOrder;
};

// The running thread's number: 1 for the main procedure's thread, 2, 3 ... for threads
// started with Start, ForeignThreadNumberBase and up for other threads.
int32_t CurrentThreadNumber();

}  // namespace runtime::core
