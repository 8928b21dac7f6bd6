#include "app/UrlListRecord.h"

#include <cstddef>

namespace app {

const runtime::data::RecordType& UrlListRecord::Type() {
  using runtime::data::FieldDesc;
  using runtime::data::FieldKind;
  static const runtime::data::RecordType type(
      "UrlListRecord", Size,
      {
          FieldDesc{"URL:URL", offsetof(UrlListRecord, Url), UrlSize, FieldKind::CString, 0},
          FieldDesc{"URL:NUMBEROFTIMESTOOPEN", offsetof(UrlListRecord, NumberOfTimesToOpen), sizeof(int32_t),
                    FieldKind::Long, 0},
      });
  return type;
}

}  // namespace app
