#pragma once
// The class behind every window procedure. One instance lives for one window: Run
// does Init (defaults, registrations, files, the window opened), EventLoop (each
// event goes to the controller's handlers and then to every registered
// WindowComponent) and Teardown (components torn down, files and toolbar released),
// and returns the response left for the caller. A window procedure derives from it,
// overrides a few virtual operations and calls the base operation explicitly.
//
// Results of every On... handler, of HandleEvent and of the components: EventGoOn (the
// runtime completes the event), EventConsumed, EventEndLoop.
//
// The event in hand is handed to HandleEvent; the handlers it calls read it with
// EventInHand(). Operations that call other procedures (a form from a browse) nest
// their windows on the same thread.
//
// Thread safety: a controller belongs to the thread that runs it; nothing in it is
// locked. Other threads reach its window only through the runtime (posts and
// notifications, which arrive here as events).
//
// Virtual operations are declared in their fixed slot order.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/error/ErrorManager.h"
#include "framework/window/WindowComponent.h"
#include "framework/window/WindowSettings.h"
#include "runtime/data/RecordType.h"
#include "runtime/files/FileLimits.h"
#include "runtime/ui/PostedEvent.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowDefinition.h"

namespace framework::data {
class FileManager;
class RelationManager;
}  // namespace framework::data

namespace framework::window {

class FormNavigator;  // moves a batch-processing form from record to record
class ToolbarManager;
class WindowComponent;
class WindowResizer;
class WindowTranslator;

class WindowController {
 public:
  // Requests (Request, OriginalRequest, BeforeSaveRequest, ThreadRequest); 0 none.
  static constexpr uint8_t RequestNone = 0;
  static constexpr uint8_t RequestInsert = 1;
  static constexpr uint8_t RequestChange = 2;
  static constexpr uint8_t RequestDelete = 3;
  static constexpr uint8_t RequestSelect = 4;
  static constexpr uint8_t RequestView = 6;
  static constexpr uint8_t RequestSave = 7;  // internal: the save button was pressed

  // Responses (Response, ThreadResponse, a button's Action).
  static constexpr uint8_t ResponseNone = 0;
  static constexpr uint8_t ResponseCompleted = 1;
  static constexpr uint8_t ResponseCancelled = 2;

  // Event-handling results.
  static constexpr int32_t EventGoOn = 0;
  static constexpr int32_t EventEndLoop = 3;
  static constexpr int32_t EventConsumed = 5;

  // Result of Teardown when it has already run (or Init never did).
  static constexpr int32_t AlreadyDead = 5;

  // Inited bits.
  static constexpr uint8_t InitedFirstOpen = 1;   // first-open work done
  static constexpr uint8_t InitedResizeSeen = 2;  // event DoResize seen once

  // Component types in CL: Type 0 gets only Reset during a reset; Type 1 edits the
  // primary record and gets the full buffer protocol.
  static constexpr int32_t ComponentResetOnly = 0;
  static constexpr int32_t ComponentEditsPrimary = 1;

  // The alert slot that carries HistoryKey on every history control.
  static constexpr int32_t HistoryAlertSlot = 255;
  // Bytes kept of LastInsertedPosition.
  static constexpr size_t PositionLimit = runtime::files::FileLimits::PositionLength;

  // InsertAction: what a successful insert leads to.
  static constexpr uint8_t InsertStays = 1;        // stay on the inserted record, nothing more
  static constexpr uint8_t InsertCloses = 2;       // close, response completed
  static constexpr uint8_t InsertPrimesNext = 3;   // prime a new record and stay
  static constexpr uint8_t InsertAsksAnother = 4;  // ask "Record Added": Yes primes, No closes
  // ChangeAction: any other value stays in the form after a change.
  static constexpr uint8_t ChangeCloses = 2;
  // DeleteAction: any other value shows the window and deletes on OK without asking.
  static constexpr uint8_t DeleteConfirmedAtOnce = 2;  // asked "Confirm Delete", window never shown
  static constexpr uint8_t DeleteAtOnce = 4;           // deleted without asking or showing
  // CancelAction bits; 0 closes without looking at the record.
  static constexpr uint8_t CancelSavesChanges = 1;  // unsaved changes go through the OK path
  static constexpr uint8_t CancelAsks = 2;          // ...after "Save Record"; alone: "Changes will be lost!"

  // Defaults set by the base Init.
  static constexpr uint8_t DefaultInsertAction = InsertCloses;
  static constexpr uint8_t DefaultDeleteAction = DeleteConfirmedAtOnce;
  static constexpr uint8_t DefaultChangeAction = ChangeCloses;
  static constexpr uint8_t DefaultCancelAction = CancelSavesChanges | CancelAsks;

  struct ButtonEntry {
    int32_t Control = 0;
    uint8_t Action = 0;
  };
  struct ComponentEntry {
    int32_t Type = ComponentResetOnly;
    WindowComponent* WC = nullptr;
  };
  struct FileEntry {
    framework::data::FileManager* Manager = nullptr;
    int16_t Saved = 0;
  };
  // A record reachable by its fields: address and type descriptor (which gives the size).
  struct RecordRef {
    void* Address = nullptr;
    const runtime::data::RecordType* Type = nullptr;
  };
  // A field that can be recalled: field FieldNo (1-based) of FRecord, shown by Control,
  // whose earlier value is kept in SRecord.
  struct HistoryEntry {
    RecordRef FRecord;
    void* SRecord = nullptr;
    int32_t Control = 0;
    int32_t FieldNo = 0;
  };

  WindowController() = default;
  // Tears down when that has not happened.
  virtual ~WindowController();
  WindowController(const WindowController&) = delete;
  WindowController& operator=(const WindowController&) = delete;

  // ---- Virtual operations, in slot order ----

  // Runs the window's event loop until the window closes or a handler ends it.
  virtual void EventLoop();
  // Defaults, CL and Buttons created, a scope of bound names pushed; 0 = go on.
  [[nodiscard]] virtual int32_t Init();
  // Components torn down, lists disposed, saved buffers discarded, toolbar and
  // resizer torn down; 0, or 5 when already dead (or never initialised).
  virtual int32_t Teardown();
  // First-open work: translate, reset, mark initialised.
  virtual void WindowOpened();
  // Opens the window from its definition, owned by `owner` (or OwnerWindow when set).
  virtual void Open(const runtime::ui::WindowDefinition& window, int32_t owner);
  // Hook for priming a new record; does nothing.
  virtual void FillNewRecord();
  // Prepares the primary record for the request (snapshots Saved; an insert lets
  // FillNewRecord refuse; a delete with DeleteAction 2 or 4 is carried out here);
  // non-zero = do not run the window.
  [[nodiscard]] virtual int32_t PrepareRequest();
  // Refreshes the components and redisplays the window.
  virtual void Reset(ResetMode mode);
  // Recalls the control's saved value (history), when it has one.
  virtual void RecallField(int32_t control);
  // Init, EventLoop when Init returned 0, Teardown; the response (2 when none).
  virtual uint8_t Run();
  // Calls procedure `number` with a request; the base has none and returns 2.
  virtual uint8_t Run(int32_t number, uint8_t request);
  virtual void RegisterAlertKeys();
  // Sets the response and closes the window.
  virtual void PostCompletion(uint8_t response);
  virtual int32_t OnAccepted();
  // The window's input is complete: remembers the recallable values, then saves as
  // Request says.
  virtual int32_t OnCompleted();
  // Whether the window may close: 0 closes; 5 keeps it (the user kept the unsaved
  // changes, or they are being saved through the OK path).
  virtual int32_t OnCloseRequest();
  // Dispatches one event: window events, control events, OnFieldEvent, the
  // components in order, then the automatic reset.
  [[nodiscard]] virtual int32_t HandleEvent(const runtime::ui::PostedEvent& event);
  virtual int32_t OnFieldEvent();
  virtual int32_t OnNewSelection();
  virtual int32_t OnNotify(int32_t code, int32_t thread, int64_t parameter);
  virtual int32_t OnRejected();
  virtual int32_t OnSelected();
  virtual int32_t OnWindowEvent();
  // Lets every component copy screen values to its buffers.
  virtual void Update();
  // Nothing for control 0.
  enum class ControlState : uint8_t { Enabled, Disabled };
  virtual void SetEnabled(int32_t control, ControlState state);
  // Each of these completes the request on OK; a failed write keeps the window open
  // with the focus on FirstField (5), after the retry question where there is one.
  [[nodiscard]] virtual int32_t AfterInsertSaved();
  [[nodiscard]] virtual int32_t AfterChangeSaved();
  [[nodiscard]] virtual int32_t OnDeleteCompleted();
  // The save button: the record is written and the window stays open as a change form.
  [[nodiscard]] virtual int32_t ChangeRecordSave();
  [[nodiscard]] virtual int32_t InsertRecordSave();
  virtual void FocusFirstField();

  // ---- Non-virtual operations ----

  void RegisterComponent(WindowComponent& component, int32_t type = ComponentResetOnly);
  // Registers a browse's component; in a select request also sets its `selecting` flag.
  void AddBrowse(WindowComponent& browse, uint8_t& selecting);
  // Removes every CL entry for the component.
  void UnregisterComponent(WindowComponent& component);
  void AddButton(int32_t control, uint8_t action);
  void AddFile(framework::data::FileManager& manager);
  // The record (and its save area) that the AddDittoField calls that follow refer to.
  void AddDittoFile(RecordRef record, void* saveArea);
  // A recallable field of the remembered record, kept in Control order.
  void AddDittoField(int32_t control, int32_t fieldNo);
  // Toolbar := toolbar, initialised.
  void SetToolbar(ToolbarManager& toolbar);
  void SetResizer(WindowResizer& resizer);
  void OnOkPressed();
  // Copies every history record into its save area (each record once).
  void RememberFieldValues();
  void DisableCancelButtons();
  void EnableCancelButtons();
  // True for events after which the components are not asked for a reset.
  bool SkipsAutoRefresh(const runtime::ui::PostedEvent& event) const;

  // The window as it is now, or, once it has closed through its loop, as it was when
  // it closed (what a Teardown saves as the window's position); nothing when it never
  // opened.
  std::optional<runtime::ui::Window> WindowState() const;

  // The event HandleEvent is dispatching (an empty one outside it).
  const runtime::ui::PostedEvent& EventInHand() const { return InHand; }
  // True once Teardown has run (a second Teardown does nothing).
  bool IsDead() const { return Dead; }

  // What the window procedure set up (defaults from Init).
  WindowSettings Config;

  // ---- Run-time state, in declaration order ----
  std::unique_ptr<std::vector<ButtonEntry>> Buttons;
  std::unique_ptr<std::vector<ComponentEntry>> CL;
  framework::error::ErrorManager* Errors = nullptr;
  std::unique_ptr<std::vector<FileEntry>> Files;
  bool FilesOpened = false;
  std::unique_ptr<std::vector<HistoryEntry>> History;
  std::string LastInsertedPosition;
  uint8_t OriginalRequest = 0;
  framework::data::RelationManager* Primary = nullptr;
  uint8_t Request = 0;
  WindowResizer* Resize = nullptr;
  uint8_t Response = 0;
  int16_t Saved = 0;
  FormNavigator* FormVCR = nullptr;
  ToolbarManager* Toolbar = nullptr;
  WindowTranslator* Translator = nullptr;
  int32_t* VCRRequest = nullptr;
  int32_t MyWindow = 0;

 protected:
  // Set by Teardown; a window procedure that is run again clears it.
  bool Dead = false;
  // The next Reset resets every component, changed or not (set when the focus left a
  // window with ResetOnGainFocus).
  bool ForcedReset = false;
  // The window was opened by Open (a Teardown saves its position only then).
  bool Opened = false;

 private:
  // InitedFirstOpen / InitedResizeSeen bits.
  uint8_t Inited = 0;
  // The owner given to Open (kept for a window opened again).
  int32_t OwnerWindow = 0;

  // The primary file's manager, or nullptr.
  framework::data::FileManager* PrimaryFile() const;

  // ---- Record protocol helpers (WindowControllerRequests.cpp) ----
  // Asks a retry or save question with Yes, No and Cancel (Cancel the default); the
  // button pressed. Without an error manager the default stands.
  [[nodiscard]] int32_t AskYesNoCancel(int32_t messageId);
  // Raises a Yes/No catalogue question by its severity: 0 for Yes, 4 declined.
  [[nodiscard]] int32_t RaiseQuestion(int32_t messageId);
  // One attempt to write the changed primary record (Response 2 meanwhile); sets
  // `written` when the record differed from Saved and was written or tried.
  [[nodiscard]] int32_t WriteChange(bool& written);
  // The form stays on a freshly primed record after an insert; always 5.
  [[nodiscard]] int32_t PrimeNextInsert();
  // Saved := a fresh snapshot of the primary record, the previous one discarded.
  void RenewSaved();
  // Moves a batch-processing form on to its next record; redisplays; always 5.
  [[nodiscard]] int32_t MoveFormOn();
  // The control with the focus, else the event's own control.
  int32_t FocusedControl() const;
  // The application frame asks every other window to close down first.
  bool IsFrame() const;

  runtime::ui::PostedEvent InHand;
  // The window's last state, kept when the loop let a close request through.
  std::optional<runtime::ui::Window> ClosedState;
  // Remembered by AddDittoFile for the AddDittoField calls that follow.
  RecordRef DittoRecord;
  void* DittoSave = nullptr;
  // The bound-names scope pushed by Init, popped by Teardown.
  bool ScopePushed = false;
  // The request in hand when the save button was pressed.
  uint8_t BeforeSaveRequest = 0;
  // Set once the request is saved and the window's close is on its way: a second OK
  // pressed meanwhile does nothing (it would save the record a second time).
  bool Finishing = false;
};

}  // namespace framework::window
