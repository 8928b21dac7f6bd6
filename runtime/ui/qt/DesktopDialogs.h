#pragma once
// The desktop's file choosers and progress windows, on the GUI thread. A file chooser
// is the toolkit's own file dialog (the same on every desktop, and drivable by the
// script driver); its answer goes to a callback that releases the waiting program
// thread. A progress window shows its caption, text and a bar with Cancel; Cancel is
// reported to ProgressService at once, the window stays until the program closes it.
//
// GUI thread only: QtFrontEnd hands every call over with a queued invocation.

#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "runtime/ui/FileChooserRequest.h"
#include "runtime/ui/ProgressState.h"

class QProgressDialog;
class QWidget;

namespace runtime::ui::qt {

class DesktopDialogs {
 public:
  using Chosen = std::function<void(std::optional<FileChooserRequest::Choice>)>;

  // Window-modal to `parent` (the frame when null); `chosen` is called once.
  static void ChooseFile(QWidget* parent, const FileChooserRequest& request, Chosen chosen);

  // `shown` is called once the window is on the screen and the events its showing
  // caused have been handled.
  void OpenProgress(QWidget* parent, const ProgressState& state, std::function<void()> shown);
  void ShowProgress(const ProgressState& state);
  void CloseProgress(int32_t progress);

 private:
  std::map<int32_t, QPointer<QProgressDialog>> Progress;
};

}  // namespace runtime::ui::qt
