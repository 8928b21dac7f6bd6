#pragma once
// The error log the manager uses unless it is given another: appends each line to the
// text file "KelError.Log" in the working directory, opening and closing the file
// around every message so that it is never held open between messages. `Usage` counts
// the opens in progress; the first open creates the file when missing (an existing log
// is appended to, never emptied).
//
// Thread safety: none of its own. The error manager calls it only while holding its
// lock; anyone else must do the same.

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/error/ErrorLevel.h"
#include "framework/error/ErrorLogInterface.h"
#include "runtime/core/CriticalSection.h"
#include "runtime/files/TextFile.h"

namespace framework::error {

class StandardErrorLog : public ErrorLogInterface {
 public:
  static constexpr const char* FileName = "KelError.Log";
  // Longest line the log keeps; a longer one is cut.
  static constexpr size_t LineLength = 1024;

  StandardErrorLog();
  ~StandardErrorLog() override;
  StandardErrorLog(const StandardErrorLog&) = delete;
  StandardErrorLog& operator=(const StandardErrorLog&) = delete;

  // Starts with no open uses.
  void Init();
  // Closes the file if it is open (CloseLog(true)); safe to call twice.
  void Teardown();

  ErrorLevel CloseLog(bool force) override;
  ErrorLevel OpenLog(bool force) override;
  ErrorLevel WriteLine(const std::string& text) override;

  // The line logged for a message: today's date ("D17"), "@", the time ("T8"),
  // " --> " and the text as shown.
  static std::string DatedLine(std::string_view text);

  int32_t Usage = 0;
  // A lock of its own for derived sinks shared beyond the manager; this one uses none.
  runtime::core::CriticalSection* Critsect = nullptr;

 private:
  runtime::files::TextFile File;
};

}  // namespace framework::error
