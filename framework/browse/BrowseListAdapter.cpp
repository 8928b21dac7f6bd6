#include "framework/browse/BrowseListAdapter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace framework::browse {

using runtime::ui::Prop;
using runtime::ui::WindowModel;

BrowseListAdapter::BrowseListAdapter(runtime::data::QueueAccess& queue, runtime::data::FieldRef position,
                                     int32_t control, const int32_t* window)
    : Q(&queue), S(position), LC(control), Window(window) {}

size_t BrowseListAdapter::RowCount() const { return Q->Records(); }

void BrowseListAdapter::AppendRow() {
  Q->Add();
  Fetched = Q->Records();
  Changed = true;
}

void BrowseListAdapter::InsertRowAt(size_t position) {
  Q->Add(position);
  Fetched = std::min(std::max<size_t>(position, 1), Q->Records());
  Changed = true;
}

bool BrowseListAdapter::GetRow(size_t position) {
  if (!Q->Get(position)) return false;
  Fetched = position;
  return true;
}

bool BrowseListAdapter::PutRow() {
  Changed = true;
  return Q->Put(Fetched);
}

bool BrowseListAdapter::DeleteRow() {
  if (!Q->Delete(Fetched)) return false;
  Fetched = 0;
  Changed = true;
  return true;
}

void BrowseListAdapter::ClearRows() {
  Q->Free();
  Fetched = 0;
  Changed = true;
}

std::string BrowseListAdapter::ColumnName(size_t field) const {
  return field >= 1 && field <= Names.size() ? Names[field - 1] : std::string();
}

std::string BrowseListAdapter::GetRowPosition() const { return S.GetText(); }

void BrowseListAdapter::SetRowPosition(const std::string& position) { S.SetText(position); }

bool BrowseListAdapter::LendsRows() const { return Q->BufferAddress() != nullptr; }

runtime::data::FieldRef BrowseListAdapter::FieldOfRow(size_t row, const runtime::data::FieldRef& field) const {
  const auto buffer = reinterpret_cast<uintptr_t>(Q->BufferAddress());
  const auto at = reinterpret_cast<uintptr_t>(field.Address());
  if (at < buffer || at - buffer + field.Size() > Q->RecordSize()) return field;
  auto* stored = const_cast<unsigned char*>(static_cast<const unsigned char*>(Q->StoredRow(row)));
  return {stored + (at - buffer), field.Kind(), field.Size(), field.Places()};
}

bool BrowseListAdapter::RowPositionIs(size_t row, std::string_view position) {
  if (row < 1 || row > Q->Records()) return false;
  if (LendsRows() && S.IsText()) {
    const runtime::data::FieldRef stored = FieldOfRow(row, S);
    if (stored.Kind() == runtime::data::FieldKind::String) {
      return *static_cast<const std::string*>(stored.Address()) == position;
    }
    const auto* text = static_cast<const char*>(stored.Address());
    return std::string_view(text, strnlen(text, stored.Size())) == position;
  }
  return GetRow(row) && GetRowPosition() == position;
}

int32_t BrowseListAdapter::SelectedRow() const {
  return static_cast<int32_t>(WindowModel::GetPropInt(WindowNumber(), LC, Prop::Selected));
}

int32_t BrowseListAdapter::VisibleRows() const {
  return static_cast<int32_t>(WindowModel::GetPropInt(WindowNumber(), LC, Prop::Items));
}

bool BrowseListAdapter::IsShown() const { return WindowModel::GetPropInt(WindowNumber(), LC, Prop::Visible) != 0; }

void BrowseListAdapter::SelectRow(int32_t row) { WindowModel::SetPropInt(WindowNumber(), LC, Prop::Selected, row); }

int32_t BrowseListAdapter::SelectionSize() const {
  return SelectedRow() - static_cast<int32_t>(WindowModel::GetPropInt(WindowNumber(), LC, Prop::SelStart)) + 1;
}

void BrowseListAdapter::ShowRows(std::vector<std::vector<std::string>> rows, int32_t selected) {
  WindowModel::SetListRows(WindowNumber(), LC, std::move(rows));
  SelectRow(selected);
  Changed = false;
}

}  // namespace framework::browse
