#include "runtime/core/ThreadContext.h"

#include <algorithm>
#include <atomic>

namespace runtime::core {
namespace {

thread_local ThreadContext* CurrentContext = nullptr;

thread_local bool ForeignOwnerGone = false;

// Owns the context of a foreign thread, so its instances die with the thread.
struct ForeignOwner {
  std::unique_ptr<ThreadContext> Context;
  ~ForeignOwner() {
    ForeignOwnerGone = true;
    if (Context) {
      Context->DestroyAll();
      if (CurrentContext == Context.get()) CurrentContext = nullptr;
    }
  }
};
thread_local ForeignOwner Foreign;
std::atomic<int32_t> NextForeignNumber{ForeignThreadNumberBase};

}  // namespace

ThreadContext::ThreadContext(int32_t number) : ThreadNumber(number) {}

ThreadContext::~ThreadContext() { DestroyAll(); }

ThreadContext& ThreadContext::Current() {
  if (CurrentContext == nullptr) {
    auto context = std::make_unique<ThreadContext>(NextForeignNumber.fetch_add(1));
    if (ForeignOwnerGone) {
      // The thread is ending (at process exit: a static object's destructor uses a
      // per-thread variable). Its owner is already destroyed and nothing runs after
      // this, so the late context is left to the end of the process.
      CurrentContext = context.release();
    } else {
      Foreign.Context = std::move(context);
      CurrentContext = Foreign.Context.get();
    }
  }
  return *CurrentContext;
}

void ThreadContext::Attach(ThreadContext* context) { CurrentContext = context; }

void ThreadContext::Store(size_t index, std::unique_ptr<Slot> slot) {
  if (index >= Slots.size()) Slots.resize(index + 1);
  Slots[index] = std::move(slot);
  CreationOrder.push_back(index);
}

void ThreadContext::Destroy(size_t index) {
  if (index >= Slots.size() || !Slots[index]) return;
  // Move out first: a destructor may look at other per-thread variables.
  std::unique_ptr<Slot> dying = std::move(Slots[index]);
  CreationOrder.erase(std::remove(CreationOrder.begin(), CreationOrder.end(), index), CreationOrder.end());
  dying.reset();
}

void ThreadContext::DestroyAll() {
  while (!CreationOrder.empty()) Destroy(CreationOrder.back());
}

int32_t CurrentThreadNumber() { return ThreadContext::Current().Number(); }

}  // namespace runtime::core
