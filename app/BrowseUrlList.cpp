#include "app/BrowseUrlList.h"

#include <cstring>
#include <string>

#include "app/AppGlobals.h"
#include "app/BrowseNarrowing.h"
#include "app/WindowPositions.h"
#include "app/OpenAction.h"
#include "app/ThreadVariables.h"
#include "app/UpdateUrlList.h"
#include "app/UrlFind.h"
#include "app/UrlListFile.h"
#include "app/UrlListManagers.h"
#include "framework/data/RelationManager.h"
#include "runtime/core/OnceGuard.h"
#include "runtime/core/PerThread.h"
#include "runtime/data/FieldRef.h"
#include "runtime/ui/FrameAction.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"

namespace app {
namespace {

using framework::data::Walk;
using framework::window::WindowResizer;
using runtime::data::FieldRef;
using runtime::ui::Prop;
using runtime::ui::WindowModel;
using Row = BrowseUrlListBrowse::BrowseQueueRecord;

constexpr const char* FontName = "Microsoft Sans Serif";
constexpr int32_t FontSize = 8;
constexpr int32_t BrowseWidth = 358;
constexpr int32_t BrowseHeight = 198;
// The list keeps a scroll bar; the browse turns it into its thumb.
constexpr int64_t ListScrollBar = 1;

runtime::core::PerThread<runtime::files::View> View;
// Set on a thread once its view was readied, so that the thread's end closes it.
runtime::core::PerThread<uint8_t> ViewReadied;
runtime::core::OnceGuard ViewGuard;

void ReadyViewOnce() {
  if (ViewGuard.Begin() != runtime::core::OnceGuard::Run) return;
  View->Init(UrlListFile::Instance());
  *ViewReadied = 1;
  ViewGuard.Done();
}

}  // namespace

runtime::ui::WindowDefinition BrowseUrlList::Definition() {
  runtime::ui::WindowBuilder b(WindowName);
  b.Caption(Caption).Font(FontName, FontSize).Size(BrowseWidth, BrowseHeight);
  b.SystemMenu().Resizable().MdiChild();
  b.List(BrowseList, "?BROWSE:1", ListFormat).At(8, 20, 342, 124).Message("Browsing the UrlList file");
  b.Button(ViewButton, "?VIEW:2", "&View").At(130, 148, 49, 14).ControlIcon("WAVIEW.ICO").Message("View Record");
  b.Button(InsertButton, "?INSERT:3", "&Insert")
      .At(183, 148, 45, 14)
      .ControlIcon("WAINSERT.ICO")
      .Message("Insert a Record");
  b.Button(ChangeButton, "?CHANGE:3", "&Change")
      .At(232, 148, 45, 14)
      .ControlIcon("WACHANGE.ICO")
      .Message("Change the Record");
  b.Button(DeleteButton, "?DELETE:3", "&Delete")
      .At(281, 148, 45, 14)
      .ControlIcon("WADELETE.ICO")
      .Message("Delete the Record");
  b.Sheet(CurrentTab, "?CURRENTTAB").At(4, 4, 350, 162);
  b.Tab(KeyUrlTab, "?TAB:2", "&1) KeyUrl");
  b.Button(CloseButton, "?CLOSE", "&Close").At(252, 172, 49, 14).ControlIcon("WACLOSE.ICO").Message("Close Window");
  // Help opens the manual, as the frame's Help menu does (F1 does too, in every window).
  b.Button(HelpButton, "?HELP", "&Help")
      .At(305, 172, 49, 14)
      .ControlIcon("WAHELP.ICO")
      .Message("See Help Window")
      .Action(runtime::ui::FrameAction::HelpContents);
  b.Button(OpenButton, "?BUTTONOPEN", "Open").At(4, 172, 49, 14);
  b.Entry(FindEntry, "?FindText", "@s100").At(200, 6, 150, 10).Message("Find the addresses that contain this text");
  b.Button(QueryButton, "?Query", "&Query").At(77, 148, 49, 14).Message("Query by example");
  return b.Build();
}

void BrowseUrlList::Procedure() {
  ReadyViewOnce();
  BrowseUrlListBrowse::DisplayQueue queue;
  const runtime::ui::WindowDefinition window = Definition();
  int32_t opened = 0;
  {
    BrowseUrlList controller(window, queue);
    *ThreadResponse = controller.Run();
    opened = controller.MyWindow;
    controller.Browse.Teardown();
  }
  // A loop ended by a handler leaves the window open; the procedure frees it.
  if (opened != 0 && WindowModel::Exists(opened)) WindowModel::Close(opened);
}

runtime::files::View& BrowseUrlList::ThreadView() { return View.Get(); }

void BrowseUrlList::CloseThreadView() {
  if (!ViewReadied.Exists() || *ViewReadied == 0) return;
  View->Teardown();
  View.Reset();
  ViewReadied.Reset();
}

BrowseUrlList::BrowseUrlList(const runtime::ui::WindowDefinition& window, BrowseUrlListBrowse::DisplayQueue& queue)
    : Window(window), Queue(queue) {
  Browse.UsePopup = true;
  Browse.EditViaPopup = true;
  Browse.UseWaitCursor = true;
  Resizer.ResizeCalled = 0;
}

BrowseUrlList::~BrowseUrlList() {
  // The base destructor would run only the base Teardown; files and position need ours.
  BrowseUrlList::Teardown();
}

int32_t BrowseUrlList::Init() {
  AppGlobals::Errors().TrackProcedureName(ProcedureName, framework::error::ErrorManager::Track::Enter);
  Request = *ThreadRequest;
  if (const int32_t result = WindowController::Init(); result != EventGoOn) return result;
  Config.FirstField = BrowseList;
  VCRRequest = &*ThreadVcrRequest;
  Errors = &AppGlobals::Errors();
  *ThreadRequest = RequestNone;
  *ThreadResponse = ResponseNone;
  SetToolbar(Toolbar);
  // Called to pick a record, Close means "none picked"; otherwise the browse just ends.
  AddButton(CloseButton, Request == RequestSelect ? ResponseCancelled : ResponseCompleted);
  framework::data::RelationManager* relate = UrlListManagers::Relate();
  if (!relate) return EventConsumed;  // the thread has no UrlList managers
  // A failed open is reported by the file manager; the window opens regardless.
  (void)relate->Open(Walk::Top);
  FilesOpened = true;

  Browse.Init(BrowseList, FieldRef::Of(Queue.Buffer.ViewPosition), *this, *relate, Queue, ThreadView());
  if (Request != RequestView) {
    Browse.InsertControl = InsertButton;
    Browse.ChangeControl = ChangeButton;
    Browse.DeleteControl = DeleteButton;
  }
  Browse.ViewControl = ViewButton;
  // Set before the alert keys are registered, which is when the menu is filled.
  Browse.QueryControl = QueryButton;
  Query.Init(&AppGlobals::Errors(), &AppGlobals::Ini(), QueryFamily);
  Query.AddField("URL:URL", "Url", UrlListRecord::UrlPicture);
  Query.AddField("URL:NUMBEROFTIMESTOOPEN", "Number Of Times To Open", UrlListRecord::NumberOfTimesToOpenPicture);
  Query.Form = &QueryWindow;
  Browse.Query = &Query;
  Open(Window, 0);
  QueryWindow.Owner = MyWindow;
  Opening.Init(MyWindow, OpenButton);
  RegisterComponent(Opening);
  WindowModel::SetPropInt(MyWindow, BrowseList, Prop::VScroll, ListScrollBar);

  Browse.Q = &Queue;
  Step.Init(StepControls, StepLookup);
  Browse.AddOrder(&Step, UrlListFile::KeyUrl);
  Browse.AttachLocator(&Locator);
  Locator.Init(0, FieldRef::Of(UrlListFile::Record().Url), true, Browse);
  UrlListRecord& record = UrlListFile::Record();
  Browse.MapColumnField(FieldRef::Of(record.Url), FieldRef::Of(Queue.Buffer.Url));
  Browse.MapColumnField(FieldRef::Of(record.NumberOfTimesToOpen), FieldRef::Of(Queue.Buffer.NumberOfTimesToOpen));

  Resizer.Init(MyWindow, WindowResizer::StrategySurround, WindowResizer::MinimumSize::FirstSize,
               WindowResizer::MaximumSize::Free);
  Resizer.SetParents();
  SetResizer(Resizer);
  AppGlobals::Ini().RestoreWindow(ProcedureName, MyWindow);
  Resizer.Resize();
  Browse.AskProcedure = UpdateProcedure;
  WindowModel::Bind(MyWindow, FindEntry, FieldRef::Of(FindText));
  WindowModel::SetPropInt(MyWindow, BrowseList, Prop::Alert, FindKey, FindKeySlot);
  WindowModel::SetPropInt(MyWindow, FindEntry, Prop::Alert, FindKey, FindKeySlot);
  WindowModel::SetPropInt(MyWindow, FindEntry, Prop::Alert, runtime::ui::Key::Esc, ClearFindSlot);
  // The list narrows with every key typed in the find, not only when the entry is left.
  WindowModel::SetPropInt(MyWindow, FindEntry, Prop::Immediate, 1);
  RegisterAlertKeys();
  // The address is edited only through the form.
  WindowModel::SetProp(MyWindow, BrowseList, Prop::ColumnEditable, "0", 1);
  if (Request != RequestView && Browse.Popup) {
    InPlaceItem = Browse.Popup->AddEventItem(InPlaceItemText, InPlaceToggleEvent, BrowseList);
    SetCountInPlace(AppGlobals::Ini().Fetch(ProcedureName, InPlaceEntry) == "1", Remember::No);
  }
  return EventGoOn;
}

int32_t BrowseUrlList::Teardown() {
  if (const int32_t result = WindowController::Teardown(); result != EventGoOn) return result;
  BrowseNarrowing::Forget(MyWindow);
  if (!AppliedFind.empty()) (void)UrlListFile::Instance().Send(std::string(UrlFind::FindOption) + "=");
  AppliedFind.clear();
  Browse.Query = nullptr;
  Query.Teardown();
  if (FilesOpened)
    if (framework::data::RelationManager* relate = UrlListManagers::Relate()) relate->Close(Walk::Top);
  FilesOpened = false;
  if (Opened)
    if (auto state = WindowState()) WindowPositions::Save(ProcedureName, *state);
  AppGlobals::Errors().TrackProcedureName(ProcedureName, framework::error::ErrorManager::Track::Leave);
  return EventGoOn;
}

uint8_t BrowseUrlList::Run(int32_t number, uint8_t request) {
  // Only one update procedure exists, so the number is not examined.
  (void)number;
  if (Request == RequestView) return ResponseCancelled;
  *ThreadRequest = request;
  UpdateUrlList::Procedure();
  return *ThreadResponse;
}

int32_t BrowseUrlList::OnAccepted() {
  if (EventInHand().Control == OpenButton) OpenUrl();
  if (EventInHand().Control == FindEntry) ApplyFind();
  return WindowController::OnAccepted();
}

int32_t BrowseUrlList::HandleEvent(const runtime::ui::PostedEvent& event) {
  const int32_t result = Handle(event);
  Publish();
  return result;
}

int32_t BrowseUrlList::Handle(const runtime::ui::PostedEvent& event) {
  if (event.Number == RefreshEvent) {
    ReloadOnSelected();
    return EventConsumed;
  }
  if (event.Number == InPlaceToggleEvent && event.Control == BrowseList) {
    SetCountInPlace(!Browse.CountInPlace, Remember::Yes);
    return EventConsumed;
  }
  if (event.Number == runtime::ui::Event::EntryChanged && event.Control == FindEntry) {
    // Only the find's own text is taken; the window is not redisplayed, so the person
    // goes on typing undisturbed.
    (void)WindowModel::Update(MyWindow, FindEntry);
    ApplyFind();
    return EventConsumed;
  }
  if (event.Number == runtime::ui::Event::AlertKey && (event.Control == FindEntry || event.Control == BrowseList)) {
    const int32_t key = WindowModel::KeyCode();
    if (key == FindKey) {
      WindowModel::Select(MyWindow, FindEntry);
      return EventConsumed;
    }
    if (key == runtime::ui::Key::Esc && event.Control == FindEntry) {
      FindText[0] = '\0';
      WindowModel::Display(MyWindow, FindEntry);
      ApplyFind();
      return EventConsumed;
    }
  }
  return WindowController::HandleEvent(event);
}

void BrowseUrlList::ApplyFind() {
  const std::string text(FindText, strnlen(FindText, FindTextSize));
  if (text == AppliedFind) return;
  // A short text is found by reading every record: that may take a moment.
  const bool slow = !text.empty() && !UrlFind::ServedByIndex(text);
  if (slow) WindowModel::SetWaitCursor(true);
  (void)UrlListFile::Instance().Send(std::string(UrlFind::FindOption) + "=" + text);
  AppliedFind = text;
  ReloadOnSelected();
  if (slow) WindowModel::SetWaitCursor(false);
}

void BrowseUrlList::ReloadOnSelected() {
  // The record selected now is where the narrowed (or whole) list opens.
  const int32_t selected = Browse.CurrentChoice;
  if (selected > 0 && Queue.Get(static_cast<size_t>(selected))) {
    std::memcpy(UrlListFile::Record().Url, Queue.Buffer.Url, UrlListRecord::UrlSize);
  }
  Browse.ReloadFromBuffer();
  Browse.RecomputeThumbLimits();
}

void BrowseUrlList::Publish() {
  if (MyWindow == 0) return;
  BrowseNarrowing::Set({MyWindow, AppliedFind, Query.QueryText()});
}

void BrowseUrlList::SetCountInPlace(bool on, Remember remember) {
  Browse.CountInPlace = on ? 1 : 0;
  if (Browse.Popup && !InPlaceItem.empty())
    Browse.Popup->SetCheck(InPlaceItem, on ? framework::popup::PopupItem::Checked : framework::popup::PopupItem::Unchecked);
  // A double click then means "change": on the count in place, on the address through the form.
  WindowModel::SetPropInt(MyWindow, BrowseList, Prop::ListAction,
                          on ? framework::browse::BrowseManager::DoubleClickChanges : 0);
  WindowModel::SetPropInt(MyWindow, BrowseList, Prop::Alert, on ? runtime::ui::Key::Enter : 0, EnterSlot);
  if (remember == Remember::Yes) AppGlobals::Ini().Update(ProcedureName, InPlaceEntry, on ? "1" : "0");
}

void BrowseUrlList::OpenUrl() {
  if (Opening.Running()) {
    Opening.Press({}, 0);  // the button reads "Stop" while the opens run
    return;
  }
  // The browse's own selection, kept in the order the person's input came in: the
  // list's selection may already show a row chosen after Open was pressed.
  CurrentChoice = Browse.CurrentChoice;
  // With no row selected (an empty list) there is nothing to open; the buffer would
  // still hold whatever row was read last.
  if (CurrentChoice <= 0 || !Queue.Get(static_cast<size_t>(CurrentChoice))) return;
  const Row& row = Queue.Buffer;
  Opening.Press(std::string_view(row.Url, strnlen(row.Url, Row::UrlSize)), row.NumberOfTimesToOpen);
}

}  // namespace app
