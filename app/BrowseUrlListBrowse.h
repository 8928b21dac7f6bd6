#pragma once
// The browse of the window BrowseUrlList: a BrowseManager over the thread's UrlList
// view that pages records in KeyUrl order into the window's display queue. The queue's
// record, BrowseQueueRecord, holds one visible row: the two shown fields of the record
// and the view position the browse keeps for it.
//
// With CountInPlace set, Enter on the list, or a double click on the count, changes the
// count inside the list instead of through the form; a double click on the address and
// the Change button still open the form.
//
// Thread safety: the browse, its queue and its record belong to the window's thread.

#include <cstddef>
#include <cstdint>

#include "framework/browse/BrowseManager.h"
#include "runtime/data/RecordQueue.h"
#include "runtime/data/RecordType.h"

namespace app {

class BrowseUrlListBrowse : public framework::browse::BrowseManager {
 public:
  // One row of the list, in the layout the display queue keeps.
  struct BrowseQueueRecord {
    static constexpr size_t UrlSize = 200;
    static constexpr size_t ViewPositionSize = framework::browse::BrowseManager::PositionLimit;

    char Url[UrlSize];
    int32_t NumberOfTimesToOpen;
    uint8_t Mark;
    char ViewPosition[ViewPositionSize];

    // "URL:URL", "URL:NUMBEROFTIMESTOOPEN", "Mark", "ViewPosition".
    static const runtime::data::RecordType& Type();
  };
  using DisplayQueue = runtime::data::RecordQueue<BrowseQueueRecord>;

  // The list column that shows the count.
  static constexpr int32_t CountColumn = 2;

  BrowseUrlListBrowse() = default;

  // A change asked with Enter or a double click on the count goes in place.
  uint8_t AskForRecord(uint8_t request) override;
  // Enter changes the count in place when CountInPlace is set.
  bool OnKey() override;

  // The display queue, typed; set by the window before the browse is used.
  DisplayQueue* Q = nullptr;
  // The "Edit in place" option of the window's context menu.
  uint8_t CountInPlace = 0;
};

}  // namespace app
