#pragma once
// The record of the UrlList data file: one web address and how many times the open
// action hands it to the desktop. 204 bytes, fixed layout, with its record type
// ("URL:URL", "URL:NUMBEROFTIMESTOOPEN") through which buffers are cleared, keys
// are read and values are moved. The type is built once and shared by all threads;
// a record is touched only by the thread that owns it.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/data/RecordType.h"

namespace app {

struct UrlListRecord {
  static constexpr size_t UrlSize = 200;  // 199 bytes of text and the terminating null
  static constexpr size_t Size = 204;
  static constexpr size_t UrlField = 0;
  static constexpr size_t NumberOfTimesToOpenField = 1;
  static constexpr const char* UrlPicture = "@s199";
  static constexpr const char* NumberOfTimesToOpenPicture = "@n9";

  char Url[UrlSize];
  int32_t NumberOfTimesToOpen;

  static const runtime::data::RecordType& Type();
};

static_assert(sizeof(UrlListRecord) == UrlListRecord::Size);
static_assert(offsetof(UrlListRecord, NumberOfTimesToOpen) == UrlListRecord::UrlSize);

}  // namespace app
