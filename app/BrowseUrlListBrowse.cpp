#include "app/BrowseUrlListBrowse.h"

#include <cstddef>

#include "framework/window/WindowController.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace app {

const runtime::data::RecordType& BrowseUrlListBrowse::BrowseQueueRecord::Type() {
  using runtime::data::FieldDesc;
  using runtime::data::FieldKind;
  static const runtime::data::RecordType type(
      "BrowseQueueRecord", sizeof(BrowseQueueRecord),
      {
          FieldDesc{"URL:URL", offsetof(BrowseQueueRecord, Url), UrlSize, FieldKind::CString, 0},
          FieldDesc{"URL:NUMBEROFTIMESTOOPEN", offsetof(BrowseQueueRecord, NumberOfTimesToOpen), sizeof(int32_t),
                    FieldKind::Long, 0},
          FieldDesc{"Mark", offsetof(BrowseQueueRecord, Mark), sizeof(uint8_t), FieldKind::Byte, 0},
          FieldDesc{"ViewPosition", offsetof(BrowseQueueRecord, ViewPosition), ViewPositionSize, FieldKind::CString,
                    0},
      });
  return type;
}

uint8_t BrowseUrlListBrowse::AskForRecord(uint8_t request) {
  using runtime::ui::Key;
  using runtime::ui::Prop;
  using runtime::ui::WindowModel;
  const int32_t key = WindowModel::KeyCode();
  const int32_t window = Window != nullptr ? Window->MyWindow : 0;
  const bool onCount =
      key == Key::Enter ||
      (key == Key::MouseLeft2 &&
       WindowModel::GetPropInt(window, ILC->GetListControl(), Prop::MouseDownColumn) == CountColumn);
  if (!CountInPlace || request != framework::window::WindowController::RequestChange || !onCount)
    return BrowseManager::AskForRecord(request);
  // Without an update procedure the browse edits the row itself.
  const int32_t procedure = AskProcedure;
  AskProcedure = 0;
  const uint8_t response = BrowseManager::AskForRecord(request);
  AskProcedure = procedure;
  return response;
}

bool BrowseUrlListBrowse::OnKey() {
  using runtime::ui::Key;
  using runtime::ui::WindowModel;
  const int32_t key = WindowModel::KeyCode();
  if (!CountInPlace || key != Key::Enter || RecordsInList() == 0 || ChangeControl == 0)
    return BrowseManager::OnKey();
  const int32_t window = Window != nullptr ? Window->MyWindow : 0;
  if (WindowModel::GetPropInt(window, ChangeControl, runtime::ui::Prop::Disable) != 0) return false;
  CopyRowToBuffer();
  return WindowModel::Post(window, runtime::ui::Event::Accepted, ChangeControl);
}

}  // namespace app
