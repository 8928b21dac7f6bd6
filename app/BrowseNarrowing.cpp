#include "app/BrowseNarrowing.h"

#include <algorithm>
#include <mutex>
#include <utility>

namespace app {
namespace {

std::mutex Lock;
// Oldest change first. GUARDED_BY(Lock)
std::vector<BrowseNarrowing::Shown>& Browses() {
  static std::vector<BrowseNarrowing::Shown> browses;
  return browses;
}

}  // namespace

void BrowseNarrowing::Set(Shown shown) {
  std::lock_guard lock(Lock);
  auto& all = Browses();
  auto it = std::find_if(all.begin(), all.end(), [&](const Shown& s) { return s.Window == shown.Window; });
  if (it != all.end()) {
    if (it->Find == shown.Find && it->Filter == shown.Filter) return;
    all.erase(it);
  }
  all.push_back(std::move(shown));
}

void BrowseNarrowing::Forget(int32_t window) {
  std::lock_guard lock(Lock);
  std::erase_if(Browses(), [window](const Shown& s) { return s.Window == window; });
}

std::optional<BrowseNarrowing::Shown> BrowseNarrowing::Latest() {
  std::lock_guard lock(Lock);
  if (Browses().empty()) return std::nullopt;
  return Browses().back();
}

std::vector<int32_t> BrowseNarrowing::Windows() {
  std::lock_guard lock(Lock);
  std::vector<int32_t> windows;
  for (const Shown& s : Browses()) windows.push_back(s.Window);
  return windows;
}

}  // namespace app
