#include "app/UpdateUrlList.h"

#include <cstring>

#include "app/AppGlobals.h"
#include "app/AppMessages.h"
#include "app/OpenAction.h"
#include "app/ThreadVariables.h"
#include "app/UrlListFile.h"
#include "app/UrlListFileManager.h"
#include "app/UrlListManagers.h"
#include "app/WindowPositions.h"
#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/error/MessageId.h"
#include "runtime/core/OnceGuard.h"
#include "runtime/core/PerThread.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"

namespace app {
namespace {

using framework::data::Walk;
using framework::window::WindowResizer;
using runtime::ui::Event;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

constexpr const char* FontName = "Microsoft Sans Serif";
constexpr int32_t FontSize = 8;
constexpr int32_t FormWidth = 260;
constexpr int32_t FormHeight = 90;

// Action values this form sets besides the controller's named ones.
constexpr uint8_t DeleteOnOk = 1;     // the window is shown (and then refuses the delete)
constexpr uint8_t ChangeStays = 1;    // a view never changes; nothing to close for
constexpr uint8_t CancelNoCheck = 0;  // a view has no changes to lose

runtime::core::PerThread<UrlListRecord> HistorySave;
runtime::core::OnceGuard HistoryCleared;

// Clears the history save area the first time the form runs on this thread.
void ClearHistoryOnce() {
  if (HistoryCleared.Begin() != runtime::core::OnceGuard::Run) return;
  UrlListRecord::Type().Clear(&HistorySave.Get());
  HistoryCleared.Done();
}

}  // namespace

runtime::ui::WindowDefinition UpdateUrlList::Definition() {
  runtime::ui::WindowBuilder b(WindowName);
  b.Caption(Caption).Font(FontName, FontSize).Size(FormWidth, FormHeight);
  b.SystemMenu().Resizable().MdiChild();
  b.Sheet(CurrentTab, "?CURRENTTAB").At(4, 4, 252, 62);
  b.Tab(GeneralTab, "?TAB:1", "&1) General");
  b.Prompt(UrlPrompt, "?URL:URL:PROMPT", "Url:").At(8, 22, 84, 10);
  b.Entry(UrlEntry, "?URL:URL", UrlListRecord::UrlPicture).At(96, 20, 152, 10);
  b.Prompt(NumberPrompt, "?URL:NUMBEROFTIMESTOOPEN:PROMPT", "Number Of Times To Open:").At(8, 38, 84, 10);
  b.Entry(NumberEntry, "?URL:NUMBEROFTIMESTOOPEN", UrlListRecord::NumberOfTimesToOpenPicture).At(96, 36, 40, 10);
  b.Button(OkButton, "?OK", "&OK").At(104, 70, 48, 14).ControlIcon("WAOK.ICO").Message(OkTip).Tip(OkTip).Default();
  b.Button(CancelButton, "?CANCEL", "&Cancel").At(156, 70, 48, 14).ControlIcon("WACANCEL.ICO").Message(CancelTip).Tip(CancelTip);
  b.Button(OpenButton, "?BUTTONOPENURL", "Open").At(208, 70, 48, 14);
  return b.Build();
}

std::string UpdateUrlList::CaptionFor(uint8_t request) {
  switch (request) {
    case RequestView: return ViewCaption;
    case RequestInsert: return InsertCaption;
    case RequestChange: return ChangeCaption;
    default: return {};
  }
}

UrlListRecord& UpdateUrlList::HistorySaveArea() { return HistorySave.Get(); }

void UpdateUrlList::Procedure() {
  ClearHistoryOnce();
  const runtime::ui::WindowDefinition window = Definition();
  framework::window::ToolbarManager toolbar;
  WindowResizer resizer;
  int32_t opened = 0;
  {
    UpdateUrlList form(window, toolbar, resizer);
    *ThreadResponse = form.Run();
    opened = form.MyWindow;
  }
  // A refused request leaves the window open without a loop; the procedure frees it.
  if (opened != 0 && WindowModel::Exists(opened)) WindowModel::Close(opened);
}

UpdateUrlList::UpdateUrlList(const runtime::ui::WindowDefinition& window, framework::window::ToolbarManager& toolbar,
                             WindowResizer& resizer)
    : Window(window), FormToolbar(toolbar), Resizer(resizer) {}

UpdateUrlList::~UpdateUrlList() {
  // The base destructor would run only the base Teardown; files and position need ours.
  UpdateUrlList::Teardown();
}

void UpdateUrlList::EventLoop() {
  if (Request == RequestDelete) {
    // The browse offers no delete through this form; the caller gets "cancelled".
    if (Errors) Errors->RaiseError(framework::error::MessageId::DeleteRefused);
    return;
  }
  CaptionText = CaptionFor(Request).substr(0, CaptionLimit);
  WindowModel::SetProp(MyWindow, 0, Prop::Text, CaptionText);
  WindowController::EventLoop();
}

int32_t UpdateUrlList::Init() {
  AppGlobals::Errors().TrackProcedureName(ProcedureName, framework::error::ErrorManager::Track::Enter);
  Request = *ThreadRequest;
  if (const int32_t result = WindowController::Init(); result != EventGoOn) return result;
  // The first field is the Url entry, the control the "Url:" prompt leads to.
  Config.FirstField = UrlEntry;
  VCRRequest = &*ThreadVcrRequest;
  Errors = &AppGlobals::Errors();
  *ThreadRequest = RequestNone;
  *ThreadResponse = ResponseNone;
  SetToolbar(FormToolbar);
  framework::data::FileManager* access = UrlListManagers::Access();
  framework::data::RelationManager* relate = UrlListManagers::Relate();
  if (!access || !relate) return EventConsumed;  // the thread has no UrlList managers
  AddFile(*access);
  Config.HistoryKey = runtime::ui::Key::CtrlH;
  AddDittoFile({&UrlListFile::Record(), &UrlListRecord::Type()}, &HistorySaveArea());
  AddDittoField(UrlEntry, UrlFieldNo);
  AddDittoField(NumberEntry, NumberFieldNo);
  AddButton(CancelButton, ResponseCancelled);
  // A failed open is reported by the file manager; the window opens regardless.
  (void)relate->Open(Walk::Top);
  FilesOpened = true;
  Primary = relate;

  if (Request != RequestView || Config.BatchProcessing) {
    Config.DeleteAction = DeleteOnOk;
    Config.ChangeAction = ChangeCloses;
    Config.CancelAction = CancelAsks;
    Config.OkControl = OkButton;
    if (PrepareRequest() != EventGoOn) return EventConsumed;
  } else {
    Config.InsertAction = InsertStays;
    Config.DeleteAction = DeleteOnOk;
    Config.ChangeAction = ChangeStays;
    Config.CancelAction = CancelNoCheck;
    Config.OkControl = 0;
  }
  Open(Window, 0);
  Opening.Init(MyWindow, OpenButton);
  RegisterComponent(Opening);
  const runtime::data::RecordType& type = UrlListRecord::Type();
  UrlListRecord& record = UrlListFile::Record();
  WindowModel::Bind(MyWindow, UrlEntry, type.Ref(&record, UrlListRecord::UrlField));
  WindowModel::Bind(MyWindow, NumberEntry, type.Ref(&record, UrlListRecord::NumberOfTimesToOpenField));
  if (Request == RequestView) {
    WindowModel::SetPropInt(MyWindow, UrlEntry, Prop::ReadOnly, 1);
    WindowModel::SetPropInt(MyWindow, NumberEntry, Prop::ReadOnly, 1);
    WindowModel::Disable(MyWindow, OpenButton);
  }
  Resizer.Init(MyWindow, WindowResizer::StrategySurround, WindowResizer::MinimumSize::FirstSize,
               WindowResizer::MaximumSize::Free);
  Resizer.SetParents();
  SetResizer(Resizer);
  AppGlobals::Ini().RestoreWindow(ProcedureName, MyWindow);
  Resizer.Resize();
  RegisterAlertKeys();
  return EventGoOn;
}

int32_t UpdateUrlList::Teardown() {
  if (const int32_t result = WindowController::Teardown(); result != EventGoOn) return result;
  if (FilesOpened)
    if (framework::data::RelationManager* relate = UrlListManagers::Relate()) relate->Close(Walk::Top);
  FilesOpened = false;
  if (Opened)
    if (auto state = WindowState()) WindowPositions::Save(ProcedureName, *state);
  AppGlobals::Errors().TrackProcedureName(ProcedureName, framework::error::ErrorManager::Track::Leave);
  return EventGoOn;
}

uint8_t UpdateUrlList::Run() {
  const uint8_t response = WindowController::Run();
  return OriginalRequest == RequestView ? ResponseCancelled : response;
}

int32_t UpdateUrlList::OnAccepted() {
  const int32_t control = EventInHand().Control;
  if (control == OpenButton) {
    // The record the form edits, saved or not.
    const UrlListRecord& record = UrlListFile::Record();
    Opening.Press(std::string_view(record.Url, strnlen(record.Url, UrlListRecord::UrlSize)),
                  record.NumberOfTimesToOpen);
  }
  const int32_t result = WindowController::OnAccepted();
  if (control == OkButton) {
    Update();
    if (Request == RequestView && !Config.BatchProcessing) WindowModel::Post(MyWindow, Event::CloseWindow);
  }
  return result;
}

int32_t UpdateUrlList::OnRejected() {
  if (EventInHand().Control == NumberEntry && Errors) {
    Errors->SetFieldName(UrlListFileManager::NumberFieldName);
    Errors->RaiseErrorWithMessage(framework::error::MessageId::Range, NumberEntryRange);
  }
  // The address is refused whole rather than stored cut: Open would then open another.
  if (EventInHand().Control == UrlEntry && Errors) {
    Errors->SetFieldName(UrlListFileManager::UrlFieldName);
    Errors->RaiseErrorWithMessage(AppMessages::TooLong, UrlEntryLimit);
  }
  return WindowController::OnRejected();
}

}  // namespace app
