#include "framework/browse/EditInPlaceManager.h"

#include <algorithm>
#include <string>

#include "framework/browse/BrowseManager.h"
#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/error/Buttons.h"
#include "framework/error/MessageId.h"
#include "runtime/ui/ControlType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace framework::browse {
namespace {

using framework::error::Button;
using framework::error::LevelAsk;
using framework::error::LevelQuiet;
using framework::error::MessageId;
using runtime::ui::Event;
using runtime::ui::Key;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

bool IsMouseClick(int32_t key) {
  return key == Key::MouseLeft || key == Key::MouseRight || key == Key::MouseLeft2 || key == Key::MouseRight2;
}

// A required column is empty when its text is blank or its number is zero.
bool IsBlank(const runtime::data::FieldRef& field) {
  const std::string text = field.GetText();
  if (field.IsText()) return text.find_first_not_of(' ') == std::string::npos;
  return text.find_first_not_of("0.-+ ") == std::string::npos;
}

}  // namespace

EditInPlaceManager::~EditInPlaceManager() {
  if (!Dead && CL) EditInPlaceManager::Teardown();
}

uint8_t EditInPlaceManager::Run(uint8_t request) {
  // The list's own click alert would take the clicks meant for the editor's row.
  MouseLeftIndex = 0;
  const int32_t window = BC != nullptr && BC->Window != nullptr ? BC->Window->MyWindow : 0;
  for (int32_t index = 1; index <= HighestAlertSlot; ++index)
    if (WindowModel::GetPropInt(window, ListControl, Prop::Alert, index) == Key::MouseLeft) {
      MouseLeftIndex = index;
      WindowModel::SetPropInt(window, ListControl, Prop::Alert, 0, index);
      break;
    }
  Req = request;
  Request = request;
  Dead = false;
  Response = ResponseNone;
  TheResponse = ResponseCancelled;
  if (Init() == EventGoOn) EventLoop();
  Teardown();
  return TheResponse;
}

int32_t EditInPlaceManager::Init() {
  if (const int32_t result = WindowController::Init(); result != EventGoOn) return result;
  if (BC == nullptr || BC->Window == nullptr || BC->ListQueue == nullptr || EQ == nullptr) return EventEndLoop;
  MyWindow = BC->Window->MyWindow;
  Primary = BC->Primary;
  BrowseQueue& queue = *BC->ListQueue;
  // The browse's row: the list may already show a row chosen after the edit was asked for.
  BC->KeepCurrentChoice();
  auto rows = [&] { return static_cast<int32_t>(queue.RowCount()); };

  switch (Req) {
    case RequestInsert: {
      int32_t at = 1;
      if (rows() > 0) {
        if (Insert == InsertAtEnd) BC->ScrollToEnd(Event::ScrollBottom);
        if (BC->PrepareRecord(framework::data::RecordBuffer::Clear) != LevelQuiet) return EventEndLoop;
        Primary->SaveLinkValues();
        at = Insert == InsertAtSelected ? std::max(BC->CurrentChoice, 1) : BC->CurrentChoice + 1;
        if (BC->LastItems > 0 && rows() >= BC->LastItems) {
          // The page keeps its length: a row goes at the end away from the new one.
          if (BC->CurrentChoice >= rows()) {
            queue.GetRow(1);
            queue.DeleteRow();
            --BC->CurrentChoice;
            --at;
          } else {
            queue.GetRow(static_cast<size_t>(rows()));
            queue.DeleteRow();
          }
        }
      } else {
        if (BC->PrepareRecord(framework::data::RecordBuffer::Clear) != LevelQuiet) return EventEndLoop;
        Primary->SaveLinkValues();
      }
      at = std::clamp(at, 1, rows() + 1);
      BC->Fields->BlankRight();
      WasPrimed = BC->Fields->SidesEqual() ? 0 : 1;
      BC->FillListRow();
      // The record is not stored yet: the row has no view position.
      queue.SetRowPosition("");
      queue.InsertRowAt(static_cast<size_t>(at));
      BC->CurrentChoice = at;
      BC->DisplayList();
      BC->ILC->SelectRow(at);
      Column = 1;
      break;
    }
    case RequestDelete: {
      if (DeleteKeyAction != ActionAbandons) {
        const auto confirm =
            DeleteKeyAction == DeleteAsks ? framework::data::ConfirmDelete::Ask : framework::data::ConfirmDelete::No;
        const bool deleted = Primary->Delete(confirm) == LevelQuiet;
        TheResponse = deleted ? ResponseCompleted : ResponseCancelled;
      }
      return EventEndLoop;
    }
    case RequestChange: {
      if (!queue.GetRow(static_cast<size_t>(std::clamp(BC->CurrentChoice, 1, std::max(rows(), 1))))) return EventEndLoop;
      const std::string position = queue.GetRowPosition();
      BC->FillListRow();
      queue.SetRowPosition(position);
      queue.PutRow();
      Primary->SaveLinkValues();
      if (WindowModel::KeyCode() == Key::MouseLeft2)
        Column = static_cast<int32_t>(WindowModel::GetPropInt(MyWindow, ListControl, Prop::MouseDownColumn));
      break;
    }
    default: return EventEndLoop;
  }
  queue.GetRow(static_cast<size_t>(BC->CurrentChoice));
  WindowModel::SetPropInt(MyWindow, ListControl, Prop::Alert, 0, DoubleClickSlot);
  if (Column == 0) Column = 1;
  LastColumn = 0;
  Repost = 0;
  RepostField = 0;
  InitControls();
  ShowColumn();
  return EventGoOn;
}

int32_t EditInPlaceManager::Teardown() {
  if (Dead || !CL) return AlreadyDead;
  uint8_t request = Req;
  uint8_t response = TheResponse;
  BC->OnAskResponse(request, response);
  for (EditListEntry& entry : *EQ) {
    if (entry.Control) {
      entry.Control->Teardown();
      if (entry.FreeUp) entry.Control.reset();
    } else {
      WindowModel::SetPropInt(MyWindow, ListControl, Prop::ColumnColour, DefaultColour, entry.Column);
    }
    if (entry.Column > 0) WindowModel::SetPropInt(MyWindow, ListControl, Prop::EditControl, 0, entry.Column);
  }
  std::erase_if(*EQ, [](const EditListEntry& e) { return e.FreeUp != 0; });
  WindowModel::SetPropInt(MyWindow, ListControl, Prop::Alert, Key::MouseLeft2, DoubleClickSlot);
  if (MouseLeftIndex != 0) WindowModel::SetPropInt(MyWindow, ListControl, Prop::Alert, Key::MouseLeft, MouseLeftIndex);
  if (Repost != 0) {
    WindowModel::Post(MyWindow, Repost, RepostField);
    if (Repost == Event::Selecting) WindowModel::Post(MyWindow, Event::Accepted, RepostField);
  }
  LastColumn = 0;
  // The editor's row ends here: the controller must not hand the browse's record
  // buffer back to an earlier state.
  Primary = nullptr;
  return WindowController::Teardown();
}

int32_t EditInPlaceManager::HandleEvent(const runtime::ui::PostedEvent& event) {
  // A handler that finishes the row clears Again: the loop then ends.
  Again = 1;
  const int32_t result = WindowController::HandleEvent(event);
  if (result != EventGoOn) return result;
  return Again == 0 ? EventEndLoop : EventGoOn;
}

int32_t EditInPlaceManager::OnWindowEvent() {
  switch (EventInHand().Number) {
    case Event::CloseWindow:
    case Event::CloseDown:
    case Event::DoResize:
      OnFocusLoss();
      Repost = EventInHand().Number;
      RepostField = 0;
      return EventEndLoop;
    case Event::Undocked:
    case Event::Sized:
    case Event::Restored: return EventConsumed;
    case Event::Completed: return EventConsumed;  // no form protocol runs here
    default: return WindowController::OnWindowEvent();
  }
}

int32_t EditInPlaceManager::OnFieldEvent() {
  const runtime::ui::PostedEvent& event = EventInHand();
  for (EditListEntry& entry : *EQ)
    if (entry.Control && entry.Control->GetFeq() == event.Control) {
      OnAction(entry.Control->HandleEvent(event));
      return EventGoOn;
    }
  if (event.Number == Event::Selected &&
      WindowModel::GetPropInt(MyWindow, event.Control, Prop::Type) == runtime::ui::ControlType::Prompt)
    return EventGoOn;
  if (event.Number == Event::Selected || event.Number == Event::Selecting) return EventGoOn;
  const int32_t key = event.KeyCode != Key::None ? event.KeyCode : WindowModel::KeyCode();
  if (IsMouseClick(key)) {
    Repost = event.Number;
    RepostField = event.Control;
  }
  OnFocusLoss();
  return EventGoOn;
}

int32_t EditInPlaceManager::OnNewSelection() {
  const runtime::ui::PostedEvent& event = EventInHand();
  if (event.Control != ListControl) return WindowController::OnNewSelection();
  const auto clicked = static_cast<int32_t>(WindowModel::GetPropInt(MyWindow, ListControl, Prop::Selected));
  const int32_t key = event.KeyCode != Key::None ? event.KeyCode : WindowModel::KeyCode();
  if (clicked == BC->CurrentChoice || clicked == 0) {
    if (key == Key::MouseLeft) {
      const auto column = static_cast<int32_t>(WindowModel::GetPropInt(MyWindow, ListControl, Prop::MouseDownColumn));
      if (column > 0 && column != Column) {
        BC->ListQueue->GetRow(static_cast<size_t>(BC->CurrentChoice));
        ClearColumn();
        Column = column;
        ShowColumn();
      }
    }
    return EventConsumed;
  }
  OnFocusLoss();
  if (!Again) {
    BC->CurrentChoice = clicked;
    TheResponse = ResponseCancelled;
    return EventEndLoop;
  }
  BC->ILC->SelectRow(BC->CurrentChoice);
  return EventConsumed;
}

// ---- Own operations --------------------------------------------------------------

void EditInPlaceManager::ClearColumn() {
  if (LastColumn == 0) return;
  if (EditInPlaceControl* control = ControlOfColumn(LastColumn)) {
    BC->ListQueue->GetRow(static_cast<size_t>(BC->CurrentChoice));
    if (control->GetFeq() != 0) {
      WindowModel::Update(MyWindow, control->GetFeq());
      WindowModel::Hide(MyWindow, control->GetFeq());
    }
    BC->ListQueue->PutRow();
  }
  WindowModel::SetPropInt(MyWindow, ListControl, Prop::EditControl, 0, LastColumn);
  LastColumn = 0;
  BC->DisplayList();
}

void EditInPlaceManager::InitControls() {
  std::sort(EQ->begin(), EQ->end(), [](const EditListEntry& a, const EditListEntry& b) { return a.Field < b.Field; });
  for (int32_t column = 1; column <= ColumnCount(); ++column) {
    const auto field = static_cast<int32_t>(WindowModel::GetPropInt(MyWindow, ListControl, Prop::ColumnField, column));
    auto it = std::find_if(EQ->begin(), EQ->end(), [&](const EditListEntry& e) { return e.Field == field; });
    if (it == EQ->end()) {
      EditListEntry entry;
      entry.Field = field;
      entry.FreeUp = 1;
      entry.Control = std::make_shared<EditInPlaceControl>();
      entry.Column = static_cast<int32_t>(EQ->size()) + 1;
      EQ->push_back(std::move(entry));
      it = EQ->end() - 1;
    }
    it->Column = column;
    const auto pair = static_cast<size_t>(field - 1);
    if (it->Control && field >= 1 && pair < BC->Fields->Count())
      it->Control->Init(MyWindow, column, ListControl, BC->Fields->RightAt(pair));
    else
      WindowModel::SetPropInt(MyWindow, ListControl, Prop::ColumnColour, GreyText, column);
  }
  std::sort(EQ->begin(), EQ->end(), [](const EditListEntry& a, const EditListEntry& b) { return a.Column < b.Column; });
  ShowRowInEditors();
}

bool EditInPlaceManager::IsColumnEditable(int32_t column) {
  const EditListEntry* entry = EntryOfColumn(column);
  if (entry == nullptr || !entry->Control || entry->Control->GetFeq() == 0) return false;
  // A column is editable unless the window procedure marked it otherwise.
  return WindowModel::GetProp(MyWindow, ListControl, Prop::ColumnEditable, column) != "0";
}

void EditInPlaceManager::ShowColumn() {
  WindowModel::SetKeyCode(Key::None);
  FindEditableColumn();
  EditInPlaceControl* control = ControlOfColumn(Column);
  if (control == nullptr || !IsColumnEditable(Column)) return;
  if (!control->ReattachRequired(Column) && LastColumn == Column) return;
  BC->ListQueue->GetRow(static_cast<size_t>(BC->CurrentChoice));
  WindowModel::SetPropInt(MyWindow, ListControl, Prop::EditControl, control->GetFeq(), Column);
  WindowModel::Unhide(MyWindow, control->GetFeq());
  WindowModel::Display(MyWindow, control->GetFeq());
  WindowModel::Select(MyWindow, control->GetFeq());
  LastColumn = Column;
}

bool EditInPlaceManager::CheckColumns() {
  BC->ListQueue->GetRow(static_cast<size_t>(BC->CurrentChoice));
  for (int32_t column = 1; column <= ColumnCount(); ++column) {
    EditInPlaceControl* control = ControlOfColumn(column);
    if (control == nullptr) continue;
    bool failed = false;
    if (control->GetFeq() != 0 && WindowModel::Update(MyWindow, control->GetFeq()) != 0) failed = true;
    if (control->Req && !control->UseVar.IsNull() && IsBlank(control->UseVar)) failed = true;
    if (!failed && control->OnAccepted(EditInPlaceControl::ActionNextColumn) == EditInPlaceControl::ActionAbandon)
      failed = true;
    if (failed) {
      BC->ListQueue->PutRow();
      ClearColumn();
      Column = column;
      Again = 1;
      ShowColumn();
      return false;
    }
  }
  BC->ListQueue->PutRow();
  return true;
}

void EditInPlaceManager::OnAction(int32_t action) {
  if (action != EditInPlaceControl::ActionNone && action != EditInPlaceControl::ActionAbandon)
    if (EditInPlaceControl* control = ControlOfColumn(LastColumn != 0 ? LastColumn : Column)) {
      BC->ListQueue->GetRow(static_cast<size_t>(BC->CurrentChoice));
      if (control->OnAccepted(action) == EditInPlaceControl::ActionAbandon) {
        // The picture refused the text: the editor stays where it is.
        WindowModel::Select(MyWindow, control->GetFeq());
        return;
      }
      BC->ListQueue->PutRow();
    }
  switch (action) {
    case EditInPlaceControl::ActionNextColumn: {
      ClearColumn();
      const int32_t was = Column;
      ++Column;
      SeekForward = 1;
      FindEditableColumn();
      EditInPlaceControl* control = ControlOfColumn(Column);
      if (Column > was || (control != nullptr && control->ReattachRequired(Column))) {
        ShowColumn();
      } else {
        Column = was;
        FinishEdit(EndingOf(Tab != nullptr ? *Tab : ActionSaves, true));
        if (Tab != nullptr && (*Tab & ActionNextRecord) && !Again) SetNavigation(BrowseManager::NavigateNext);
      }
      break;
    }
    case EditInPlaceControl::ActionPreviousColumn:
      if (Column >= 2) {
        ClearColumn();
        --Column;
        SeekForward = 0;
        ShowColumn();
      }
      break;
    case EditInPlaceControl::ActionComplete:
      FinishEdit(EndingOf(Enter != nullptr ? *Enter : 0, false));
      if (Enter != nullptr && (*Enter & ActionNextRecord) && !Again) SetNavigation(BrowseManager::NavigateNext);
      break;
    case EditInPlaceControl::ActionAbandon: FinishEdit(FinishAbandon); break;
    case EditInPlaceControl::ActionNextRecord:
    case EditInPlaceControl::ActionPreviousRecord: {
      const int32_t was = Column;
      const uint8_t arrow = Arrow != nullptr ? *Arrow : 0;
      FinishEdit(EndingOf(arrow, false));
      if ((arrow & ActionNextRecord) && !Again)
        SetNavigation(action == EditInPlaceControl::ActionNextRecord ? BrowseManager::NavigateNext
                                                                     : BrowseManager::NavigatePrevious);
      if ((arrow & ActionKeepColumn) && !Again) Column = was;
      break;
    }
    default: break;
  }
}

void EditInPlaceManager::FinishEdit(int32_t action) {
  if ((action == FinishSave || action == FinishAsk) && !CheckColumns()) return;
  Again = 0;
  ClearColumn();
  int32_t decision = action;
  if (RowUnchanged() && !WasPrimed) {
    decision = FinishAbandon;
  } else if (action == FinishAsk) {
    const int32_t answer = Errors != nullptr
                               ? Errors->AskMessage(MessageId::SaveRecord, Button::YesNoCancel, Button::Yes)
                               : Button::Yes;
    decision = answer == Button::Yes ? FinishSave : answer == Button::No ? FinishAbandon : Button::Cancel;
  }
  TheResponse = ResponseCancelled;
  if (decision == Button::Cancel) Again = 1;
  if (decision == FinishAbandon && Req == RequestInsert) {
    if (BC->ListQueue->GetRow(static_cast<size_t>(BC->CurrentChoice))) BC->ListQueue->DeleteRow();
    if (BC->CurrentChoice > 0 && Insert != InsertAtSelected) --BC->CurrentChoice;
    // A failure is reported; the abandoned row has left the list either way.
    (void)Primary->ReleaseAutoNumber();
    BC->DisplayList();
  }
  if (decision == FinishSave && !SaveRow()) Again = 1;
  Column = 1;
  if (Again) ShowColumn();
}

void EditInPlaceManager::OnFocusLoss() {
  FinishEdit(EndingOf(FocusLoss != nullptr ? *FocusLoss : 0, false));
}

// ---- Private ---------------------------------------------------------------------

EditListEntry* EditInPlaceManager::EntryOfColumn(int32_t column) {
  for (EditListEntry& entry : *EQ)
    if (entry.Column == column) return &entry;
  return nullptr;
}

EditInPlaceControl* EditInPlaceManager::ControlOfColumn(int32_t column) {
  EditListEntry* entry = EntryOfColumn(column);
  return entry != nullptr ? entry->Control.get() : nullptr;
}

int32_t EditInPlaceManager::ColumnCount() const {
  int32_t count = 0;
  while (WindowModel::GetPropInt(MyWindow, ListControl, Prop::ColumnField, count + 1) != 0) ++count;
  return count;
}

void EditInPlaceManager::FindEditableColumn() {
  const int32_t last = ColumnCount();
  if (last == 0) return;
  Column = std::clamp(Column, 1, last);
  // Each column is looked at once in each direction at most.
  for (int32_t tries = 0; tries < 2 * last + 1; ++tries) {
    if (IsColumnEditable(Column)) break;
    if (SeekForward) {
      if (Column < last) ++Column;
      else SeekForward = 0;
    } else {
      if (Column > 1) --Column;
      else SeekForward = 1;
    }
  }
  SeekForward = 0;
}

int32_t EditInPlaceManager::EndingOf(uint8_t action, bool isTab) {
  const uint8_t end = action & ActionEndMask;
  if (end == ActionAbandons) return FinishAbandon;
  if (end == 0 && isTab) return FinishAsk;
  if (end <= ActionSaves) return FinishSave;
  return FinishAsk;
}

bool EditInPlaceManager::SaveRow() {
  framework::data::FileManager* file = BC->PrimaryFile();
  if (file == nullptr || Primary == nullptr) return false;
  int16_t kept = file->SnapshotBuffer();
  BC->ListQueue->GetRow(static_cast<size_t>(BC->CurrentChoice));
  BC->CopyRowToBuffer();
  bool again = false;
  bool shownElsewhere = false;
  for (;;) {
    const int32_t result = Req == RequestInsert ? Primary->Insert() : Primary->Update(framework::data::UpdateSource::Program);
    if (result == LevelQuiet) {
      TheResponse = ResponseCompleted;
      break;
    }
    if (result == LevelAsk) {
      const int32_t answer =
          Errors != nullptr ? Errors->AskMessage(MessageId::RecordUpdate, Button::YesNoCancel, Button::Cancel)
                            : Button::Cancel;
      if (answer == Button::Yes) continue;
      // No gives the row up: the list shows the record as stored.
      again = answer != Button::No;
      break;
    }
    again = true;
    if (file->LastError == MessageId::ChangedElsewhere) {
      // As in a form: the other station's version is shown, and the next save is
      // checked against it.
      shownElsewhere = true;
      BC->ListQueue->GetRow(static_cast<size_t>(BC->CurrentChoice));
      BC->Fields->LeftIntoRight();
      BC->ListQueue->PutRow();
      BC->DisplayList();
      ShowRowInEditors();
    }
    break;
  }
  file->RestoreSnapshot(kept, again && !shownElsewhere ? framework::data::SnapshotUse::Restore
                                                       : framework::data::SnapshotUse::Discard);
  return !again;
}

bool EditInPlaceManager::RowUnchanged() {
  BC->ListQueue->GetRow(static_cast<size_t>(BC->CurrentChoice));
  return BC->Fields->SidesEqual();
}

void EditInPlaceManager::ShowRowInEditors() {
  // Every editor is taken back into the row before a save: each must show the row.
  BC->ListQueue->GetRow(static_cast<size_t>(BC->CurrentChoice));
  for (const EditListEntry& entry : *EQ)
    if (entry.Control && entry.Control->GetFeq() != 0) WindowModel::Display(MyWindow, entry.Control->GetFeq());
}

void EditInPlaceManager::SetNavigation(int32_t request) {
  if (VCRRequest != nullptr) *VCRRequest = request;
}

}  // namespace framework::browse
