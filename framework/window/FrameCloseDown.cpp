#include "framework/window/FrameCloseDown.h"

#include <map>
#include <set>
#include <thread>

#include "runtime/core/Process.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventQueues.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace framework::window {
namespace {

using runtime::ui::EventQueues;
using runtime::ui::Prop;
using runtime::ui::WindowModel;
using Clock = std::chrono::steady_clock;

// The newest window of every thread but the frame's, by thread.
std::map<int32_t, int32_t> InputWindowsOfOthers(int32_t frameThread) {
  std::map<int32_t, int32_t> newest;
  for (int32_t window : WindowModel::Windows()) {
    const auto thread = static_cast<int32_t>(WindowModel::GetPropInt(window, 0, Prop::Thread));
    if (thread == 0 || thread == frameThread) continue;
    if (const int32_t top = EventQueues::Newest(thread)) newest[thread] = top;
  }
  return newest;
}

}  // namespace

bool FrameCloseDown::CloseOthers(int32_t frame) {
  const auto frameThread = static_cast<int32_t>(WindowModel::GetPropInt(frame, 0, Prop::Thread));
  std::set<int32_t> asked;
  for (;;) {
    const std::map<int32_t, int32_t> targets = InputWindowsOfOthers(frameThread);
    if (targets.empty()) break;
    for (const auto& [thread, window] : targets)
      if (asked.insert(window).second) WindowModel::Post(window, runtime::ui::Event::CloseDown);

    // Wait until one of them closes (then the window beneath it, if any, is asked in
    // turn) or one has handled the request and stayed open.
    for (bool changed = false; !changed;) {
      std::this_thread::sleep_for(PollPeriod);
      for (const auto& [thread, window] : targets) {
        if (!WindowModel::Exists(window) || EventQueues::Newest(thread) != window) {
          changed = true;
          break;
        }
        if (EventQueues::ThreadSettled(thread) && WindowModel::Exists(window) && asked.count(window) != 0)
          return false;
      }
    }
  }
  // Their procedures still tear down (and save their positions) after the windows closed.
  const auto deadline = Clock::now() + ThreadEndWait;
  while (runtime::core::Process::ActiveThreads() > 1 && Clock::now() < deadline) std::this_thread::sleep_for(PollPeriod);
  return true;
}

}  // namespace framework::window
