#pragma once
// What each open URL browse shows: its window and the find text and query filter that
// narrow its list. The browses keep it up to date; the File menu's Export offers to
// take out only those rows, and an import tells the browses to show its records.
//
// Thread safety: every operation may be called from any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace app {

class BrowseNarrowing {
 public:
  struct Shown {
    int32_t Window = 0;
    std::string Find;    // the find text in effect ("" none)
    std::string Filter;  // the query's filter in effect ("" none)
    bool Narrowed() const { return !Find.empty() || !Filter.empty(); }
  };

  // The browse's window shows this now; it becomes the latest.
  static void Set(Shown shown);
  static void Forget(int32_t window);
  // The browse most recently narrowed or widened, when one is open.
  static std::optional<Shown> Latest();
  // The windows of every open browse.
  static std::vector<int32_t> Windows();
};

}  // namespace app
