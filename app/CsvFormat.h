#pragma once
// CSV exchange: a header line "Url,NumberOfTimesToOpen", then one address and its
// count per record. Fields may be quoted ("" inside quotes is one quote; a quoted
// field may span lines); lines may end in LF or CR LF. A missing or empty count is
// 1; a count that is no whole number refuses that record. Writing quotes a field
// only when it needs it, so the file opens as it should in a spreadsheet.
//
// Stateless; any thread.

#include <string>
#include <string_view>
#include <vector>

#include "app/ExchangeList.h"

namespace app {

class CsvFormat {
 public:
  static constexpr const char* Header = "Url,NumberOfTimesToOpen";

  static ExchangeList Read(std::string_view text);
  static std::string Write(const std::vector<ExchangeEntry>& entries);
};

}  // namespace app
