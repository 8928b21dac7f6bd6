#pragma once
// The browse window BrowseUrlList, the program's main working window: the UrlList
// records in KeyUrl order, a page at a time, with View, Insert, Change and Delete
// buttons that call the form UpdateUrlList on the same thread, typing to locate by the
// Url's first letter, and an "Open" button that hands the selected row's Url to the
// desktop's opener as many times as the row's NumberOfTimesToOpen says. The window's
// position and size are kept in the INI file under "BrowseUrlList"; its controls
// follow its size through a WindowResizer.
//
// The frame starts Procedure on a thread of its own for each choice of its browse
// item. The browse's view over UrlList belongs to the thread: it is readied the first
// time the browse runs there and closed by the thread finaliser (CloseThreadView).
//
// Thread safety: everything here belongs to the thread that runs the procedure; two
// browse threads share nothing but the process-wide error and INI managers.

#include <cstdint>
#include <string>

#include "app/BrowseUrlListBrowse.h"
#include "app/OpenAction.h"
#include "framework/browse/LetterLocator.h"
#include "framework/browse/StringStep.h"
#include "framework/query/QbeQuery.h"
#include "framework/query/QueryForm.h"
#include "framework/window/ToolbarManager.h"
#include "framework/window/WindowController.h"
#include "framework/window/WindowResizer.h"
#include "runtime/files/View.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/WindowDefinition.h"

namespace app {

class BrowseUrlList : public framework::window::WindowController {
 public:
  static constexpr const char* ProcedureName = "BrowseUrlList";
  static constexpr const char* UnitKey = "Vorkan42$Vorkan42002";
  static constexpr const char* WindowName = "P1$QUICKWINDOW";
  static constexpr const char* Caption = "Browse the UrlList file";
  static constexpr const char* ListFormat = "244L(2)|M~Url~@s199@80R(10)|M~Number Of Times To Open~C(0)@n9@";

  // Controls.
  static constexpr int32_t BrowseList = 1;
  static constexpr int32_t ViewButton = 2;
  static constexpr int32_t InsertButton = 3;
  static constexpr int32_t ChangeButton = 4;
  static constexpr int32_t DeleteButton = 5;
  static constexpr int32_t CurrentTab = 6;
  static constexpr int32_t KeyUrlTab = 7;
  static constexpr int32_t CloseButton = 8;
  static constexpr int32_t HelpButton = 9;
  static constexpr int32_t OpenButton = 10;
  // The find: typing a text there and pressing Enter (or leaving it) narrows the list
  // to the addresses that contain it; Ctrl+F goes there, Esc clears it.
  static constexpr int32_t FindEntry = 11;
  static constexpr size_t FindTextSize = 101;  // 100 bytes of text and the null
  static constexpr int32_t FindKey = runtime::ui::Key::Ctrl + runtime::ui::Key::Of('F');
  // The alert slots of Ctrl+F (on the list and the find) and of Esc (on the find).
  static constexpr int32_t FindKeySlot = 247;
  static constexpr int32_t ClearFindSlot = 246;
  // Query by example over the address and the count, offered by the Query button,
  // the context menu and the toolbox; saved queries are kept in the INI file under
  // this family.
  static constexpr int32_t QueryButton = 12;
  static constexpr const char* QueryFamily = "BrowseUrlList";

  // The context-menu option that lets Enter and a double click on the count change
  // it in the list; remembered under ProcedureName, off unless turned on.
  static constexpr const char* InPlaceItemText = "Edit in place";
  static constexpr const char* InPlaceEntry = "EditInPlace";
  // The event the option's menu item posts to the list.
  static constexpr int32_t InPlaceToggleEvent = 0x4E01;
  // Posted by an import that added records: the list is read again.
  static constexpr int32_t RefreshEvent = 0x4E02;
  // The list's alert slot for Enter while the option is on.
  static constexpr int32_t EnterSlot = 248;

  // The update procedure the browse calls for insert, change, delete and view.
  static constexpr int32_t UpdateProcedure = 1;
  // The step distribution, computed at run time between the first and last Url over
  // the characters addresses are made of.
  static constexpr uint8_t StepControls = framework::browse::StringStep::ControlLetters |
                                          framework::browse::StringStep::ControlDigits |
                                          framework::browse::StringStep::ControlAddress;
  static constexpr uint8_t StepLookup = framework::browse::StringStep::LookupRunTime;

  // The window as the browse describes it.
  static runtime::ui::WindowDefinition Definition();

  // The window procedure: readies the thread's view once, runs the browse with the
  // request in ThreadRequest and leaves its response in ThreadResponse.
  static void Procedure();
  // This thread's view over UrlList (readied by the first run of the browse).
  static runtime::files::View& ThreadView();
  // Closes this thread's view when the browse readied it here; nothing otherwise.
  // Called by the thread finaliser, before the thread's UrlList file goes.
  static void CloseThreadView();

  BrowseUrlList(const runtime::ui::WindowDefinition& window, BrowseUrlListBrowse::DisplayQueue& queue);
  ~BrowseUrlList() override;

  // Overridden slots.
  int32_t Init() override;
  // The base Teardown, then UrlList closed, the position saved, the name removed.
  int32_t Teardown() override;
  // Runs the form UpdateUrlList on this thread with `request`; its response. A browse
  // opened only to view calls nothing and answers cancelled.
  uint8_t Run(int32_t number, uint8_t request) override;
  using WindowController::Run;
  // "Open" runs OpenUrl; then the base handling in every case.
  int32_t OnAccepted() override;
  // The "Edit in place" item turns the option over; everything else as the base.
  int32_t HandleEvent(const runtime::ui::PostedEvent& event) override;

  // Sets the option, shows it in the menu and the list's keys; `remember` writes it to
  // the INI file.
  enum class Remember : uint8_t { No, Yes };
  void SetCountInPlace(bool on, Remember remember);

  // The open action: the selected row's Url to the opener, NumberOfTimesToOpen times.
  // Nothing when no row is selected.
  void OpenUrl();
  // Narrows the list to the addresses containing the find's text (all for ""),
  // keeping the selected record selected when it is among them.
  void ApplyFind();
  // The browse's own events before the controller's handling.
  int32_t Handle(const runtime::ui::PostedEvent& event);
  // Reads the list again (narrowed as it is) on the record selected now.
  void ReloadOnSelected();
  // Tells BrowseNarrowing what the list is narrowed to now.
  void Publish();

  // Per-procedure objects, built with the controller and freed with it in reverse.
  framework::window::ToolbarManager Toolbar;
  BrowseUrlListBrowse Browse;
  framework::browse::LetterLocator Locator;
  framework::browse::StringStep Step;
  framework::window::WindowResizer Resizer;
  framework::query::QbeQuery Query;
  framework::query::QueryForm QueryWindow;
  OpenAction Opening;
  // The row the open action last read (0 none).
  int32_t CurrentChoice = 0;

 private:
  std::string InPlaceItem;
  char FindText[FindTextSize] = {};
  std::string AppliedFind;  // what the list is narrowed to now
  const runtime::ui::WindowDefinition& Window;
  BrowseUrlListBrowse::DisplayQueue& Queue;
};

}  // namespace app
