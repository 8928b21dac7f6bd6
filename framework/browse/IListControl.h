#pragma once
// What a browse needs of its list control: the selected row, the rows it shows, whether
// it is visible, and selecting a row. The control is a control number of the browse's
// window.
//
// Thread safety: the window's thread only.

#include <cstdint>

namespace framework::browse {

class IListControl {
 public:
  virtual ~IListControl() = default;
  virtual int32_t SelectedRow() const = 0;
  virtual int32_t GetListControl() const = 0;
  // The number of rows the list shows (its page).
  virtual int32_t VisibleRows() const = 0;
  virtual bool IsShown() const = 0;
  virtual void SelectRow(int32_t row) = 0;
  virtual void SetListControl(int32_t control) = 0;
  // Rows in the selected span: the selected row less the span's first row, plus one.
  virtual int32_t SelectionSize() const = 0;
};

}  // namespace framework::browse
