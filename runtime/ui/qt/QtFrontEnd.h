#pragma once
// The desktop front end as the runtime sees it (runtime::ui::FrontEnd). Program
// threads call it; it hands every call over to the Desktop on the GUI thread with a
// queued invocation and never touches a widget itself. Message boxes and popup menus
// block only the calling program thread until the Desktop answers; the GUI thread never
// waits for a program thread. Window changes are gathered: many property writes in a row
// become one refresh of each window concerned.
//
// Help pages open in the desktop's browser from the calling thread (runtime/shell);
// a failure to start the browser is left in that thread's RuntimeError.
//
// Shutdown (the GUI is going away, or the program halts) answers every waiting box and
// menu with its default and makes later ones answer at once: nothing more is shown.
//
// Thread safety: every FrontEnd operation may be called from any thread, several at once.

#include <QPointer>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/qt/DesktopDialogs.h"

namespace runtime::ui::qt {

class Desktop;

class QtFrontEnd : public FrontEnd {
 public:
  // `helpFolder` holds index.html, search.html and howto.html.
  QtFrontEnd(Desktop* desktop, std::string helpFolder);
  ~QtFrontEnd() override;

  int32_t ShowMessageBox(const MessageBoxRequest& request) override;
  int32_t ShowPopupMenu(const PopupMenu& menu, int32_t x, int32_t y) override;
  std::optional<FileChooserRequest::Choice> ChooseFile(const FileChooserRequest& request) override;
  void OpenProgress(const ProgressState& state) override;
  void ShowProgress(const ProgressState& state) override;
  void CloseProgress(int32_t progress) override;
  void WindowOpened(int32_t window) override;
  void WindowChanged(int32_t window) override;
  void WindowClosed(int32_t window) override;
  void CarryOut(FrameAction action, int32_t window) override;
  void SetWaitCursor(bool on) override;
  void Beep(int32_t frequency, int32_t duration) override;

  void Shutdown();
  // The address the help action opens ("" for other actions).
  std::string HelpAddress(FrameAction action) const;

 private:
  struct Waiting {
    std::mutex Lock;
    std::condition_variable Done;
    bool Answered = false;
    int32_t Answer = 0;
    int32_t Fallback = 0;
    void Finish(int32_t answer);
  };

  // Runs `work` on the GUI thread; false (and nothing runs) after Shutdown.
  bool Post(std::function<void(Desktop&)> work);
  int32_t Ask(int32_t fallback, std::function<void(Desktop&, std::function<void(int32_t)>)> show);
  void FlushChanges();

  QPointer<Desktop> Screen;
  std::string HelpFolder;
  std::mutex Lock;
  bool Closed = false;                             // GUARDED_BY(Lock)
  std::set<std::shared_ptr<Waiting>> Pending;      // GUARDED_BY(Lock)
  std::set<int32_t> Dirty;                         // GUARDED_BY(Lock)
  bool FlushPosted = false;                        // GUARDED_BY(Lock)
  DesktopDialogs Dialogs;                          // GUI thread only
};

}  // namespace runtime::ui::qt
