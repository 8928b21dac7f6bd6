#include "tests/support/TestForm.h"

#include "runtime/ui/Key.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"

namespace testsupport {

using framework::data::Walk;
using runtime::ui::WindowModel;

TestForm::TestForm(TestFormFile& file, framework::error::ErrorManager& errors, TestFormRecord& history)
    : FileSet(file), Errs(errors), HistorySave(history) {}

runtime::ui::WindowDefinition TestForm::Definition() {
  runtime::ui::WindowBuilder b("TestForm");
  b.Caption(Title).Size(200, 100);
  b.Entry(CodeEntry, "?Code", "@s15").At(60, 4, 80, 10);
  b.Entry(NameEntry, "?Name", "@s20").At(60, 18, 100, 10);
  b.Entry(CountEntry, "?Count", "@n9").At(60, 32, 40, 10);
  b.Button(OkButton, "?OK", "&OK").At(40, 80, 40, 14).Default();
  b.Button(CancelButton, "?Cancel", "&Cancel").At(84, 80, 40, 14);
  b.Button(SaveButton, "?Save", "&Save").At(128, 80, 40, 14);
  return b.Build();
}

uint8_t TestForm::RunWith(TestFormFile& file, framework::error::ErrorManager& errors, TestFormRecord& history,
                          uint8_t request, const Settings& settings) {
  TestForm form(file, errors, history);
  form.Use = settings;
  form.Request = request;
  return form.Run();
}

int32_t TestForm::Init() {
  if (const int32_t result = WindowController::Init(); result != EventGoOn) return result;
  Config.FirstField = CodeEntry;
  VCRRequest = &Navigation;
  Errors = &Errs;
  SetToolbar(Tools);
  AddFile(FileSet.Manager);
  Config.HistoryKey = runtime::ui::Key::CtrlH;
  AddDittoFile({&FileSet.Record, &TestFormRecord::Type()}, &HistorySave);
  AddDittoField(CodeEntry, TestFormRecord::CodeField);
  AddDittoField(NameEntry, TestFormRecord::NameField);
  AddButton(CancelButton, ResponseCancelled);
  // A failed open is reported by the file manager; the window opens regardless, as
  // the program's windows do.
  (void)FileSet.Relations.Open(Walk::Top);
  FilesOpened = true;
  Primary = &FileSet.Relations;

  Config.InsertAction = Use.InsertAction;
  Config.ChangeAction = Use.ChangeAction;
  Config.DeleteAction = Use.DeleteAction;
  Config.CancelAction = Use.CancelAction;
  Config.OkControl = OkButton;
  if (Use.Batch) {
    Config.BatchProcessing = true;
    Navigator.Init(*this, FileSet.Manager, TestFormRecord::CodeKey);
    FormVCR = &Navigator;
    Tools.AddTarget(1, Navigator);
  }
  Config.SaveControl = Use.WithSaveButton ? SaveButton : 0;
  Prepared = PrepareRequest();
  if (Prepared != EventGoOn) return EventConsumed;

  Open(Definition(), 0);
  const auto& type = TestFormRecord::Type();
  WindowModel::Bind(MyWindow, CodeEntry, type.Ref(&FileSet.Record, TestFormRecord::CodeField - 1));
  WindowModel::Bind(MyWindow, NameEntry, type.Ref(&FileSet.Record, TestFormRecord::NameField - 1));
  WindowModel::Bind(MyWindow, CountEntry, type.Ref(&FileSet.Record, TestFormRecord::CountField - 1));
  if (!Use.WithSaveButton) WindowModel::Hide(MyWindow, SaveButton);
  RegisterAlertKeys();
  return EventGoOn;
}

int32_t TestForm::Teardown() {
  if (const int32_t result = WindowController::Teardown(); result != EventGoOn) return result;
  if (FilesOpened) FileSet.Relations.Close(Walk::Top);
  FilesOpened = false;
  return EventGoOn;
}

}  // namespace testsupport
