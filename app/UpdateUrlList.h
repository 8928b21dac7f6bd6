#pragma once
// The form UpdateUrlList: one UrlList record, inserted, changed or viewed. The browse
// calls it on its own thread with the request in ThreadRequest; the form edits the
// thread's UrlList record buffer directly, saves it through the thread's relation
// manager with the controller's record protocol, recalls the values of the last
// completed form on this thread with Ctrl+H, and hands the record's Url to the
// desktop's opener NumberOfTimesToOpen times when "Open" is pressed. A delete request
// is refused ("This form cannot be used to delete a record"). The window's position
// and size are kept in the INI file under "UpdateUrlList"; its controls follow its
// size through a WindowResizer.
//
// Thread safety: runs on the thread that calls it, with that thread's UrlList
// managers, record buffer and history save area; nothing in it is shared.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/OpenAction.h"
#include "app/UrlListRecord.h"
#include "framework/window/ToolbarManager.h"
#include "framework/window/WindowController.h"
#include "framework/window/WindowResizer.h"
#include "runtime/ui/WindowDefinition.h"

namespace app {

class UpdateUrlList : public framework::window::WindowController {
 public:
  static constexpr const char* ProcedureName = "UpdateUrlList";
  static constexpr const char* UnitKey = "Vorkan42$Vorkan42003";
  static constexpr const char* WindowName = "P1$QUICKWINDOW";
  static constexpr const char* Caption = "Form UrlList";  // replaced when the loop starts

  // Captions by request.
  static constexpr const char* ViewCaption = "View Record";
  static constexpr const char* InsertCaption = "Record Will Be Added";
  static constexpr const char* ChangeCaption = "Edit Utility Location";
  // The caption text holds at most this many bytes.
  static constexpr size_t CaptionLimit = 39;

  // Controls.
  static constexpr int32_t CurrentTab = 1;
  static constexpr int32_t GeneralTab = 2;
  static constexpr int32_t UrlPrompt = 3;
  static constexpr int32_t UrlEntry = 4;
  static constexpr int32_t NumberPrompt = 5;
  static constexpr int32_t NumberEntry = 6;
  static constexpr int32_t OkButton = 7;
  static constexpr int32_t CancelButton = 8;
  static constexpr int32_t OpenButton = 9;

  // Tips (also the status-bar messages) of the buttons that have one.
  static constexpr const char* OkTip = "Accept data and close the window";
  static constexpr const char* CancelTip = "Cancel operation";

  // Fields recalled by Ctrl+H (1-based field numbers of UrlListRecord).
  static constexpr int32_t UrlFieldNo = 1;
  static constexpr int32_t NumberFieldNo = 2;

  // What the number entry's picture ("@n9") can hold, for the message on a refused number.
  static constexpr const char* NumberEntryRange = "-99999999 to 999999999";
  // What the address entry's picture ("@s199") can hold, for the message on a refused address.
  static constexpr const char* UrlEntryLimit = "199 bytes";

  // The window as the form describes it.
  static runtime::ui::WindowDefinition Definition();
  // The caption for a request; empty for requests the form has none for.
  static std::string CaptionFor(uint8_t request);
  // This thread's history save area: the record of the last completed form, cleared
  // the first time the form runs on the thread.
  static UrlListRecord& HistorySaveArea();

  // The window procedure: clears the history save area once per thread, runs the form
  // with the request in ThreadRequest and leaves its response in ThreadResponse.
  static void Procedure();

  UpdateUrlList(const runtime::ui::WindowDefinition& window, framework::window::ToolbarManager& toolbar,
                framework::window::WindowResizer& resizer);
  ~UpdateUrlList() override;

  // Overridden slots.
  // Sets the caption for the request and runs the loop; a delete request is refused
  // with message 14 instead, and the loop never runs.
  void EventLoop() override;
  int32_t Init() override;
  // The base Teardown, then UrlList closed, the position saved, the name removed.
  int32_t Teardown() override;
  // A view always ends cancelled.
  uint8_t Run() override;
  // "Open" hands the Url to the opener; OK takes the screen values and closes a view.
  int32_t OnAccepted() override;
  // A number entry that refuses its text says why before the controller puts the focus back.
  int32_t OnRejected() override;

  std::string CaptionText;
  OpenAction Opening;

 private:
  const runtime::ui::WindowDefinition& Window;
  framework::window::ToolbarManager& FormToolbar;
  framework::window::WindowResizer& Resizer;
};

}  // namespace app
