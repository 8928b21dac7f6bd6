#pragma once
// Numbers of the view properties that View::Property and View::SetProperty answer.
// The framework reads them by number, so the numbers are fixed. Where a property takes
// an index it is given with it (1-based).

#include <cstdint>

namespace runtime::files {

struct ViewProperty {
  // Number of fields of the view (every field of every file of the view).
  static constexpr int32_t FieldCount = 29458;
  // With a view field number: that field's number in its own file.
  static constexpr int32_t FieldNumber = 29471;
  // Number of files of the view.
  static constexpr int32_t FileCount = 29477;
  // With a file number: that file's label ("UrlList"); View::File gives the handle.
  static constexpr int32_t File = 29478;
  // With a view field number: the number of the view file it belongs to.
  static constexpr int32_t FieldFile = 29514;
  // Records fetched at a time: a hint, stored and answered.
  static constexpr int32_t FetchSize = 29525;
  // The filter text; setting it parses it.
  static constexpr int32_t Filter = 31928;
  // The order text; setting it parses it.
  static constexpr int32_t Order = 31974;
};

}  // namespace runtime::files
