#pragma once
// The frame procedure Main: the application frame with its menu bar, open for the
// whole run. "Browse the UrlList file" starts the browse procedure (BrowseLauncher),
// and File's "Import ..." and "Export ..." their procedures (ExchangeMenu), each on a
// new thread, without waiting; the other items are bound to the runtime's standard
// frame actions. The frame's
// position and state are kept in the INI file under "Main". Closing the frame asks
// every other window to close first and stays open when one declines.
//
// Thread safety: Main runs on thread 1; the controller belongs to that thread.

#include <cstddef>
#include <cstdint>

#include "framework/window/ToolbarManager.h"
#include "framework/window/WindowController.h"
#include "runtime/ui/WindowDefinition.h"

namespace app {

class MainFrame : public framework::window::WindowController {
 public:
  static constexpr const char* ProcedureName = "Main";
  static constexpr const char* UnitKey = "Vorkan42$Vorkan42001";
  static constexpr const char* WindowName = "P1$APPFRAME";
  static constexpr const char* Caption = "Application";
  static constexpr int32_t BrowseUrlListControl = -10;
  static constexpr int32_t ImportControl = -30;
  static constexpr int32_t ExportControl = -31;
  // Stack asked for each browse thread (the runtime gives at least its own minimum).
  static constexpr size_t BrowseStackSize = 50000;
  // The frame's own size in dialog units; the front end places it.
  static constexpr int32_t FrameWidth = 520;
  static constexpr int32_t FrameHeight = 330;
  static constexpr int32_t FontSize = 8;

  // The frame window as its procedure describes it.
  static runtime::ui::WindowDefinition Definition();
  // The frame procedure: builds the controller and its toolbar, runs it, leaves the
  // result in ThreadResponse, then frees the controller and closes the window.
  static void Main();

  MainFrame(const runtime::ui::WindowDefinition& frame, framework::window::ToolbarManager& toolbar);
  ~MainFrame() override;

  // Overridden slots.
  int32_t Init() override;
  int32_t Teardown() override;
  int32_t OnAccepted() override;

 private:
  // One handler for the menu bar and one for each of its menus.
  void MenuBarHandler(int32_t control);
  void FileMenuHandler(int32_t control);
  void EditMenuHandler(int32_t control);
  void BrowseMenuHandler(int32_t control);
  void WindowMenuHandler(int32_t control);
  void HelpMenuHandler(int32_t control);

  const runtime::ui::WindowDefinition& Frame;
  framework::window::ToolbarManager& FrameToolbar;
};

}  // namespace app
