// WindowController, continued: carrying out a form's record request. Preparing the
// primary record before the window opens, completing an insert, change or delete when
// OK is pressed, saving without closing, what Cancel does with unsaved changes, and
// the response left for the caller.
//
// Saved is the snapshot of the primary record as the form last knew it stored (or
// primed): a record that differs from it has unsaved changes.

#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/data/UseType.h"
#include "framework/error/Buttons.h"
#include "framework/error/ErrorLevel.h"
#include "framework/error/MessageId.h"
#include "framework/window/FormNavigator.h"
#include "framework/window/WindowController.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/WindowModel.h"

namespace framework::window {
namespace {

using framework::data::UseType;
using framework::error::Button;
using framework::error::LevelAsk;
using framework::error::LevelDeclined;
using framework::error::LevelQuiet;
using framework::error::MessageId;
using runtime::ui::Event;
using runtime::ui::WindowModel;

bool Has(uint8_t flags, uint8_t bit) { return (flags & bit) != 0; }

// A delete at once asks "Confirm Delete" first only for DeleteConfirmedAtOnce.
framework::data::ConfirmDelete ConfirmationOf(uint8_t deleteAction) {
  return deleteAction == WindowController::DeleteConfirmedAtOnce ? framework::data::ConfirmDelete::Ask
                                                                 : framework::data::ConfirmDelete::No;
}

// The wait cursor for the length of one write.
class BusyCursor {
 public:
  BusyCursor() { WindowModel::SetWaitCursor(true); }
  ~BusyCursor() { WindowModel::SetWaitCursor(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

// ---- Virtual operations -------------------------------------------------------

int32_t WindowController::PrepareRequest() {
  framework::data::FileManager* primary = PrimaryFile();
  if (!primary) return EventGoOn;
  // Marks the window's use of the file; a failure is reported by the file manager.
  (void)primary->EnsureUsable(UseType::Window);
  Primary->SaveLinkValues();
  if (Files)
    for (FileEntry& file : *Files)
      if (file.Manager) file.Saved = file.Manager->SnapshotBuffer();

  int32_t result = EventGoOn;
  if (Request == RequestInsert) {
    if (Config.InsertAction != 0) {
      // FillNewRecord may refuse the new record by leaving the response cancelled.
      Response = ResponseCompleted;
      FillNewRecord();
      if (Response == ResponseCancelled) result = EventEndLoop;
      else Response = ResponseCancelled;
    }
  } else if (Request == RequestDelete && (Config.DeleteAction == DeleteConfirmedAtOnce || Config.DeleteAction == DeleteAtOnce)) {
    const bool deleted = Primary->Delete(ConfirmationOf(Config.DeleteAction)) == LevelQuiet;
    Response = deleted ? ResponseCompleted : ResponseCancelled;
    result = EventEndLoop;
  }
  Saved = primary->SnapshotBuffer();
  return result;
}

void WindowController::PostCompletion(uint8_t response) {
  Response = response;
  if (response == ResponseCompleted) Finishing = true;
  WindowModel::Post(MyWindow, Event::CloseWindow);
  if (response == ResponseCancelled && Toolbar && VCRRequest) *VCRRequest = 0;
}

int32_t WindowController::OnCompleted() {
  if (Finishing) return EventConsumed;
  RememberFieldValues();
  switch (Request) {
    case RequestInsert: return AfterInsertSaved();
    case RequestChange: return AfterChangeSaved();
    case RequestDelete: return OnDeleteCompleted();
    case RequestView:
      if (Config.BatchProcessing && FormVCR) return MoveFormOn();
      return EventGoOn;
    case RequestSave:
      if (OriginalRequest == RequestInsert) return InsertRecordSave();
      if (OriginalRequest == RequestChange) return ChangeRecordSave();
      return EventGoOn;
    default: return EventGoOn;
  }
}

int32_t WindowController::OnCloseRequest() {
  if (Response == ResponseCompleted || !Primary) return EventGoOn;
  framework::data::FileManager* primary = PrimaryFile();

  const bool editing = Request == RequestInsert || Request == RequestChange;
  if (Config.CancelAction != 0 && editing && primary && !primary->MatchesSnapshot(Saved)) {
    if (Has(Config.CancelAction, CancelSavesChanges)) {
      const int32_t answer =
          Has(Config.CancelAction, CancelAsks) ? AskYesNoCancel(MessageId::SaveRecord) : Button::Yes;
      if (answer == Button::Yes && Config.OkControl != 0) {
        // The OK path saves the record and closes the window when the save succeeds.
        WindowModel::Post(MyWindow, Event::Accepted, Config.OkControl);
        return EventConsumed;
      }
      // Only a plain No throws the changes away; Cancel, or a question closed any
      // other way, keeps the form and its changes.
      if (answer != Button::No) {
        FocusFirstField();
        return EventConsumed;
      }
    } else if (RaiseQuestion(MessageId::ChangesLost) == LevelDeclined) {
      FocusFirstField();
      return EventConsumed;
    }
  }

  // A number taken for a record that is not being added is given back.
  if (OriginalRequest == RequestInsert && Response == ResponseCancelled && Primary->ReleaseAutoNumber() != LevelQuiet) {
    FocusFirstField();
    return EventConsumed;
  }

  // Records were added from this window: the caller is told so and gets the last one.
  if (!LastInsertedPosition.empty()) {
    Response = ResponseCompleted;
    // The caller is told a record was added either way; a failed read leaves the buffer.
    if (primary) (void)primary->RereadAtPosition(LastInsertedPosition);
  }
  return EventGoOn;
}

int32_t WindowController::AfterInsertSaved() {
  if (!Primary || Primary->Insert() != LevelQuiet) {
    // The file manager has said why; the user corrects the record.
    FocusFirstField();
    return EventConsumed;
  }
  if (!Config.BatchProcessing) {
    if (Config.InsertAction == InsertCloses) {
      PostCompletion(ResponseCompleted);
      return EventGoOn;
    }
    if (Config.InsertAction == InsertAsksAnother && RaiseQuestion(MessageId::RecordAdded) != LevelQuiet) {
      PostCompletion(ResponseCompleted);
      return EventGoOn;
    }
  }
  if (Config.InsertAction != InsertPrimesNext && Config.InsertAction != InsertAsksAnother && !Config.BatchProcessing) return EventGoOn;
  return PrimeNextInsert();
}

int32_t WindowController::AfterChangeSaved() {
  int32_t result = LevelQuiet;
  bool written = false;
  for (;;) {
    result = WriteChange(written);
    if (result == LevelAsk) {
      const int32_t answer = AskYesNoCancel(MessageId::RecordUpdate);
      if (answer == Button::Yes) continue;
      if (answer == Button::No) {
        if (OriginalRequest != RequestInsert) WindowModel::Post(MyWindow, Event::CloseWindow);
      } else {
        WindowModel::Display(MyWindow);
        FocusFirstField();
      }
    } else if (result != LevelQuiet) {
      // Already reported by the managers (a record changed elsewhere is shown as it is now).
      WindowModel::Display(MyWindow);
      FocusFirstField();
    }
    break;
  }

  if (result == LevelQuiet) {
    if (written) Response = ResponseCompleted;
    else if (Toolbar && VCRRequest && *VCRRequest == 0) Response = ResponseCompleted;
    if (OriginalRequest == RequestChange) {
      if (Config.BatchProcessing) return MoveFormOn();
      if (Config.ChangeAction == ChangeCloses) {
        Finishing = true;
        WindowModel::Post(MyWindow, Event::CloseWindow);
      }
    }
  }

  if (result != LevelQuiet) return EventConsumed;
  if (OriginalRequest == RequestInsert && Response == ResponseCompleted) {
    // An insert saved earlier with the save button is complete now.
    EnableCancelButtons();
    Request = RequestInsert;
    if (Config.InsertAction == InsertPrimesNext) return PrimeNextInsert();
    if (!Config.BatchProcessing && Config.ChangeAction == ChangeCloses) WindowModel::Post(MyWindow, Event::CloseWindow);
  }
  return EventGoOn;
}

int32_t WindowController::OnDeleteCompleted() {
  if (!Primary) return EventGoOn;
  for (;;) {
    Response = ResponseCancelled;
    int32_t result = LevelQuiet;
    {
      BusyCursor busy;
      result = Primary->Delete(ConfirmationOf(Config.DeleteAction));
    }
    if (result == LevelQuiet || result == LevelDeclined) {
      if (Config.BatchProcessing) return MoveFormOn();
      // A delete the user declined is no completed delete: the caller must not act
      // as if the record had gone.
      PostCompletion(result == LevelQuiet ? ResponseCompleted : ResponseCancelled);
      return EventGoOn;
    }
    const int32_t answer = AskYesNoCancel(MessageId::RecordDelete);
    if (answer == Button::Yes) continue;
    if (answer == Button::No) {
      if (!Config.BatchProcessing) WindowModel::Post(MyWindow, Event::CloseWindow);
      break;
    }
    if (answer == Button::Cancel) {
      WindowModel::Display(MyWindow);
      FocusFirstField();
      break;
    }
  }
  if (Config.BatchProcessing) {
    RenewSaved();
    WindowModel::Display(MyWindow);
    FocusFirstField();
    return EventConsumed;
  }
  return EventGoOn;
}

int32_t WindowController::ChangeRecordSave() {
  int32_t result = LevelQuiet;
  bool written = false;
  for (;;) {
    result = WriteChange(written);
    if (result == LevelAsk) {
      const int32_t answer = AskYesNoCancel(MessageId::RecordUpdate);
      if (answer == Button::Yes) continue;
      if (answer != Button::No) {
        WindowModel::Display(MyWindow);
        FocusFirstField();
      }
    } else if (result != LevelQuiet) {
      WindowModel::Display(MyWindow);
      FocusFirstField();
    }
    break;
  }
  if (result == LevelQuiet) {
    RenewSaved();
    DisableCancelButtons();
  }
  Request = RequestChange;
  return EventConsumed;
}

int32_t WindowController::InsertRecordSave() {
  framework::data::FileManager* primary = PrimaryFile();
  if (!primary) return EventConsumed;
  if (BeforeSaveRequest == RequestInsert) {
    if (Primary->Insert() != LevelQuiet) {
      Request = RequestInsert;
      return EventConsumed;
    }
    // The record exists now: from here on the form changes it.
    Request = RequestChange;
    FocusFirstField();
    RenewSaved();
    DisableCancelButtons();
    return EventConsumed;
  }
  Request = RequestChange;
  if (primary->MatchesSnapshot(Saved)) return EventConsumed;
  return ChangeRecordSave();
}

// ---- Non-virtual operations ---------------------------------------------------

void WindowController::OnOkPressed() {
  if (Finishing) return;
  switch (OriginalRequest) {
    case RequestInsert:
    case RequestChange:
    case RequestView:
      if (OriginalRequest == RequestView && !Config.BatchProcessing) WindowModel::Post(MyWindow, Event::Completed);
      WindowModel::SelectForCompletion(MyWindow);
      break;
    default:
      if (!Config.BatchProcessing) WindowModel::Post(MyWindow, Event::Completed);
      else WindowModel::SelectForCompletion(MyWindow);
      break;
  }
}

void WindowController::RememberFieldValues() {
  if (!History) return;
  const void* previous = nullptr;
  for (const HistoryEntry& entry : *History) {
    if (entry.FRecord.Address == previous) continue;
    previous = entry.FRecord.Address;
    if (!entry.FRecord.Address || !entry.SRecord || !entry.FRecord.Type) continue;
    const runtime::data::RecordType& type = *entry.FRecord.Type;
    for (size_t field = 0; field < type.FieldCount(); ++field)
      type.Ref(entry.SRecord, field).Assign(type.Ref(entry.FRecord.Address, field));
  }
}

void WindowController::DisableCancelButtons() {
  if (!Config.DisableCancelButton || !Buttons) return;
  for (const ButtonEntry& button : *Buttons)
    if (button.Action == ResponseCancelled) SetEnabled(button.Control, ControlState::Disabled);
}

void WindowController::EnableCancelButtons() {
  if (!Config.DisableCancelButton || !Buttons) return;
  for (const ButtonEntry& button : *Buttons)
    if (button.Action == ResponseCancelled) SetEnabled(button.Control, ControlState::Enabled);
}

// ---- Private helpers ------------------------------------------------------------

int32_t WindowController::AskYesNoCancel(int32_t messageId) {
  if (!Errors) return Button::Cancel;
  return Errors->AskMessage(messageId, Button::YesNoCancel, Button::Cancel);
}

int32_t WindowController::RaiseQuestion(int32_t messageId) {
  if (!Errors) return LevelQuiet;
  return Errors->RaiseError(messageId);
}

int32_t WindowController::WriteChange(bool& written) {
  Response = ResponseCancelled;
  framework::data::FileManager* primary = PrimaryFile();
  written = false;
  if (!primary) return LevelQuiet;
  BusyCursor busy;
  if (primary->MatchesSnapshot(Saved)) return LevelQuiet;
  written = true;
  // A form that can recall the user's values (Ctrl+H) says so when the record turns
  // out to have been changed elsewhere.
  // A form with a history key can recall the typed values after a change elsewhere.
  return Primary->Update(Config.HistoryKey != 0 ? framework::data::UpdateSource::Form
                                                : framework::data::UpdateSource::Program);
}

int32_t WindowController::PrimeNextInsert() {
  framework::data::FileManager* primary = PrimaryFile();
  if (!primary) return EventConsumed;
  LastInsertedPosition = primary->GetPosition();
  if (Files)
    for (FileEntry& file : *Files) {
      if (!file.Manager) continue;
      file.Manager->RestoreSnapshot(file.Saved, framework::data::SnapshotUse::Restore);
      file.Saved = file.Manager->SnapshotBuffer();
    }
  // Back to the record the form started from, primed afresh.
  primary->RestoreSnapshot(Saved, framework::data::SnapshotUse::Restore);
  (void)primary->EnsureUsable(UseType::Window);  // as in PrepareRequest
  if (primary->ReserveAutoNumber() != LevelQuiet) {
    WindowModel::Post(MyWindow, Event::CloseWindow);
  } else {
    FillNewRecord();
    Response = ResponseCancelled;
  }
  Saved = primary->SnapshotBuffer();
  WindowModel::Display(MyWindow);
  FocusFirstField();
  return EventConsumed;
}

void WindowController::RenewSaved() {
  framework::data::FileManager* primary = PrimaryFile();
  if (!primary) return;
  primary->RestoreSnapshot(Saved, framework::data::SnapshotUse::Discard);
  Saved = primary->SnapshotBuffer();
}

int32_t WindowController::MoveFormOn() {
  // Without a navigator the form stays on its record.
  if (FormVCR != nullptr) (void)FormVCR->MoveOn();
  RenewSaved();
  WindowModel::Display(MyWindow);
  FocusFirstField();
  return EventConsumed;
}

}  // namespace framework::window
