#include "tests/support/BrowseTestWindow.h"

#include <memory>
#include <utility>

#include "framework/data/FileUsageRegistry.h"
#include "runtime/data/FieldRef.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"

namespace testsupport {

using runtime::data::FieldRef;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

namespace {

runtime::ui::WindowDefinition Definition(bool selecting) {
  runtime::ui::WindowBuilder b("NamesBrowse");
  b.Caption(BrowseTestWindow::Title).Size(300, 200);
  b.List(0, "?List", "120L(2)|M~Name~@s39@40R(2)|M~Count~@n9@").At(4, 4, 290, 150);
  b.Button(0, "?Insert", "&Insert").At(4, 160, 45, 14);
  b.Button(0, "?Change", "&Change").At(53, 160, 45, 14);
  b.Button(0, "?Delete", "&Delete").At(102, 160, 45, 14);
  b.Button(0, "?View", "&View").At(151, 160, 45, 14);
  b.Button(0, "?Close", "&Close").At(249, 180, 45, 14);
  if (selecting) b.Button(0, "?Select", "&Select").At(200, 180, 45, 14);
  return b.Build();
}

}  // namespace

BrowseTestWindow::BrowseTestWindow(Options options, framework::error::ErrorManager& errors)
    : Opts(std::move(options)), Errs(errors), Data(errors) {}

BrowseTestWindow::~BrowseTestWindow() {
  if (!Dead && CL) BrowseTestWindow::Teardown();
}

int32_t BrowseTestWindow::Init() {
  if (Opts.Selecting) Request = RequestSelect;
  if (const int32_t result = WindowController::Init(); result != EventGoOn) return result;
  Errors = &Errs;
  VCRRequest = &VcrRequest;
  if (Data.Open() != framework::error::LevelQuiet) return EventConsumed;
  FilesOpened = true;
  TheView.Init(Data.File);
  Open(Definition(Opts.Selecting), 0);
  ListNo = WindowModel::ControlNumber(MyWindow, "?List");
  InsertNo = WindowModel::ControlNumber(MyWindow, "?Insert");
  ChangeNo = WindowModel::ControlNumber(MyWindow, "?Change");
  DeleteNo = WindowModel::ControlNumber(MyWindow, "?Delete");
  ViewNo = WindowModel::ControlNumber(MyWindow, "?View");
  CloseNo = WindowModel::ControlNumber(MyWindow, "?Close");
  SelectNo = WindowModel::ControlNumber(MyWindow, "?Select");
  AddButton(CloseNo, ResponseCompleted);
  WindowModel::SetPropInt(MyWindow, ListNo, Prop::Items, Opts.PageRows);
  WindowModel::SetPropInt(MyWindow, ListNo, Prop::VScroll, 1);
  if (Opts.HideList) WindowModel::Hide(MyWindow, ListNo);

  if (!Opts.PresetName.empty()) Data.SetName(Opts.PresetName);
  Browse.Init(ListNo, FieldRef::Of(Queue.Buffer.Position), *this, Data.Relations, Queue, TheView);
  Browse.InsertControl = InsertNo;
  Browse.ChangeControl = ChangeNo;
  Browse.DeleteControl = DeleteNo;
  Browse.ViewControl = ViewNo;
  Browse.EditViaPopup = true;
  Browse.SelectControl = SelectNo;
  Browse.ActiveInvisible = Opts.ActiveInvisible;
  Step.Init(Opts.StepControls | (Opts.Descending ? framework::browse::StringStep::ControlDescending : 0),
            framework::browse::StringStep::LookupRunTime);
  Browse.AddOrder(&Step, Opts.Descending ? KeyNameDescending : KeyName);
  Browse.AttachLocator(&Locator);
  Locator.Init(0, FieldRef::Of(Data.Record.Name), true, Browse);
  if (!Opts.Filter.empty()) Browse.SetNamedFilter(Opts.Filter);
  if (Opts.SecondOrder) {
    SecondStep.Init(framework::browse::StringStep::ControlLetters | framework::browse::StringStep::ControlDescending,
                    framework::browse::StringStep::LookupRunTime);
    Browse.AddOrder(&SecondStep, KeyNameDescending);
    if (!Opts.Filter.empty()) Browse.SetNamedFilter(Opts.Filter);
    Browse.SelectSortOrder(1);
  }
  Browse.MapColumnField(FieldRef::Of(Data.Record.Name), FieldRef::Of(Queue.Buffer.Name));
  Browse.MapColumnField(FieldRef::Of(Data.Record.Count), FieldRef::Of(Queue.Buffer.Count));
  Browse.AskProcedure = Opts.InPlace ? 0 : UpdateProcedure;
  Browse.TabAction = Opts.TabAction;
  Browse.EnterAction = Opts.EnterAction;
  Browse.ArrowAction = Opts.ArrowAction;
  Browse.FocusLossAction = Opts.FocusLossAction;
  Browse.DeleteAction = Opts.DeleteAction;
  if (Opts.NameRequired) {
    auto name = std::make_shared<framework::browse::EditInPlaceControl>();
    name->Req = 1;
    Browse.EditList.push_back({.Field = 1, .FreeUp = 0, .Control = std::move(name), .Column = 1});
  }
  RegisterAlertKeys();
  return EventGoOn;
}

int32_t BrowseTestWindow::Teardown() {
  if (const int32_t result = WindowController::Teardown(); result != EventGoOn) return result;
  Browse.Teardown();
  TheView.Teardown();
  if (FilesOpened) Data.Relations.Close(framework::data::Walk::Top);
  FilesOpened = false;
  return EventGoOn;
}

int32_t BrowseTestWindow::HandleEvent(const runtime::ui::PostedEvent& event) {
  if (event.Number == HookEvent && event.Control == 0) {
    if (Opts.Hook) Opts.Hook(*this, event.Argument);
    return EventConsumed;
  }
  return WindowController::HandleEvent(event);
}

uint8_t BrowseTestWindow::Run(int32_t number, uint8_t request) {
  (void)number;
  if (!Opts.Update) return ResponseCancelled;
  return Opts.Update(request, Data);
}

BrowseTestThread::BrowseTestThread(BrowseTestWindow::Options options, framework::error::ErrorManager& errors)
    : Thread([options = std::move(options), &errors]() mutable {
        framework::data::FileUsageRegistry::Current().Init();
        {
          auto after = options.AfterRun;
          BrowseTestWindow window(std::move(options), errors);
          const uint8_t response = window.Run();
          if (after) after(window, response);
        }
        framework::data::FileUsageRegistry::Current().Teardown();
      }) {}

BrowseTestThread::~BrowseTestThread() { Join(); }

void BrowseTestThread::Join() {
  if (Thread.joinable()) Thread.join();
}

}  // namespace testsupport
