#include "framework/browse/LetterLocator.h"

#include <cctype>

#include "framework/browse/BrowseManager.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/KeyChar.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/text/AsciiCase.h"

namespace framework::browse {

using runtime::ui::Key;
using runtime::ui::KeyChar;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

void LetterLocator::Teardown() { FreeElement = runtime::data::FieldRef(); }

std::string LetterLocator::GetShadow() { return {}; }

void LetterLocator::Init(int32_t control, const runtime::data::FieldRef& field, bool noCase) {
  Control = control;
  FreeElement = field;
  NoCase = noCase ? 1 : 0;
}

void LetterLocator::OnLocated() {}

void LetterLocator::Reset() {}

void LetterLocator::SetField(const runtime::data::FieldRef& field) {
  FreeElement = field;
  FreeElement.SetText("");
  SetShadow("");
}

void LetterLocator::RegisterAlertKeys(int32_t listControl) {
  if (BrowseManager == nullptr || BrowseManager->Window == nullptr) return;
  const int32_t window = BrowseManager->Window->MyWindow;
  int32_t slot = FirstAlertSlot;
  for (int32_t letter = Key::A; letter <= Key::Z; ++letter) {
    WindowModel::SetPropInt(window, listControl, Prop::Alert, letter, slot++);
    WindowModel::SetPropInt(window, listControl, Prop::Alert, Key::Shift + letter, slot++);
  }
  for (int32_t digit = Key::Digit0; digit <= Key::Digit0 + 9; ++digit)
    WindowModel::SetPropInt(window, listControl, Prop::Alert, digit, slot++);
}

void LetterLocator::SetEnabled(bool hasRows) {
  if (Control == 0 || BrowseManager == nullptr || BrowseManager->Window == nullptr) return;
  WindowModel::SetPropInt(BrowseManager->Window->MyWindow, Control, Prop::Disable, hasRows ? 0 : 1);
}

void LetterLocator::SetShadow(std::string_view text) { (void)text; }

bool LetterLocator::OnAccepted() { return false; }

bool LetterLocator::OnKeyChar() {
  char c = KeyChar::Of(WindowModel::KeyCode());
  if (c == KeyChar::None || BrowseManager == nullptr || FreeElement.IsNull()) return false;
  bool result = false;
  if (BrowseManager->ListQueue != nullptr && BrowseManager->ListQueue->RowCount() > 0) {
    BrowseManager->ScrollByRow(runtime::ui::Event::ScrollDown);
    BrowseManager->CopyRowToBuffer();
    result = true;
  }
  auto fold = [&](char x) { return NoCase ? runtime::text::AsciiCase::Upper(x) : x; };
  const std::string current = FreeElement.GetText();
  if (!current.empty() && fold(current.front()) == fold(c)) return result;

  c = fold(c);
  std::string value(1, c);
  if (ViewManager != nullptr && !ViewManager->FieldSortsAscending(FreeElement)) value += DescendingMark;
  FreeElement.SetText(value);
  return true;
}

void LetterLocator::RefreshControls() { Reset(); }

void LetterLocator::Init(int32_t control, const runtime::data::FieldRef& field, bool noCase,
                         framework::browse::BrowseManager& browse) {
  ViewManager = &browse;
  BrowseManager = &browse;
  Init(control, field, noCase);
}

}  // namespace framework::browse
