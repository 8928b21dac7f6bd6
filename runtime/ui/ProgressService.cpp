#include "runtime/ui/ProgressService.h"

#include <map>
#include <mutex>
#include <utility>

#include "runtime/ui/EventQueues.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/ProgressState.h"

namespace runtime::ui {
namespace {

struct Shown {
  ProgressState State;
  bool Cancelled = false;
};

std::mutex Lock;
int32_t LastNumber = 0;                 // GUARDED_BY(Lock)
std::map<int32_t, Shown>& Windows() {    // GUARDED_BY(Lock)
  static std::map<int32_t, Shown> windows;
  return windows;
}

}  // namespace

int32_t ProgressService::Open(std::string caption, std::string text, int64_t total) {
  ProgressState state{.Caption = std::move(caption), .Text = std::move(text), .Done = 0, .Total = total};
  {
    std::lock_guard lock(Lock);
    state.Number = ++LastNumber;
    Windows()[state.Number] = {state, false};
  }
  if (auto frontEnd = FrontEnd::Installed()) {
    EventQueues::Blocked waiting;
    frontEnd->OpenProgress(state);
  }
  return state.Number;
}

ProgressService::Answer ProgressService::Step(int32_t progress, int64_t done) {
  ProgressState state;
  {
    std::lock_guard lock(Lock);
    auto it = Windows().find(progress);
    if (it == Windows().end()) return Answer::GoOn;
    if (it->second.Cancelled) return Answer::Cancel;
    it->second.State.Done = done;
    state = it->second.State;
  }
  if (auto frontEnd = FrontEnd::Installed()) frontEnd->ShowProgress(state);
  return Answer::GoOn;
}

void ProgressService::Close(int32_t progress) {
  {
    std::lock_guard lock(Lock);
    if (Windows().erase(progress) == 0) return;
  }
  if (auto frontEnd = FrontEnd::Installed()) frontEnd->CloseProgress(progress);
}

void ProgressService::Cancel(int32_t progress) {
  std::lock_guard lock(Lock);
  auto it = Windows().find(progress);
  if (it != Windows().end()) it->second.Cancelled = true;
}

}  // namespace runtime::ui
