#pragma once
// The editor of one list column while a browse edits a row in place: an entry control
// created on the browse's window at run time, bound to the display-queue field the
// column shows and laid over the column's cell when the edit manager attaches it
// (the list's EditControl property for the column). The keys that move the edit on
// (Tab, Shift+Tab, Enter, Esc, Down, Up) are its alert keys; HandleEvent turns them
// into the manager's action codes.
//
// Thread safety: the browse's thread only.
//
// Virtual operations are declared in their fixed slot order.

#include <cstdint>

#include "runtime/data/FieldRef.h"
#include "runtime/ui/PostedEvent.h"

namespace framework::browse {

class EditInPlaceControl {
 public:
  // Action codes HandleEvent answers (EditInPlaceManager::OnAction).
  static constexpr int32_t ActionNone = 0;
  static constexpr int32_t ActionNextColumn = 1;
  static constexpr int32_t ActionPreviousColumn = 2;
  static constexpr int32_t ActionComplete = 3;
  static constexpr int32_t ActionAbandon = 4;
  static constexpr int32_t ActionNextRecord = 5;
  static constexpr int32_t ActionPreviousRecord = 6;

  // The alert slots of the editor's keys, in the order of the actions they give.
  static constexpr int32_t TabSlot = 1;
  static constexpr int32_t ShiftTabSlot = 2;
  static constexpr int32_t EnterSlot = 3;
  static constexpr int32_t EscSlot = 4;
  static constexpr int32_t DownSlot = 5;
  static constexpr int32_t UpSlot = 6;

  // The name the created entry carries, followed by its list column ("?EditInPlace:2").
  static constexpr const char* NamePrefix = "?EditInPlace:";

  EditInPlaceControl() = default;
  virtual ~EditInPlaceControl();
  EditInPlaceControl(const EditInPlaceControl&) = delete;
  EditInPlaceControl& operator=(const EditInPlaceControl&) = delete;

  // ---- Virtual operations, in slot order ----
  // Creates the entry (hidden until attached); Feq := its number.
  virtual void CreateControl();
  // Stores the column, the list and the queue field; creates the control, binds it to
  // the field with the column's picture, registers the alert keys.
  virtual void Init(int32_t window, int32_t column, int32_t listControl, runtime::data::FieldRef queueField);
  // Destroys the control; safe to call twice.
  virtual void Teardown();
  virtual void RegisterAlertKeys();
  virtual void SetReadOnly(bool flag);
  // Copies the control's screen text into the queue field; the action unchanged. A
  // text the column's picture refuses answers ActionAbandon, so the row is not saved
  // with a value the user did not type.
  virtual int32_t OnAccepted(int32_t action);
  // The action of an alert key of the control; 0 for anything else.
  virtual int32_t HandleEvent(const runtime::ui::PostedEvent& event);
  virtual int32_t GetFeq();
  virtual bool ReattachRequired(int32_t column);

  // ---- Fields, in the fixed order ----
  int32_t Feq = 0;
  runtime::data::FieldRef UseVar;
  int32_t ListBoxFeq = 0;
  uint8_t ReadOnly = 0;
  int32_t FieldNo = 0;
  // The column must not be empty when the row is saved.
  uint8_t Req = 0;

 private:
  int32_t Window = 0;
};

}  // namespace framework::browse
