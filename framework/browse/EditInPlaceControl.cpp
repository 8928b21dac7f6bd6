#include "framework/browse/EditInPlaceControl.h"

#include <string>

#include "runtime/ui/ControlType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace framework::browse {
namespace {

using runtime::ui::Event;
using runtime::ui::Key;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

struct KeyAction {
  int32_t Slot;
  int32_t Key;
  int32_t Action;
};

constexpr KeyAction Keys[] = {
    {EditInPlaceControl::TabSlot, Key::Tab, EditInPlaceControl::ActionNextColumn},
    {EditInPlaceControl::ShiftTabSlot, Key::Shift + Key::Tab, EditInPlaceControl::ActionPreviousColumn},
    {EditInPlaceControl::EnterSlot, Key::Enter, EditInPlaceControl::ActionComplete},
    {EditInPlaceControl::EscSlot, Key::Esc, EditInPlaceControl::ActionAbandon},
    {EditInPlaceControl::DownSlot, Key::Down, EditInPlaceControl::ActionNextRecord},
    {EditInPlaceControl::UpSlot, Key::Up, EditInPlaceControl::ActionPreviousRecord},
};

}  // namespace

EditInPlaceControl::~EditInPlaceControl() { EditInPlaceControl::Teardown(); }

void EditInPlaceControl::CreateControl() {
  runtime::ui::ControlDefinition definition;
  definition.Type = runtime::ui::ControlType::Entry;
  definition.Name = NamePrefix + std::to_string(FieldNo);
  definition.Hidden = true;
  Feq = WindowModel::CreateControl(Window, definition);
  // The editor sits over the list's cell; the front end places it there.
  if (Feq != 0) WindowModel::SetPropInt(Window, Feq, Prop::Parent, ListBoxFeq);
}

void EditInPlaceControl::Init(int32_t window, int32_t column, int32_t listControl, runtime::data::FieldRef queueField) {
  Window = window;
  FieldNo = column;
  ListBoxFeq = listControl;
  UseVar = queueField;
  CreateControl();
  if (Feq == 0) return;
  const std::string picture = WindowModel::GetProp(Window, ListBoxFeq, Prop::ColumnPicture, column);
  WindowModel::Bind(Window, Feq, UseVar, picture.empty() ? std::string() : "@" + picture);
  RegisterAlertKeys();
}

void EditInPlaceControl::Teardown() {
  if (Feq != 0) WindowModel::DestroyControl(Window, Feq);
  Feq = 0;
  UseVar = runtime::data::FieldRef();
}

void EditInPlaceControl::RegisterAlertKeys() {
  for (const KeyAction& k : Keys) WindowModel::SetPropInt(Window, Feq, Prop::Alert, k.Key, k.Slot);
}

void EditInPlaceControl::SetReadOnly(bool flag) {
  ReadOnly = flag ? 1 : 0;
  WindowModel::SetPropInt(Window, Feq, Prop::ReadOnly, ReadOnly);
}

int32_t EditInPlaceControl::OnAccepted(int32_t action) {
  if (Feq == 0 || UseVar.IsNull()) return action;
  if (WindowModel::Update(Window, Feq) != 0) return ActionAbandon;
  return action;
}

int32_t EditInPlaceControl::HandleEvent(const runtime::ui::PostedEvent& event) {
  if (event.Number != Event::AlertKey) return ActionNone;
  const int32_t key = event.KeyCode != Key::None ? event.KeyCode : WindowModel::KeyCode();
  for (const KeyAction& k : Keys)
    if (k.Key == key) return k.Action;
  return ActionNone;
}

int32_t EditInPlaceControl::GetFeq() { return Feq; }

bool EditInPlaceControl::ReattachRequired(int32_t column) {
  (void)column;
  return false;
}

}  // namespace framework::browse
