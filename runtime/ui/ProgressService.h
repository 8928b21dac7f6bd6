#pragma once
// The runtime's progress windows: long work on a program thread opens one, reports
// how far it has come and learns whether the person pressed Cancel; the installed
// front end shows it and reports Cancel back through Cancel. Opening returns once the
// front end shows the window. Without a front end the work goes on unseen and is
// never cancelled.
//
// Thread safety: every operation may be called from any thread; a window's Step and
// Close come from the thread that opened it, Cancel from anywhere.

#include <cstdint>
#include <string>

namespace runtime::ui {

class ProgressService {
 public:
  enum class Answer { GoOn, Cancel };

  // Opens a window showing 0 of `total`; its number (never 0).
  static int32_t Open(std::string caption, std::string text, int64_t total);
  // Shows `done` of the total; Cancel once the person has asked to stop.
  [[nodiscard]] static Answer Step(int32_t progress, int64_t done);
  static void Close(int32_t progress);

  // Front ends: the person pressed the window's Cancel.
  static void Cancel(int32_t progress);
};

}  // namespace runtime::ui
