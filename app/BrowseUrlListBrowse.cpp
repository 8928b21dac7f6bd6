#include "app/BrowseUrlListBrowse.h"

#include <cstddef>

namespace app {

const runtime::data::RecordType& BrowseUrlListBrowse::BrowseQueueRecord::Type() {
  using runtime::data::FieldDesc;
  using runtime::data::FieldKind;
  static const runtime::data::RecordType type(
      "BrowseQueueRecord", sizeof(BrowseQueueRecord),
      {
          FieldDesc{"URL:URL", offsetof(BrowseQueueRecord, Url), UrlSize, FieldKind::CString, 0},
          FieldDesc{"URL:NUMBEROFTIMESTOOPEN", offsetof(BrowseQueueRecord, NumberOfTimesToOpen), sizeof(int32_t),
                    FieldKind::Long, 0},
          FieldDesc{"Mark", offsetof(BrowseQueueRecord, Mark), sizeof(uint8_t), FieldKind::Byte, 0},
          FieldDesc{"ViewPosition", offsetof(BrowseQueueRecord, ViewPosition), ViewPositionSize, FieldKind::CString,
                    0},
      });
  return type;
}

}  // namespace app
