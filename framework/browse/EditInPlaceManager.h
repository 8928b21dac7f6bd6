#pragma once
// Edits one row of a browse inside its list, for a browse without an update
// procedure. The browse hands it a request (AskInPlace); for an insert or a change it
// lays an editor over one cell of the row at a time and runs an event loop of its own
// on the browse's window until the row is saved through the primary relation manager,
// abandoned, or left after a question; a delete is carried out at once. While it
// runs, the browse's own keys are suspended (the list's click and double-click alerts)
// and the browse sees no events; both come back when the edit ends.
//
// The browse's action bytes (TabAction, EnterAction, ArrowAction, FocusLossAction)
// say how an edit ends: low 3 bits 0 or 1 save, 2 abandon, 3 to 7 ask "Save Record"
// (for Tab, 0 asks too); bit 8 goes on with the next record; bit 16 (arrows) keeps the
// column for the next record.
//
// Thread safety: the browse's thread only.
//
// Virtual operations are declared in their fixed slot order, after WindowController's.

#include <cstdint>
#include <vector>

#include "framework/browse/EditListEntry.h"
#include "framework/window/WindowController.h"
#include "runtime/ui/PostedEvent.h"

namespace framework::browse {

class BrowseManager;

class EditInPlaceManager : public framework::window::WindowController {
 public:
  // Codes of FinishEdit.
  static constexpr int32_t FinishAsk = 0;
  static constexpr int32_t FinishSave = 2;
  static constexpr int32_t FinishAbandon = 4;

  // Layout of the action bytes.
  static constexpr uint8_t ActionEndMask = 7;
  static constexpr uint8_t ActionSaves = 1;
  static constexpr uint8_t ActionAbandons = 2;
  static constexpr uint8_t ActionNextRecord = 8;
  static constexpr uint8_t ActionKeepColumn = 16;

  // Insert: where a new row goes.
  static constexpr uint8_t InsertAtSelected = 9;
  static constexpr uint8_t InsertAtEnd = 10;

  // DeleteKeyAction (the browse's DeleteAction): ActionAbandons does not delete; this
  // one asks "Confirm Delete" first; any other deletes at once.
  static constexpr uint8_t DeleteAsks = 4;

  // The alert slot of the list's double click, suspended while editing.
  static constexpr int32_t DoubleClickSlot = 252;
  static constexpr int32_t HighestAlertSlot = 254;
  // Text colour of a column that cannot be edited (the system's grey text), and the
  // list's default colour.
  static constexpr int64_t GreyText = 0x80000011;
  static constexpr int64_t DefaultColour = -1;

  EditInPlaceManager() = default;
  ~EditInPlaceManager() override;

  // The browse's request; the response (ResponseCompleted or ResponseCancelled).
  uint8_t Run(uint8_t request);
  using WindowController::Run;

  // ---- WindowController overrides ----
  int32_t Init() override;
  int32_t Teardown() override;
  int32_t HandleEvent(const runtime::ui::PostedEvent& event) override;
  int32_t OnWindowEvent() override;
  int32_t OnFieldEvent() override;
  int32_t OnNewSelection() override;

  // ---- Own virtual operations, in slot order ----
  virtual void ClearColumn();
  virtual void InitControls();
  virtual bool IsColumnEditable(int32_t column);
  virtual void ShowColumn();
  // False (the editor moved to the offending column) when a required column is empty
  // or a column refuses its text.
  virtual bool CheckColumns();
  virtual void OnAction(int32_t action);
  virtual void FinishEdit(int32_t action);
  virtual void OnFocusLoss();

  // ---- Fields, after WindowController's, in the fixed order ----
  uint8_t Again = 0;
  uint8_t* Arrow = nullptr;
  int32_t Column = 0;
  uint8_t* Enter = nullptr;
  std::vector<EditListEntry>* EQ = nullptr;
  uint8_t* FocusLoss = nullptr;
  uint8_t Insert = 0;
  int32_t ListControl = 0;
  int32_t LastColumn = 0;
  int32_t Repost = 0;
  int32_t RepostField = 0;
  uint8_t Req = 0;
  uint8_t SeekForward = 0;
  uint8_t* Tab = nullptr;
  int32_t MouseLeftIndex = 0;
  uint8_t WasPrimed = 0;
  uint8_t DeleteKeyAction = 0;
  BrowseManager* BC = nullptr;

 private:
  EditListEntry* EntryOfColumn(int32_t column);
  EditInPlaceControl* ControlOfColumn(int32_t column);
  int32_t ColumnCount() const;
  void FindEditableColumn();
  // The action byte's ending: FinishSave, FinishAbandon or FinishAsk.
  static int32_t EndingOf(uint8_t action, bool isTab);
  // Saves the row through the primary relation manager; false when it failed.
  bool SaveRow();
  bool RowUnchanged();
  void SetNavigation(int32_t request);
  // The edited row's values on every editor's screen.
  void ShowRowInEditors();
  uint8_t TheResponse = ResponseCancelled;
};

}  // namespace framework::browse
