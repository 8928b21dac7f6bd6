#include "framework/window/WindowController.h"

#include <algorithm>
#include <thread>

#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/window/FrameCloseDown.h"
#include "framework/window/ToolbarManager.h"
#include "framework/window/WindowComponent.h"
#include "framework/window/WindowResizer.h"
#include "framework/window/WindowTranslator.h"
#include "runtime/text/ExpressionScope.h"
#include "runtime/ui/ControlType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventLoop.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace framework::window {
namespace {

using runtime::ui::Event;
using runtime::ui::Key;
using runtime::ui::PostedEvent;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

// Pointer events some front ends report on lists; like the drag events they never
// change what a component shows.
constexpr int32_t MouseUpEvent = 11;
constexpr int32_t MouseInEvent = 12;

// The fourth argument of the Resized post: the layout follows a size change.
constexpr int32_t ResizedBySizeChange = 1;
// The beep of a refused entry: frequency in hertz, duration in hundredths of a second.
constexpr int32_t RejectBeepFrequency = 150;
constexpr int32_t RejectBeepDuration = 16;

bool Has(uint8_t flags, uint8_t bit) { return (flags & bit) != 0; }

}  // namespace

WindowController::~WindowController() {
  if (!Dead && CL) WindowController::Teardown();
}

// ---- Virtual operations -----------------------------------------------------
// The record protocol (PrepareRequest, PostCompletion, OnCompleted, OnCloseRequest,
// the After... and ...RecordSave operations, OnOkPressed and its companions) lives in
// WindowControllerRequests.cpp.

void WindowController::EventLoop() {
  if (Dead) return;
  LastInsertedPosition.clear();
  // The runtime obeys the results itself: 3 ends the loop, 5 consumes the event,
  // anything else lets it complete the event normally.
  runtime::ui::EventLoop::Run(MyWindow, [this](const PostedEvent& event) {
    const int32_t result = HandleEvent(event);
    // The runtime closes the window after a close request left to it; what the
    // window looked like is still wanted by Teardown (its saved position).
    const bool closes = (event.Number == Event::CloseWindow || event.Number == Event::CloseDown) &&
                        result != EventConsumed && result != EventEndLoop;
    if (closes) ClosedState = WindowModel::Snapshot(MyWindow);
    return result;
  });
}

int32_t WindowController::Init() {
  OriginalRequest = Request;
  CL = std::make_unique<std::vector<ComponentEntry>>();
  Buttons = std::make_unique<std::vector<ButtonEntry>>();
  runtime::text::ExpressionScope::Push();
  ScopePushed = true;
  // A right click that opened a menu elsewhere must not reach this window as its own.
  const int32_t key = WindowModel::KeyCode();
  if (key == Key::MouseRight || key == Key::MouseRightUp) WindowModel::SetKeyCode(Key::None);
  Config.InsertAction = DefaultInsertAction;
  Config.DeleteAction = DefaultDeleteAction;
  Config.ChangeAction = DefaultChangeAction;
  Config.CancelAction = DefaultCancelAction;
  Config.AutoToolbar = true;
  Config.AutoRefresh = true;
  OwnerWindow = 0;
  return EventGoOn;
}

int32_t WindowController::Teardown() {
  if (Dead || !CL) return AlreadyDead;
  while (!CL->empty()) {
    WindowComponent* component = CL->front().WC;
    CL->erase(CL->begin());
    if (component) component->Teardown();
  }
  CL.reset();
  Buttons.reset();
  History.reset();
  if (Files) {
    for (FileEntry& file : *Files)
      if (file.Manager) file.Manager->RestoreSnapshot(file.Saved, framework::data::SnapshotUse::Discard);
    Files.reset();
  }
  if (framework::data::FileManager* primary = PrimaryFile())
    primary->RestoreSnapshot(Saved, framework::data::SnapshotUse::Discard);
  if (Toolbar) Toolbar->Teardown();
  if (Resize) Resize->Teardown();
  Dead = true;
  if (ScopePushed) {
    runtime::text::ExpressionScope::Pop();
    ScopePushed = false;
  }
  return EventGoOn;
}

void WindowController::WindowOpened() {
  if (Translator) Translator->TranslateWindow(MyWindow);
  Reset(ResetMode::IfChanged);
  Inited |= InitedFirstOpen;
}

void WindowController::Open(const runtime::ui::WindowDefinition& window, int32_t owner) {
  if (owner != 0) OwnerWindow = owner;
  MyWindow = WindowModel::Open(window, OwnerWindow);
  Opened = true;
}

void WindowController::FillNewRecord() {}

void WindowController::Reset(ResetMode mode) {
  if (WindowModel::GetPropInt(MyWindow, 0, Prop::ResetSuspended) != 0) return;
  bool force = mode == ResetMode::Forced || ForcedReset;
  ForcedReset = false;
  if (CL) {
    // By index: a component may register or unregister others while it resets.
    for (size_t i = 0; i < CL->size(); ++i) {
      const ComponentEntry entry = (*CL)[i];
      if (!entry.WC) continue;
      if (entry.Type != ComponentEditsPrimary) {
        entry.WC->Reset(force ? ResetMode::Forced : ResetMode::IfChanged);
        continue;
      }
      framework::data::FileManager* primary = PrimaryFile();
      if (entry.WC->PrimaryBufferRestoreRequired()) {
        if (primary) primary->RestoreSnapshot(Saved, framework::data::SnapshotUse::Restore);
        entry.WC->PrimaryBufferRestored();
        force = true;
      }
      entry.WC->Reset(force ? ResetMode::Forced : ResetMode::IfChanged);
      if (entry.WC->PrimaryBufferSaveRequired()) {
        if (primary) Saved = primary->SnapshotBuffer();
        entry.WC->PrimaryBufferSaved();
      }
    }
    for (size_t i = 0; i < CL->size(); ++i)
      if (WindowComponent* component = (*CL)[i].WC) component->RefreshControls();
  }
  WindowModel::Display(MyWindow);
}

void WindowController::RecallField(int32_t control) {
  if (!History || control == 0) return;
  for (const HistoryEntry& entry : *History) {
    if (entry.Control != control) continue;
    const runtime::data::RecordType* type = entry.FRecord.Type;
    if (!type || entry.FieldNo < 1 || static_cast<size_t>(entry.FieldNo) > type->FieldCount()) return;
    const auto field = static_cast<size_t>(entry.FieldNo - 1);
    type->Ref(entry.FRecord.Address, field).Assign(type->Ref(entry.SRecord, field));
    WindowModel::Display(MyWindow, control);
    return;
  }
}

uint8_t WindowController::Run() {
  if (Init() == EventGoOn) EventLoop();
  Teardown();
  return Response != ResponseNone ? Response : ResponseCancelled;
}

uint8_t WindowController::Run(int32_t number, uint8_t request) {
  (void)number;
  (void)request;
  return ResponseCancelled;
}

void WindowController::RegisterAlertKeys() {
  if (CL)
    for (size_t i = 0; i < CL->size(); ++i)
      if (WindowComponent* component = (*CL)[i].WC) component->RegisterAlertKeys();
  if (History)
    for (const HistoryEntry& entry : *History)
      WindowModel::SetPropInt(MyWindow, entry.Control, Prop::Alert, Config.HistoryKey, HistoryAlertSlot);
}

int32_t WindowController::OnAccepted() {
  const int32_t control = InHand.Control;
  if (Toolbar) {
    Toolbar->HandleEvent(VCRRequest, control);
    if (control == ToolbarManager::HistoryButton) RecallField(FocusedControl());
  }
  if (Buttons)
    for (const ButtonEntry& button : *Buttons) {
      if (button.Control != control) continue;
      PostCompletion(button.Action);
      return EventConsumed;
    }
  if (Config.OkControl != 0 && control == Config.OkControl) OnOkPressed();
  if (Config.SaveControl != 0 && control == Config.SaveControl) {
    if (Request == RequestView) return EventConsumed;
    BeforeSaveRequest = Request;
    Request = RequestSave;
    OnOkPressed();
  }
  EnableCancelButtons();
  return EventGoOn;
}

int32_t WindowController::HandleEvent(const PostedEvent& event) {
  InHand = event;
  struct ClearInHand {
    PostedEvent& Target;
    ~ClearInHand() { Target = PostedEvent{}; }
  } clear{InHand};

  // The resizer is called on the window events it registered for before the
  // window's own handling sees them, so handlers find the controls already in place.
  if (Resize && event.Control == 0) Resize->TakeEvent(event.Number);

  if (event.Control == 0)
    if (int32_t result = OnWindowEvent(); result != EventGoOn) return result;

  int32_t result = EventGoOn;
  switch (event.Number) {
    case Event::Accepted: result = OnAccepted(); break;
    case Event::NewSelection: result = OnNewSelection(); break;
    case Event::Rejected: result = OnRejected(); break;
    case Event::Selected: result = OnSelected(); break;
    case Event::AlertKey: {
      const int32_t key = event.KeyCode != Key::None ? event.KeyCode : WindowModel::KeyCode();
      // The control the key was pressed in: the focus may have moved on since.
      if (Config.HistoryKey != 0 && key == Config.HistoryKey) RecallField(event.Control != 0 ? event.Control : FocusedControl());
      break;
    }
    case Event::DoResize:
      WindowModel::Post(MyWindow, Event::Resized, 0, ResizedBySizeChange);
      break;
    default: break;
  }
  if (result != EventGoOn) return result;

  if (event.Control != 0)
    if (result = OnFieldEvent(); result != EventGoOn) return result;

  if (CL)
    for (size_t i = 0; i < CL->size(); ++i) {
      WindowComponent* component = (*CL)[i].WC;
      if (!component) continue;
      if (result = component->HandleEvent(event); result != EventGoOn) return result;
    }

  if (Config.AutoRefresh && CL && !SkipsAutoRefresh(event))
    for (size_t i = 0; i < CL->size(); ++i) {
      WindowComponent* component = (*CL)[i].WC;
      if (component && component->ResetRequired()) {
        Reset(ResetMode::IfChanged);
        break;
      }
    }
  return EventGoOn;
}

int32_t WindowController::OnFieldEvent() { return EventGoOn; }

int32_t WindowController::OnNewSelection() {
  const int32_t control = InHand.Control;
  if (WindowModel::GetPropInt(MyWindow, control, Prop::Type) == runtime::ui::ControlType::Sheet) {
    Reset(ResetMode::IfChanged);
    if (Config.AutoToolbar && Toolbar) Toolbar->ChooseTarget(0);
  }
  return EventGoOn;
}

int32_t WindowController::OnNotify(int32_t code, int32_t thread, int64_t parameter) {
  (void)code;
  (void)thread;
  (void)parameter;
  return EventGoOn;
}

int32_t WindowController::OnRejected() {
  // A short warning beep; the refused control is shown again and keeps the focus.
  WindowModel::Beep(RejectBeepFrequency, RejectBeepDuration);
  const int32_t control = InHand.Control;
  WindowModel::Display(MyWindow, control);
  if (control != 0) WindowModel::Select(MyWindow, control);
  return EventGoOn;
}

int32_t WindowController::OnSelected() { return EventGoOn; }

int32_t WindowController::OnWindowEvent() {
  switch (InHand.Number) {
    case Event::CloseWindow:
    case Event::CloseDown: {
      const int32_t result = OnCloseRequest();
      // The application frame closes last: every other window gets its chance to
      // close (or to decline) first.
      if (result == EventGoOn && IsFrame() && !FrameCloseDown::CloseOthers(MyWindow)) return EventConsumed;
      return result;
    }
    case Event::OpenWindow:
      if (!Has(Inited, InitedFirstOpen)) WindowOpened();
      if (Config.FirstField != 0) WindowModel::Select(MyWindow, Config.FirstField);
      return EventGoOn;
    case Event::LoseFocus:
      if (Config.ResetOnGainFocus) ForcedReset = true;
      return EventGoOn;
    case Event::GainFocus:
      if (Has(Inited, InitedFirstOpen)) Reset(ResetMode::IfChanged);
      else WindowOpened();
      return EventGoOn;
    case Event::Notify: {
      const int32_t result = OnNotify(InHand.NotifyCode, InHand.NotifyThread, InHand.NotifyParameter);
      if (result == EventGoOn && InHand.NotifyCode == Event::GainFocus) {
        // Another thread asks this window to come forward.
        std::this_thread::yield();
        if (WindowModel::GetPropInt(MyWindow, 0, Prop::Iconize) != 0) WindowModel::SetPropInt(MyWindow, 0, Prop::Iconize, 0);
        WindowModel::SetPropInt(MyWindow, 0, Prop::Active, 1);
        const auto owner = static_cast<int32_t>(WindowModel::GetPropInt(MyWindow, 0, Prop::Thread));
        WindowModel::PostToThread(owner, Event::GainFocus);
      }
      return result;
    }
    case Event::Completed: return OnCompleted();
    case Event::Sized:
    case Event::Maximized:
    case Event::Restored:
      // The front end changed the window's size: the layouts follow through DoResize.
      WindowModel::Post(MyWindow, Event::DoResize);
      return EventGoOn;
    case Event::DoResize:
      if (Has(Inited, InitedResizeSeen)) Reset(ResetMode::IfChanged);
      else Inited |= InitedResizeSeen;
      return EventGoOn;
    default: return EventGoOn;
  }
}

void WindowController::Update() {
  if (!CL) return;
  for (size_t i = 0; i < CL->size(); ++i)
    if (WindowComponent* component = (*CL)[i].WC) component->Update();
}

void WindowController::SetEnabled(int32_t control, ControlState state) {
  if (control == 0) return;
  if (state == ControlState::Disabled) WindowModel::Disable(MyWindow, control);
  else WindowModel::Enable(MyWindow, control);
}

void WindowController::FocusFirstField() {
  if (Config.FirstField != 0) WindowModel::Select(MyWindow, Config.FirstField);
}

// ---- Non-virtual operations ---------------------------------------------------

void WindowController::RegisterComponent(WindowComponent& component, int32_t type) {
  if (!CL) CL = std::make_unique<std::vector<ComponentEntry>>();
  CL->push_back(ComponentEntry{type, &component});
}

void WindowController::AddBrowse(WindowComponent& browse, uint8_t& selecting) {
  RegisterComponent(browse);
  if (Request == RequestSelect) selecting = 1;
}

void WindowController::UnregisterComponent(WindowComponent& component) {
  if (!CL) return;
  std::erase_if(*CL, [&](const ComponentEntry& e) { return e.WC == &component; });
}

void WindowController::AddButton(int32_t control, uint8_t action) {
  if (!Buttons) Buttons = std::make_unique<std::vector<ButtonEntry>>();
  Buttons->push_back(ButtonEntry{control, action});
}

void WindowController::AddFile(framework::data::FileManager& manager) {
  if (!Files) Files = std::make_unique<std::vector<FileEntry>>();
  Files->push_back(FileEntry{&manager, 0});
}

void WindowController::AddDittoFile(RecordRef record, void* saveArea) {
  if (!History) History = std::make_unique<std::vector<HistoryEntry>>();
  DittoRecord = record;
  DittoSave = saveArea;
}

void WindowController::AddDittoField(int32_t control, int32_t fieldNo) {
  if (!History) History = std::make_unique<std::vector<HistoryEntry>>();
  const HistoryEntry entry{DittoRecord, DittoSave, control, fieldNo};
  auto at = std::upper_bound(History->begin(), History->end(), control,
                             [](int32_t key, const HistoryEntry& e) { return key < e.Control; });
  History->insert(at, entry);
}

void WindowController::SetToolbar(ToolbarManager& toolbar) {
  Toolbar = &toolbar;
  Toolbar->Init();
}

void WindowController::SetResizer(WindowResizer& resizer) { Resize = &resizer; }

bool WindowController::SkipsAutoRefresh(const PostedEvent& event) const {
  switch (event.Number) {
    case MouseUpEvent:
    case MouseInEvent:
    case Event::Dragging:
    case Event::Drag:
    case Event::TabChanging:
    case Event::Expanding:
    case Event::Contracting:
    case Event::DroppingDown:
    case Event::Selecting:
    case Event::LoseFocus:
    case Event::GainFocus:
      return true;
    case Event::ScrollUp:
    case Event::ScrollDown:
    case Event::PageUp:
    case Event::PageDown:
    case Event::ScrollTop:
    case Event::ScrollBottom:
    case Event::ScrollDrag:
    case Event::ColumnResize:
      // A list that takes its scroll events at once has already redrawn itself.
      return WindowModel::GetPropInt(MyWindow, event.Control, Prop::Immediate) != 0;
    default:
      return event.Number >= Event::Docked && event.Number <= Event::Restored;
  }
}

std::optional<runtime::ui::Window> WindowController::WindowState() const {
  if (auto live = WindowModel::Snapshot(MyWindow)) return live;
  return ClosedState;
}

// ---- Private ------------------------------------------------------------------

framework::data::FileManager* WindowController::PrimaryFile() const {
  return Primary ? Primary->GetFileManager() : nullptr;
}

int32_t WindowController::FocusedControl() const {
  const auto focus = static_cast<int32_t>(WindowModel::GetPropInt(MyWindow, 0, Prop::Focus));
  return focus != 0 ? focus : InHand.Control;
}

bool WindowController::IsFrame() const {
  auto window = WindowModel::Snapshot(MyWindow);
  return window && window->Frame;
}

}  // namespace framework::window
