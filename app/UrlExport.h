#pragma once
// Takes the list out of UrlList: the records in KeyUrl order (all of them, or those
// whose address contains a text, ignoring letter case), and writes them to a file in
// an exchange format. The file is written beside its final name and renamed over it
// only when complete, so a failed export never leaves half a file.
//
// REQUIRES for Collect: the calling thread's UrlList managers are built.
// Thread safety: runs on the calling thread only, with that thread's managers.

#include <string>
#include <string_view>
#include <vector>

#include "app/ExchangeFormat.h"
#include "app/ExchangeList.h"

namespace app {

struct ExportResult {
  bool Ok = false;
  size_t Written = 0;
  std::string Failure;  // why the file was not written
};

class UrlExport {
 public:
  // The records whose Url contains `contains` (all when empty), in KeyUrl order.
  // False, with `failure` set, when the file cannot be read.
  [[nodiscard]] static bool Collect(std::string_view contains, std::vector<ExchangeEntry>& entries,
                                    std::string& failure);
  // The same, further narrowed by a filter of the expression language over the file's
  // fields ("URL:URL", "URL:NUMBEROFTIMESTOOPEN"), as a query by example builds it.
  [[nodiscard]] static bool Collect(std::string_view contains, std::string_view filter,
                                    std::vector<ExchangeEntry>& entries, std::string& failure);
  // Writes `entries` to `path` in `format` through a temporary file and a rename.
  [[nodiscard]] static ExportResult Write(const std::string& path, ExchangeFormat format,
                                          const std::vector<ExchangeEntry>& entries);
  // Writes `content` to `path` through a temporary file in the same folder and a
  // rename; "" on success, else why it failed (the temporary file is removed).
  static std::string ReplaceFile(const std::string& path, std::string_view content);
};

}  // namespace app
