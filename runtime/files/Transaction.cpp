#include "runtime/files/Transaction.h"

#include <algorithm>

#include "runtime/core/PerThread.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/files/KeyedFile.h"

namespace runtime::files {
namespace {

using C = runtime::core::RuntimeErrorCode;
using runtime::core::RuntimeError;

struct ThreadTransaction {
  std::vector<KeyedFile*> Enlisted;  // Transaction property set, not yet begun
  std::vector<KeyedFile*> Members;   // begun
  bool Active = false;
};

runtime::core::PerThread<ThreadTransaction> State;

int32_t Fail(int32_t code, const std::string& text) {
  RuntimeError::Set(code);
  RuntimeError::SetFile("0", text);
  return code;
}

bool Contains(const std::vector<KeyedFile*>& files, const KeyedFile* file) {
  return std::find(files.begin(), files.end(), file) != files.end();
}

// Rolls back `files`, keeping the error that made us do it.
void Undo(const std::vector<KeyedFile*>& files) {
  const auto error = RuntimeError::Snapshot();
  for (KeyedFile* f : files) f->RollbackTransaction();
  RuntimeError::Restore(error);
}

}  // namespace

int32_t Transaction::Begin(int32_t timeoutSeconds, const std::vector<KeyedFile*>& files) {
  ThreadTransaction& t = State.Get();
  if (t.Active) return Fail(C::DriverError, "a transaction is already running on this thread");
  std::vector<KeyedFile*> begun;
  for (KeyedFile* f : files) {
    if (f == nullptr || Contains(begun, f)) continue;
    const int32_t code = f->BeginTransaction(timeoutSeconds);
    if (code != C::NoError) {
      Undo(begun);
      return code;
    }
    begun.push_back(f);
  }
  t.Members = std::move(begun);
  t.Active = true;
  RuntimeError::Clear();
  return C::NoError;
}

int32_t Transaction::Begin(int32_t timeoutSeconds) {
  const std::vector<KeyedFile*> files = State.Get().Enlisted;
  return Begin(timeoutSeconds, files);
}

int32_t Transaction::Commit() {
  ThreadTransaction& t = State.Get();
  if (!t.Active) return Fail(C::DriverError, "no transaction is running on this thread");
  int32_t result = C::NoError;
  for (size_t i = 0; i < t.Members.size(); ++i) {
    result = t.Members[i]->CommitTransaction();
    if (result != C::NoError) {
      Undo(std::vector<KeyedFile*>(t.Members.begin() + static_cast<std::ptrdiff_t>(i) + 1, t.Members.end()));
      break;
    }
  }
  t = ThreadTransaction{};
  if (result == C::NoError) RuntimeError::Clear();
  return result;
}

int32_t Transaction::Rollback() {
  ThreadTransaction& t = State.Get();
  int32_t result = C::NoError;
  auto error = RuntimeError::Snapshot();
  for (KeyedFile* f : t.Members) {
    const int32_t code = f->RollbackTransaction();
    if (code != C::NoError && result == C::NoError) {
      result = code;
      error = RuntimeError::Snapshot();
    }
  }
  t = ThreadTransaction{};
  if (result == C::NoError) {
    RuntimeError::Clear();
  } else {
    RuntimeError::Restore(error);
  }
  return result;
}

bool Transaction::Active() { return State.Get().Active; }

void Transaction::Enlist(KeyedFile& file) {
  ThreadTransaction& t = State.Get();
  if (!Contains(t.Enlisted, &file)) t.Enlisted.push_back(&file);
}

void Transaction::Withdraw(KeyedFile& file) {
  ThreadTransaction& t = State.Get();
  std::erase(t.Enlisted, &file);
  if (Contains(t.Members, &file)) {
    // A file that leaves in the middle of a transaction takes its part back with it.
    if (file.InTransaction()) Undo({&file});
    std::erase(t.Members, &file);
  }
}

bool Transaction::Enlisted(const KeyedFile& file) {
  const ThreadTransaction& t = State.Get();
  return Contains(t.Enlisted, &file) || (t.Active && Contains(t.Members, &file));
}

}  // namespace runtime::files
