#pragma once
// The File menu's Import... and Export...: each runs on a thread of its own, so the
// frame and the browses go on meanwhile. Import asks for a file, reads it in its
// format (by the extension, else by the kind of file chosen), stores its addresses in
// one transaction with a progress window and Cancel for long files, and sums up what
// it did as the command line does; open browses then show the new records. Export
// offers to take out only what the latest narrowed browse shows (its find and query),
// asks for a file name, asks before replacing a file, and writes it whole or not at all.
//
// Thread safety: the procedures run on their own threads with that thread's UrlList
// managers; the texts are pure.

#include <cstddef>
#include <string>
#include <vector>

#include "app/UrlImport.h"
#include "runtime/ui/FileChooserRequest.h"

namespace app {

class ExchangeMenu {
 public:
  static constexpr const char* ImportCaption = "Import";
  static constexpr const char* ExportCaption = "Export";
  static constexpr const char* ImportChooserCaption = "Import Addresses";
  static constexpr const char* ExportChooserCaption = "Export Addresses";
  static constexpr const char* ProgressCaption = "Importing";
  static constexpr const char* SuggestedExportName = "UrlList.html";
  // Imports of at least this many entries show a progress window.
  static constexpr size_t ProgressFromEntries = 1000;
  // At most this many refused entries are listed in the summary (the rest counted).
  static constexpr size_t RefusedListed = 20;
  static constexpr size_t StackSize = 50000;

  // The thread procedures the File menu starts.
  static void Import();
  static void Export();

  // The kinds of file both choosers offer: bookmark files, text, CSV, every file.
  static std::vector<runtime::ui::FileChooserRequest::Filter> Kinds();

  // The summary an import ends with: its counts line (or why nothing was stored) and
  // the refused entries, one a line ("|" separated, as message boxes take them).
  static std::string ImportReport(const ImportSummary& summary);
};

}  // namespace app
