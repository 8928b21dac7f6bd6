#pragma once
// Joins a browse's display queue and its list control: the queue (any record type)
// with the field of its record that holds the view position, and the list control of
// the browse's window. The window number is read when needed, since the browse is set
// up before its window opens.
//
// Thread safety: the window's thread only.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/browse/BrowseQueue.h"
#include "framework/browse/IListControl.h"
#include "runtime/data/FieldRef.h"
#include "runtime/data/QueueAccess.h"

namespace framework::browse {

class BrowseListAdapter : public BrowseQueue, public IListControl {
 public:
  // `position` refers to the position field of the queue's record buffer; `window`
  // to the variable that holds the window's number.
  BrowseListAdapter(runtime::data::QueueAccess& queue, runtime::data::FieldRef position, int32_t control,
                    const int32_t* window);

  // BrowseQueue.
  size_t RowCount() const override;
  void AppendRow() override;
  void InsertRowAt(size_t position) override;
  bool GetRow(size_t position) override;
  bool PutRow() override;
  bool DeleteRow() override;
  void ClearRows() override;
  std::string ColumnName(size_t field) const override;
  std::string GetRowPosition() const override;
  void SetRowPosition(const std::string& position) override;

  // IListControl.
  int32_t SelectedRow() const override;
  int32_t GetListControl() const override { return LC; }
  int32_t VisibleRows() const override;
  bool IsShown() const override;
  void SelectRow(int32_t row) override;
  void SetListControl(int32_t control) override { LC = control; }
  int32_t SelectionSize() const override;

  // Reading rows where the queue stores them, without fetching them into the buffer
  // (the fetched row and the buffer stay as they are). LendsRows: the queue can.
  bool LendsRows() const;
  // `field` of the queue's record buffer as row `row` stores it; a field outside the
  // buffer is `field` itself. REQUIRES: LendsRows(), and row `row` exists.
  runtime::data::FieldRef FieldOfRow(size_t row, const runtime::data::FieldRef& field) const;
  // Whether row `row`'s position text is `position` (false when there is no such row).
  // The buffer may be left holding any row.
  bool RowPositionIs(size_t row, std::string_view position);

  // Shows `rows` in the list (the texts of its cells) and selects `selected`.
  void ShowRows(std::vector<std::vector<std::string>> rows, int32_t selected);
  // The row fetched or added last (0: none).
  size_t FetchedRow() const { return Fetched; }
  // Names of the queue's display fields, for ColumnName.
  void SetColumnNames(std::vector<std::string> names) { Names = std::move(names); }
  // True when rows were added, changed or removed since the last ShowRows.
  bool RowsChanged() const { return Changed; }

 private:
  int32_t WindowNumber() const { return Window != nullptr ? *Window : 0; }

  runtime::data::QueueAccess* Q;
  runtime::data::FieldRef S;
  int32_t LC;
  const int32_t* Window;
  size_t Fetched = 0;
  bool Changed = false;
  std::vector<std::string> Names;
};

}  // namespace framework::browse
