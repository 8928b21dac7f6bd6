#pragma once
// Shows the records of a view in a list control, one page at a time. The browse never
// holds the whole file: its display queue keeps at most one visible page of rows, each
// with the view position of its record, and it refills the queue around a remembered
// row whenever the order, the range, the filter or the list's height changes. It takes
// part in its window's events as a WindowComponent (Component), turns scroll events,
// typed keys, thumb drags and button presses into reads of the view, and keeps the
// primary file's record buffer equal to the selected row.
//
// Set-up by the window procedure, in this order: Init; per sort order AddOrder and
// AttachLocator; MapColumnField once per displayed field (list column n shows the n-th
// mapped field); AskProcedure and the control fields. From then on the window
// controller and the runtime's events drive the browse; the first load happens at the
// controller's first Reset.
//
// Events of the list (runtime::ui::Event): ScrollUp and ScrollDown one row, PageUp and
// PageDown, ScrollTop and ScrollBottom; NewSelection, Locate, AlertKey, and ScrollDrag
// for a drag of the thumb.
//
// Failures: the view reports its read errors (Fetch stops at once on LevelHalt, and
// the window is closed); a record that changed or vanished under the selection is
// reported as MessageId::RecordLost and the page is reloaded.
//
// Thread safety: the window's thread only.
//
// Virtual operations are declared in their fixed slot order, after ViewManager's.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/browse/BrowseComponent.h"
#include "framework/browse/BrowseListAdapter.h"
#include "framework/browse/BrowseSortOrder.h"
#include "framework/browse/EditListEntry.h"
#include "framework/browse/StringStep.h"
#include "framework/data/ViewManager.h"
#include "framework/popup/PopupManager.h"
#include "framework/window/FieldPairs.h"
#include "framework/window/ToolbarTarget.h"
#include "framework/window/WindowController.h"
#include "runtime/data/FieldRef.h"
#include "runtime/data/QueueAccess.h"
#include "runtime/files/FileLimits.h"
#include "runtime/text/Picture.h"
#include "runtime/ui/PostedEvent.h"

namespace runtime::files {
class View;
}
namespace framework::query {
class QbeQuery;
}

namespace framework::browse {

class EditInPlaceManager;
class LetterLocator;

class BrowseManager : public framework::data::ViewManager {
 public:
  // Directions of Fetch.
  static constexpr int32_t FillBackward = 1;
  static constexpr int32_t FillForward = 2;
  // Modes of ReloadPage.
  static constexpr int32_t ReloadKeepRow = 1;
  static constexpr int32_t ReloadAroundView = 2;

  // The largest fetch-size hint given to the view, and the request above which it applies.
  static constexpr int32_t MaxFetchSize = 60;
  // The position texts the browse keeps are at most this long.
  static constexpr size_t PositionLimit = runtime::files::FileLimits::PositionLength;

  // The print procedure's request.
  static constexpr uint8_t RequestPrint = 5;
  // Navigation requests of a form (the window's VCRRequest).
  static constexpr int32_t NavigateInsertAnother = 3001;
  static constexpr int32_t NavigateLast = 3005;
  static constexpr int32_t NavigateFirst = 3006;
  static constexpr int32_t NavigatePageDown = 3007;
  static constexpr int32_t NavigatePageUp = 3008;
  static constexpr int32_t NavigateNext = 3009;
  static constexpr int32_t NavigatePrevious = 3010;

  // Alert slots of the list: the double click, the menu key, and the record actions.
  static constexpr int32_t DoubleClickSlot = 252;
  static constexpr int32_t MenuSlot = 249;
  static constexpr int32_t InsertSlot = 255;
  static constexpr int32_t ChangeSlot = 253;
  static constexpr int32_t DeleteSlot = 254;
  static constexpr int32_t ViewSlot = 250;

  // The title of the toolbox window the toolbox button opens.
  static constexpr const char* ToolboxCaption = "Browse Actions";
  // Names of the separators the browse puts into its context menu.
  static constexpr const char* QuerySeparator = "Separator2";
  static constexpr const char* ToolSeparator = "ToolSeparator2";
  // The named filter a query-by-example result is stored under; it sorts after the
  // standard filter, so both apply.
  static constexpr const char* QueryFilterId = "9 - QBE";

  // The list's ListAction value for which a double click changes the record.
  static constexpr int32_t DoubleClickChanges = 2;

  // Thumb positions.
  static constexpr int32_t ThumbTop = 0;
  static constexpr int32_t ThumbMiddle = 50;
  static constexpr int32_t ThumbBottom = 100;

  static constexpr int32_t Unlimited = std::numeric_limits<int32_t>::max();

  // The displayed fields: file field (Left) to display-queue field (Right), with
  // access to single pairs for the list's cells.
  class ColumnPairs : public framework::window::FieldPairs {
   public:
    // REQUIRES: index < Count().
    runtime::data::FieldRef RightAt(size_t index) const { return (*List)[index].Right; }
  };

  BrowseManager();
  ~BrowseManager() override;

  // ---- ViewManager operations the browse overrides ----
  bool ResetRequired() override;
  void Teardown() override;
  [[nodiscard]] ErrorLevel Next() override;
  [[nodiscard]] ErrorLevel Previous() override;

  // ---- The browse's own virtual operations, in slot order ----
  virtual uint8_t AskForRecord(uint8_t request);
  // Carries out the request inside the list (a browse without an update procedure):
  // the edit manager is created on first use and kept.
  virtual uint8_t AskInPlace(uint8_t request);
  virtual void Fetch(int32_t direction);
  // Makes `order` current; true when it changed.
  virtual bool ApplySortOrder(size_t order);
  virtual bool ReportRecordLost();
  virtual void SetTemporaryOrder(std::string_view orderText, LetterLocator* locator, StringStep* thumb);
  virtual void OnAskResponse(uint8_t& request, uint8_t& response);
  virtual void ReloadFromBuffer();
  virtual void ReloadFromView();
  virtual void RecomputeThumbLimits();
  virtual void ReloadPage(int32_t mode);
  // Chooses the current order again (ResetMode::Forced: reloads even when nothing changed).
  virtual void ReapplyOrder(framework::window::ResetMode mode);
  virtual void ScrollToEnd(int32_t event);
  virtual void ScrollByRow(int32_t event);
  virtual void ScrollByPage(int32_t event);
  virtual void RegisterAlertKeys();
  virtual void FillListRow();
  virtual bool ChooseOrder(size_t order, framework::window::ResetMode mode);
  virtual void SetUsePopup(bool flag);
  virtual void SetUseMrp(bool flag);
  virtual bool GetUseMrp();
  virtual void OnLocatorAccepted();
  virtual void HandleEvent(const runtime::ui::PostedEvent& event);
  // The list's key event; true when handled.
  virtual bool OnKey();
  virtual void OnLocate();
  virtual void OnNewSelection();
  virtual void OnScroll(int32_t event);
  virtual void OnNavigatorScroll(int32_t request);
  virtual void CopyRowToBuffer();
  virtual void RememberResetValues();
  virtual void MoveThumb();
  virtual void MoveThumbFixed();
  virtual void RereadViewRecord();
  virtual void RefreshControls();
  virtual void ShowWaitCursor(bool on);

  // ---- Non-virtual operations ----

  // `position` refers to the display queue buffer's position field.
  void Init(int32_t listControl, runtime::data::FieldRef position, framework::window::WindowController& window,
            framework::data::RelationManager& primary, runtime::data::QueueAccess& queue, runtime::files::View& view);
  // Shows `queueField` (of the display queue's buffer) filled from `fileField`.
  void MapColumnField(const runtime::data::FieldRef& fileField, const runtime::data::FieldRef& queueField);
  // Adds a sort order on `key` with its thumb step (or none); the order's number. The
  // new order is current.
  size_t AddOrder(StringStep* thumb, int key);
  void AttachLocator(LetterLocator* locator);
  // Watches `field` in the current sort order: a change of its value reloads the list.
  void AddResetField(const runtime::data::FieldRef& field);
  void SaveSortState();
  void SetUseWaitCursor(bool flag) { UseWaitCursor = flag ? 1 : 0; }
  void PostSelectionChange();
  // Keeps CurrentChoice, the row the browse acts on; takes the list's selection only
  // when CurrentChoice is no row of the list. The list's selection may already show a
  // row the person chose after the input being handled: that row comes with its own
  // event, and taking it early would act on it too soon.
  void KeepCurrentChoice();
  // The rows in the display queue (0 leaves CurrentChoice 0).
  size_t RecordsInList();
  BrowseSortOrder* CurrentSort() const;

  // ---- Fields, after ViewManager's, in the fixed order ----
  BrowseComponent Component{*this};
  bool ActiveInvisible = false;
  bool AllowUnfilled = false;
  uint8_t ArrowAction = 0;
  uint8_t DeleteAction = 0;
  int32_t AskProcedure = 0;
  // The edit-in-place manager (created by AskInPlace when empty; freed with the browse
  // when FreeEIP) and the list of its column editors.
  std::unique_ptr<EditInPlaceManager> EIP;
  std::vector<EditListEntry> EditList;
  std::unique_ptr<BrowseListAdapter> Behavior;
  int16_t Buffer = 0;
  int32_t ChangeControl = 0;
  int32_t CurrentChoice = 0;
  int32_t DeleteControl = 0;
  uint8_t EnterAction = 0;
  std::unique_ptr<ColumnPairs> Fields;
  bool FileLoaded = false;
  uint8_t UseMRP = 0;
  uint8_t FocusLossAction = 0;
  bool HasThumb = false;
  bool HideSelect = false;
  IListControl* ILC = nullptr;
  int32_t InsertControl = 0;
  int32_t ItemsToFill = 0;
  int32_t LastItems = 0;
  BrowseQueue* ListQueue = nullptr;
  // The context menu and toolbox; created by Init, filled by RegisterAlertKeys.
  std::unique_ptr<framework::popup::PopupManager> Popup;
  bool UsePopup = false;
  bool EditViaPopup = false;
  int32_t PrintControl = 0;
  uint16_t PrintProcedure = 0;
  int32_t QueryControl = 0;
  int32_t QueryResult = 0;
  bool QueryShared = false;
  // The query-by-example object the Query button asks (not owned); none: no queries.
  framework::query::QbeQuery* Query = nullptr;
  bool QuickScan = false;
  bool RetainRow = false;
  uint8_t SavedSort = 0;
  std::string SavedSortString;
  bool UseWaitCursor = false;
  int32_t SelectControl = 0;
  uint8_t SelectWholeRecord = 0;
  uint8_t Selecting = 0;
  std::unique_ptr<OrderQueue> Sort;
  bool StartAtCurrent = false;
  uint8_t TabAction = 0;
  int32_t ToolControl = 0;
  framework::window::ToolbarTarget* Toolbar = nullptr;
  int32_t ViewControl = 0;
  framework::window::WindowController* Window = nullptr;

  // The saved-sort string is cut to this many bytes.
  static constexpr size_t SavedSortLimit = 512;

 private:
  // The edit manager redisplays the list while it edits a row.
  friend class EditInPlaceManager;

  int32_t WindowNumber() const { return Window != nullptr ? Window->MyWindow : 0; }
  int32_t ListControl() const { return ILC != nullptr ? ILC->GetListControl() : 0; }
  int32_t Rows() const { return ListQueue != nullptr ? static_cast<int32_t>(ListQueue->RowCount()) : 0; }
  int32_t VisibleRows() const { return ILC != nullptr ? ILC->VisibleRows() : 0; }
  // Positions the view on the buffer's key values of the current order.
  void LocateOnBuffer();
  // Reads of the order for the thumb's ranges; they move the view and the free field.
  StringStep::OrderReads OrderReads(BrowseSortOrder& order);
  // Posts the accepted event to `control` when it exists and is enabled; true when posted.
  bool PressButton(int32_t control);
  // Adds the browse's items to the context menu (once; a second call finds them).
  void AddPopupItems();
  // Carries out an accepted control of the window.
  void TakeAccepted(int32_t control);
  // A press PressButton posted brings back the row it was made on as CurrentChoice.
  void TakeRowOfPress(int32_t control);
  void TakeThumbDrag();
  // Sets CurrentChoice to the row showing `saved` (0 none; 1 when nothing was saved).
  void FindSavedRow(const std::string& saved, bool hasSaved, int32_t target, int32_t& shift);
  // Shows the display queue's rows in the list and selects CurrentChoice.
  void DisplayList();
  int32_t NavigationRequest() const;
  void PostToList(int32_t event);
  // Stores the query's filter as the query filter (of every order when QueryShared),
  // shows it in QueryResult and reloads.
  void ApplyQueryFilter();
  // RefreshControls, then PostSelectionChange; the rows are shown once when
  // RefreshControls showed them last and nothing changed since.
  void RefreshAndPostSelection();
  // Whether PostSelection shows the rows first or the list shows them already.
  enum class ListShowing : uint8_t { Show, Shown };
  void PostSelection(ListShowing showing);

  uint64_t DisplaySerial = 0;  // counts DisplayList's showings
  int32_t ShownChoice = 0;     // the row DisplayList last selected
  // The list's format text as DisplayList last read it, and each column's picture
  // parsed from it: read again only when the text changes.
  std::string ShownFormat;
  std::vector<std::optional<runtime::text::Picture::Parsed>> ShownPictures;

  // ---- Run-time state only this class reads ----
  int32_t CurrentEvent = 0;
  int32_t LastChoice = 0;
  int32_t PrevChoice = 0;
  bool LoadPending = false;
  bool Loaded = false;
  bool NeedRefresh = false;
  uint8_t RecordStatus = 0;
  LetterLocator* SavedLocator = nullptr;
  StringStep* SavedThumb = nullptr;
  runtime::data::FieldRef SavedLocatorField;
  bool FreeEIP = false;
};

}  // namespace framework::browse
