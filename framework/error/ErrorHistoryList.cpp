#include "framework/error/ErrorHistoryList.h"

#include <utility>

#include "framework/error/ErrorWindowDefinition.h"
#include "framework/window/WindowController.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace framework::error {

using runtime::ui::WindowModel;

void ErrorHistoryList::Init(const framework::window::WindowController& window, ErrorManager& errors,
                            std::vector<HistoryEntry> history) {
  Win = &window;
  Err = &errors;
  History = std::move(history);
}

int32_t ErrorHistoryList::WindowNumber() const { return Win ? Win->MyWindow : 0; }

int32_t ErrorHistoryList::HandleEvent(const runtime::ui::PostedEvent& event) {
  if (event.Number != runtime::ui::Event::OpenWindow) return framework::window::WindowController::EventGoOn;
  const int32_t window = WindowNumber();
  constexpr int32_t list = ErrorWindowDefinition::ListControl;
  // The row count reaches the list through Data's RowCount: in this runtime the
  // list's Items property is the number of rows it shows, not the number it has.
  const std::string format = WindowModel::GetProp(window, list, runtime::ui::Prop::Format);
  LBColumns = static_cast<int16_t>(runtime::ui::ListFormat::Parse(format).size());
  WindowModel::SetListSource(window, list, [this](int32_t row, int32_t column) { return Data(row, column); });
  WindowModel::Display(window, list);
  return framework::window::WindowController::EventGoOn;
}

void ErrorHistoryList::RefreshControls() { WindowModel::Display(WindowNumber(), ErrorWindowDefinition::ListControl); }

std::string ErrorHistoryList::Data(int32_t row, int32_t column) const {
  switch (row) {
    case RowCount: return std::to_string(History.size());
    case RowColumns: return std::to_string(LBColumns);
    case RowVirtual: return "1";
    default: break;
  }
  if (row < 1 || static_cast<size_t>(row) > History.size()) return {};
  const HistoryEntry& entry = History[static_cast<size_t>(row - 1)];
  if (column == ColumnText) return entry.Txt;
  if (column == ColumnCategory) return entry.Category;
  return {};
}

}  // namespace framework::error
