#pragma once
// Stores the entries of an exchange list in UrlList through the calling thread's
// UrlList managers, as the form would, in one transaction: all of it is stored or
// none of it. New addresses are added with their counts; an address the file already
// holds (by its key) is left as it is and counted; an address that cannot be stored
// as it stands (empty, too long, not text, or nothing the desktop can open) is
// refused and listed, never cut. A progress call-back may cancel; a cancel or any
// failure rolls everything back and leaves the file as it was.
//
// REQUIRES: the calling thread's UrlList managers are built (UrlListManagers).
// Thread safety: runs on the calling thread only, with that thread's managers.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "app/ExchangeList.h"

namespace app {

enum class ImportOutcome { Stored, Cancelled, Failed };
enum class ImportProgress { Continue, Cancel };

struct ImportSummary {
  ImportOutcome Outcome = ImportOutcome::Failed;
  size_t Added = 0;
  size_t AlreadyPresent = 0;
  std::vector<RefusedEntry> Refused;  // the reader's refusals first, then the import's
  std::string Failure;                // why nothing was stored, when Outcome is Failed
  // "N added, M already present, K refused" (the counts of an import that was not
  // stored say what it would have done up to the point it stopped).
  std::string Line() const;
};

class UrlImport {
 public:
  // How often, in entries, the progress call-back is asked.
  static constexpr size_t ProgressStep = 500;
  // Seconds an import waits for other writers of the file before giving up.
  static constexpr int32_t BusyTimeoutSeconds = 10;

  // Called with (entries done, entries in all) before the first entry, every
  // ProgressStep entries and after the last one, before the commit.
  using Progress = std::function<ImportProgress(size_t done, size_t total)>;

  [[nodiscard]] static ImportSummary Run(const ExchangeList& list, const Progress& progress = {});
};

}  // namespace app
