#pragma once
// The desktop's list control. The list is virtual: it shows exactly the rows the
// program displayed (the program pages through its data itself), its scroll bar is the
// program's thumb (positions 1 to 100, shown and hidden by the program), and every
// wheel turn, scroll bar click and thumb drag goes to the program as its scroll event
// instead of moving the list. Keys are routed by the window (InputRouter); the list
// never moves its own current row. Clicks, double clicks and right clicks go through
// InputRouter too. The highlighted row is always the model's selected row.
// Column widths come from the format string, widened to show the whole header; a
// header the user narrows is elided and keeps its whole text as a tooltip.
// Whenever the height of the list changes it tells the window model how many whole
// rows it shows now (WindowModel::SetVisibleRows) and posts Sized to the window.
//
// GUI thread only. It reads and writes the window model, never a program variable.

#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/ui/Control.h"
#include "runtime/ui/ListColumn.h"
#include "runtime/ui/qt/DialogUnits.h"

class QScrollBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace runtime::ui::qt {

class ListView : public QWidget {
  Q_OBJECT

 public:
  // Pixels added to the font's height for each row.
  static constexpr int RowPadding = 4;
  static constexpr int ThumbMinimum = 1;
  static constexpr int ThumbMaximum = 100;
  // A wheel notch, in Qt's eighths of a degree.
  static constexpr int WheelNotch = 120;

  ListView(int32_t window, int32_t control, QWidget* parent);

  // Shows the control as the model has it now; only what changed is redone.
  void Apply(const Control& control, const DialogUnits& units);

  int RowHeight() const;
  // The whole rows the list shows at its present height.
  int32_t VisibleRows() const;
  QTreeWidget* Tree() const { return List; }
  QScrollBar* ThumbBar() const { return Thumb; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ApplyColumns(const std::vector<ListColumn>& columns, const DialogUnits& units);
  // Column widths from the format, each at least as wide as its header's text; the room
  // a widened column needs comes from the others' spare width.
  void FitColumns();
  void ApplyRows(const std::vector<std::vector<std::string>>& rows);
  void ApplySelection(int32_t row);
  void ReportVisibleRows();
  void Scroll(int32_t event, int32_t key);
  void Choose(int32_t row);
  void DoubleClick(int32_t row);
  void ContextMenu(int32_t row);
  int32_t RowAt(const QPoint& viewportPos) const;
  void OnThumbAction(int action);
  void OnThumbReleased();

  int32_t Window;
  int32_t ControlNumber;
  QTreeWidget* List;
  QScrollBar* Thumb;
  std::string Format;
  std::vector<ListColumn> Columns;
  std::vector<std::vector<std::string>> Rows;
  int32_t Selected = -1;
  int ThumbValue = ThumbMinimum;
  int32_t ReportedRows = -1;
  int WheelRest = 0;
  std::vector<int> FormatWidths;  // pixels, 0 where the format gives none
  bool UserSized = false;
  bool Fitting = false;
};

}  // namespace runtime::ui::qt
