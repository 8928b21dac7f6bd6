#include "runtime/ui/qt/CellEditor.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QTreeWidget>

#include <string>

#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/ListView.h"

namespace runtime::ui::qt {
namespace {

// Installed after the list's own filter, so it sees a press first.
class ColumnTracker : public QObject {
 public:
  ColumnTracker(QTreeWidget* tree, int32_t window, int32_t control)
      : QObject(tree), Tree(tree), Window(window), Control(control) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    (void)watched;
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
      const int x = static_cast<QMouseEvent*>(event)->position().toPoint().x();
      const int column = Tree->header()->logicalIndexAt(x);
      WindowModel::SetPropInt(Window, Control, Prop::MouseDownColumn, column < 0 ? 0 : column + 1);
    }
    return false;
  }

 private:
  QTreeWidget* Tree;
  int32_t Window;
  int32_t Control;
};

}  // namespace

QRect CellEditor::CellRect(const Control& list, const ListView& view, int32_t entry, const QWidget* parent) {
  QTreeWidget* tree = view.Tree();
  if (tree == nullptr || entry == 0 || list.SelectedRow < 1) return {};
  int column = 0;
  for (const auto& [key, value] : list.Other)
    if (key.first == Prop::EditControl && value == std::to_string(entry)) column = key.second;
  if (column < 1 || column > tree->columnCount()) return {};
  QTreeWidgetItem* item = tree->topLevelItem(list.SelectedRow - 1);
  if (item == nullptr) return {};
  const QRect row = tree->visualItemRect(item);
  if (!row.isValid() || !tree->viewport()->rect().intersects(row)) return {};
  const QHeaderView* header = tree->header();
  const QRect cell(header->sectionViewportPosition(column - 1), row.top(), header->sectionSize(column - 1),
                   row.height());
  return QRect(tree->viewport()->mapTo(parent, cell.topLeft()), cell.size());
}

void CellEditor::TrackColumns(ListView& view, int32_t window, int32_t control) {
  QTreeWidget* tree = view.Tree();
  if (tree == nullptr) return;
  tree->viewport()->installEventFilter(new ColumnTracker(tree, window, control));
}

}  // namespace runtime::ui::qt
