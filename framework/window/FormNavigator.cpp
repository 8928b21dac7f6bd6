#include "framework/window/FormNavigator.h"

#include <string>

#include "framework/data/FileManager.h"
#include "framework/data/UseType.h"
#include "framework/window/WindowController.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/files/KeyedFile.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/WindowModel.h"

namespace framework::window {
namespace {

using C = runtime::core::RuntimeErrorCode;
using framework::error::LevelNotice;
using framework::error::LevelQuiet;

bool IsNavigation(int32_t value) {
  return value == FormNavigator::NavigateInsertAnother ||
         (value >= FormNavigator::NavigateLast && value <= FormNavigator::NavigatePrevious);
}

}  // namespace

void FormNavigator::Init(WindowController& form, framework::data::FileManager& file, int key) {
  Form = &form;
  File = &file;
  Key = key;
}

framework::error::ErrorLevel FormNavigator::MoveOn() {
  if (Form == nullptr || File == nullptr || File->File == nullptr) return LevelNotice;
  if (File->EnsureUsable(framework::data::UseType::Record) != LevelQuiet) return LevelNotice;
  int32_t request = Form->VCRRequest != nullptr ? *Form->VCRRequest : 0;
  if (Form->VCRRequest != nullptr) *Form->VCRRequest = 0;
  if (request == 0) request = NavigateNext;
  const std::string here = File->GetPosition();
  bool moved = false;
  switch (request) {
    case NavigateNext: moved = Step(true, here); break;
    case NavigatePrevious: moved = Step(false, here); break;
    case NavigatePageDown:
    case NavigatePageUp:
      for (int32_t n = 0; n < PageRecords && Step(request == NavigatePageDown, File->GetPosition()); ++n) moved = true;
      break;
    case NavigateFirst: moved = ToEnd(false); break;
    case NavigateLast: moved = ToEnd(true); break;
    default: break;
  }
  // Nowhere to go: the form keeps its record as stored (the move's failure is the result;
  // a failed reread leaves the buffer as it is).
  if (!moved && !here.empty()) (void)File->RereadAtPosition(here);
  // Read again under watch, so that a save finds a change made elsewhere meanwhile.
  const std::string now = File->GetPosition();
  File->File->Watch();
  if (!now.empty()) File->File->GetByPosition(now);
  return moved ? LevelQuiet : LevelNotice;
}

void FormNavigator::TakeEvent(int32_t* request, int32_t value) {
  if (!IsNavigation(value) || Form == nullptr) return;
  if (request != nullptr) *request = value;
  // Through OK: the record is saved before the form moves on.
  if (Form->Config.OkControl != 0)
    runtime::ui::WindowModel::Post(Form->MyWindow, runtime::ui::Event::Accepted, Form->Config.OkControl);
}

bool FormNavigator::Step(bool forward, const std::string& here) {
  runtime::files::KeyedFile& file = *File->File;
  const runtime::files::KeyDefinition* key = file.Key(Key);
  if (key == nullptr) return false;
  // From the buffer's key values: the first read finds the record itself.
  if (file.SetKeyPosition(Key, key->Components.size()) != C::NoError) return false;
  if ((forward ? file.Next() : file.Previous()) != C::NoError) return false;
  if (File->GetPosition() != here) return true;
  return (forward ? file.Next() : file.Previous()) == C::NoError;
}

bool FormNavigator::ToEnd(bool last) {
  runtime::files::KeyedFile& file = *File->File;
  const runtime::files::KeyDefinition* key = file.Key(Key);
  if (key == nullptr) return false;
  File->ClearKeyRange(Key, 1, key->Components.size(), last);
  if (file.SetKeyPosition(Key, key->Components.size()) != C::NoError) return false;
  return (last ? file.Previous() : file.Next()) == C::NoError;
}

}  // namespace framework::window
