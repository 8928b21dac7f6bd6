#include "runtime/core/Process.h"

#include <pthread.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "runtime/core/Halt.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/core/ThreadContext.h"

namespace runtime::core {
namespace {

struct ProcessState {
  std::mutex Lock;
  std::condition_variable Changed;
  std::shared_ptr<const StartupTable> Table;  // GUARDED_BY(Lock)
  bool Launched = false;                      // GUARDED_BY(Lock)
  int32_t NextNumber = 2;                     // GUARDED_BY(Lock)
  int32_t Active = 0;                         // GUARDED_BY(Lock)
  std::vector<pthread_t> Unjoined;            // GUARDED_BY(Lock); threads 2, 3 ...
  pthread_t Thread1{};                        // GUARDED_BY(Lock)
  bool HasThread1 = false;                    // GUARDED_BY(Lock)
};

ProcessState& State() {
  static ProcessState state;
  return state;
}

struct ThreadStart {
  int32_t Number;
  Procedure Body;
  std::shared_ptr<const StartupTable> Table;
};

void RunProtected(const std::function<void()>& step, const char* what) {
  try {
    step();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vorkan42: unexpected failure in %s: %s\n", what, e.what());
    Halt(1, e.what());
  } catch (...) {
    std::fprintf(stderr, "vorkan42: unexpected failure in %s\n", what);
    Halt(1, "unexpected failure");
  }
}

void* ThreadMain(void* arg) {
  std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(arg));
  {
    ThreadContext context(start->Number);
    ThreadContext::Attach(&context);
    const StartupTable& table = *start->Table;
    for (const StartupUnit& unit : table)
      if (unit.ThreadInit) RunProtected(unit.ThreadInit, "a thread initialiser");
    RunProtected(start->Body, "a thread procedure");
    for (auto it = table.rbegin(); it != table.rend(); ++it)
      if (it->ThreadFinal) RunProtected(it->ThreadFinal, "a thread finaliser");
    context.DestroyAll();
    ThreadContext::Attach(nullptr);
  }
  ProcessState& state = State();
  {
    std::lock_guard lock(state.Lock);
    --state.Active;
  }
  state.Changed.notify_all();
  return nullptr;
}

bool CreateThread(ThreadStart* start, size_t stackSize, pthread_t* handle) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, std::max(stackSize, Process::MinimumStack));
  int rc = pthread_create(handle, &attr, ThreadMain, start);
  pthread_attr_destroy(&attr);
  return rc == 0;
}

}  // namespace

bool Process::Launch(StartupTable table, Procedure mainProcedure) {
  ProcessState& state = State();
  auto shared = std::make_shared<const StartupTable>(std::move(table));
  {
    std::lock_guard lock(state.Lock);
    if (state.Launched || state.Active > 0) return false;
    state.Launched = true;
    state.Table = shared;
    state.NextNumber = 2;
  }
  for (const StartupUnit& unit : *shared)
    if (unit.FileSetup) RunProtected(unit.FileSetup, "a file set-up");
  for (const StartupUnit& unit : *shared)
    if (unit.GlobalInit) RunProtected(unit.GlobalInit, "a global initialiser");

  auto* start = new ThreadStart{1, std::move(mainProcedure), shared};
  std::lock_guard lock(state.Lock);
  ++state.Active;
  if (!CreateThread(start, MinimumStack, &state.Thread1)) {
    delete start;
    --state.Active;
    state.Launched = false;
    return false;
  }
  state.HasThread1 = true;
  return true;
}

void Process::Wait() {
  ProcessState& state = State();
  std::shared_ptr<const StartupTable> table;
  {
    std::lock_guard lock(state.Lock);
    table = state.Table;
  }
  pthread_t thread1;
  bool has1 = false;
  {
    std::lock_guard lock(state.Lock);
    thread1 = state.Thread1;
    has1 = state.HasThread1;
    state.HasThread1 = false;
  }
  if (has1) pthread_join(thread1, nullptr);
  // Threads started by the program may outlive thread 1 briefly; the process-wide
  // objects they use must not be finalised under them.
  for (;;) {
    std::vector<pthread_t> pending;
    {
      std::lock_guard lock(state.Lock);
      pending.swap(state.Unjoined);
    }
    if (pending.empty()) break;
    for (pthread_t t : pending) pthread_join(t, nullptr);
  }
  if (!table) return;  // no program: only threads started on their own were joined
  for (auto it = table->rbegin(); it != table->rend(); ++it)
    if (it->GlobalFinal) RunProtected(it->GlobalFinal, "a global finaliser");
  std::lock_guard lock(state.Lock);
  state.Launched = false;
  state.Table.reset();
}

bool Process::Run(StartupTable table, Procedure mainProcedure) {
  if (!Launch(std::move(table), std::move(mainProcedure))) return false;
  Wait();
  return true;
}

int32_t Process::Start(Procedure procedure, size_t stackSize) {
  ProcessState& state = State();
  std::lock_guard lock(state.Lock);
  auto table = state.Table ? state.Table : std::make_shared<const StartupTable>();
  int32_t number = state.NextNumber++;
  auto* start = new ThreadStart{number, std::move(procedure), table};
  pthread_t handle;
  ++state.Active;
  if (!CreateThread(start, stackSize, &handle)) {
    delete start;
    --state.Active;
    RuntimeError::Set(RuntimeErrorCode::ThreadNotStarted);
    return 0;
  }
  state.Unjoined.push_back(handle);
  return number;
}

bool Process::Running() {
  ProcessState& state = State();
  std::lock_guard lock(state.Lock);
  return state.Launched;
}

int32_t Process::ActiveThreads() {
  ProcessState& state = State();
  std::lock_guard lock(state.Lock);
  return state.Active;
}

}  // namespace runtime::core
