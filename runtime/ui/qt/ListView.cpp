#include "runtime/ui/qt/ListView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QWheelEvent>

#include <algorithm>

#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/QtConversions.h"

namespace runtime::ui::qt {
namespace {

constexpr int ThumbPageStep = 10;

// Every row as high as the list says, cells indented as the format says, and a line
// at the right of the columns that ask for one.
class RowDelegate : public QStyledItemDelegate {
 public:
  RowDelegate(const ListView* list, QObject* parent) : QStyledItemDelegate(parent), List(list) {}

  struct ColumnStyle {
    int Indent = 0;
    bool RightAligned = false;
    bool RightBorder = false;
  };
  std::vector<ColumnStyle> Styles;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(List->RowHeight());
    return size;
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem shifted(option);
    const size_t column = static_cast<size_t>(index.column());
    if (column < Styles.size()) {
      const ColumnStyle& style = Styles[column];
      if (style.RightAligned) shifted.rect.adjust(0, 0, -style.Indent, 0);
      else shifted.rect.adjust(style.Indent, 0, 0, 0);
    }
    QStyledItemDelegate::paint(painter, shifted, index);
    if (column < Styles.size() && Styles[column].RightBorder) {
      painter->save();
      painter->setPen(option.palette.color(QPalette::Mid));
      painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
      painter->restore();
    }
  }

 private:
  const ListView* List;
};

int32_t ScrollEventOfKey(int32_t key) {
  switch (key) {
    case Key::Up: return Event::ScrollUp;
    case Key::Down: return Event::ScrollDown;
    case Key::PgUp: return Event::PageUp;
    case Key::PgDn: return Event::PageDown;
    case Key::Home: return Event::ScrollTop;
    case Key::End: return Event::ScrollBottom;
    default: return 0;
  }
}

}  // namespace

ListView::ListView(int32_t window, int32_t control, QWidget* parent)
    : QWidget(parent), Window(window), ControlNumber(control), List(new QTreeWidget(this)), Thumb(new QScrollBar(Qt::Vertical, this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(List);
  layout->addWidget(Thumb);

  List->setRootIsDecorated(false);
  List->setUniformRowHeights(true);
  List->setAllColumnsShowFocus(true);
  List->setSelectionMode(QAbstractItemView::SingleSelection);
  List->setEditTriggers(QAbstractItemView::NoEditTriggers);
  List->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  List->setContextMenuPolicy(Qt::PreventContextMenu);
  List->header()->setStretchLastSection(false);
  List->header()->setSectionsMovable(false);
  List->setItemDelegate(new RowDelegate(this, List));
  List->installEventFilter(this);
  List->viewport()->installEventFilter(this);
  List->viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
  setFocusProxy(List);

  Thumb->setRange(ThumbMinimum, ThumbMaximum);
  Thumb->setPageStep(ThumbPageStep);
  Thumb->setFocusPolicy(Qt::NoFocus);
  Thumb->hide();
  connect(Thumb, &QScrollBar::actionTriggered, this, &ListView::OnThumbAction);
  connect(Thumb, &QScrollBar::sliderReleased, this, &ListView::OnThumbReleased);
}

int ListView::RowHeight() const { return List->fontMetrics().height() + RowPadding; }

int32_t ListView::VisibleRows() const { return std::max(0, List->viewport()->height() / std::max(1, RowHeight())); }

void ListView::Apply(const Control& control, const DialogUnits& units) {
  Alerts = control.Alerts;
  if (control.Format != Format || Columns.empty()) {
    Format = control.Format;
    ApplyColumns(ListFormat::Parse(Format), units);
    Rows.clear();
    List->clear();
  }
  if (control.Rows != Rows) ApplyRows(control.Rows);
  ApplySelection(control.SelectedRow);
  const int thumb = std::clamp(control.Thumb, ThumbMinimum, ThumbMaximum);
  if (thumb != ThumbValue || Thumb->value() != thumb) {
    ThumbValue = thumb;
    if (!Thumb->isSliderDown()) {
      const QSignalBlocker block(Thumb);
      Thumb->setValue(thumb);
    }
  }
  if (Thumb->isVisibleTo(this) != control.ThumbShown) Thumb->setVisible(control.ThumbShown);
}

void ListView::ApplyColumns(const std::vector<ListColumn>& columns, const DialogUnits& units) {
  Columns = columns;
  if (Columns.empty()) {
    ListColumn whole;
    whole.Field = 1;
    Columns.push_back(whole);
  }
  List->setColumnCount(static_cast<int>(Columns.size()));
  auto* delegate = static_cast<RowDelegate*>(List->itemDelegate());
  delegate->Styles.clear();
  QStringList headers;
  bool anyHeader = false;
  for (const ListColumn& c : Columns) {
    headers << QtConversions::ToQt(c.Header);
    anyHeader = anyHeader || !c.Header.empty();
  }
  List->setHeaderLabels(headers);
  List->setHeaderHidden(!anyHeader);
  QHeaderView* header = List->header();
  for (size_t i = 0; i < Columns.size(); ++i) {
    const ListColumn& c = Columns[i];
    const int column = static_cast<int>(i);
    if (c.Width > 0) List->setColumnWidth(column, units.ToPixelsX(c.Width));
    header->setSectionResizeMode(column, c.Resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
    List->headerItem()->setTextAlignment(column, QtConversions::AlignmentOf(c.HeaderAlign));
    delegate->Styles.push_back({.Indent = units.ToPixelsX(c.Indent),
                                .RightAligned = c.Align == ListColumn::Justify::Right || c.Align == ListColumn::Justify::Decimal,
                                .RightBorder = c.RightBorder});
  }
}

void ListView::ApplyRows(const std::vector<std::vector<std::string>>& rows) {
  Rows = rows;
  const QSignalBlocker block(List);
  const QSignalBlocker blockSelection(List->selectionModel());
  const int wanted = static_cast<int>(rows.size());
  while (List->topLevelItemCount() > wanted) delete List->takeTopLevelItem(List->topLevelItemCount() - 1);
  while (List->topLevelItemCount() < wanted) List->addTopLevelItem(new QTreeWidgetItem());
  for (int r = 0; r < wanted; ++r) {
    QTreeWidgetItem* item = List->topLevelItem(r);
    const std::vector<std::string>& cells = rows[static_cast<size_t>(r)];
    for (size_t i = 0; i < Columns.size(); ++i) {
      const size_t field = static_cast<size_t>(std::max(1, Columns[i].Field) - 1);
      const int column = static_cast<int>(i);
      item->setText(column, field < cells.size() ? QtConversions::ToQt(cells[field]) : QString());
      item->setTextAlignment(column, QtConversions::AlignmentOf(Columns[i].Align));
    }
  }
  Selected = -1;  // the selection is shown again on the new rows
}

void ListView::ApplySelection(int32_t row) {
  if (row == Selected) return;
  Selected = row;
  const QSignalBlocker block(List);
  const QSignalBlocker blockSelection(List->selectionModel());
  List->clearSelection();
  if (row >= 1 && row <= List->topLevelItemCount()) {
    QTreeWidgetItem* item = List->topLevelItem(row - 1);
    List->setCurrentItem(item);
    item->setSelected(true);
  }
}

void ListView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ReportVisibleRows();
}

void ListView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ReportVisibleRows();
}

void ListView::ReportVisibleRows() {
  if (!isVisible()) return;
  const int32_t rows = VisibleRows();
  if (rows == ReportedRows) return;
  ReportedRows = rows;
  WindowModel::SetVisibleRows(Window, ControlNumber, rows);
  WindowModel::Post(Window, Event::Sized);
}

bool ListView::HasAlert(int32_t key) const {
  return std::any_of(Alerts.begin(), Alerts.end(), [&](const auto& slot) { return slot.second == key; });
}

int32_t ListView::RowAt(const QPoint& viewportPos) const {
  QTreeWidgetItem* item = List->itemAt(viewportPos);
  return item ? List->indexOfTopLevelItem(item) + 1 : 0;
}

void ListView::Scroll(int32_t event, int32_t key) { WindowModel::Input(Window, ControlNumber, event, key); }

void ListView::Choose(int32_t row, int32_t key) {
  if (row >= 1) WindowModel::ChooseRow(Window, ControlNumber, row, key);
}

void ListView::DoubleClick(int32_t row) {
  if (row < 1) return;
  WindowModel::ChooseRow(Window, ControlNumber, row, Key::MouseLeft2);
  WindowModel::Input(Window, ControlNumber, HasAlert(Key::MouseLeft2) ? Event::AlertKey : Event::Accepted, Key::MouseLeft2);
}

void ListView::ContextMenu(int32_t row, int32_t key) {
  if (HasAlert(key)) WindowModel::Input(Window, ControlNumber, Event::AlertKey, key);
  // An empty list still offers its menu (Insert): the selection event carries the key.
  if (row >= 1) WindowModel::ChooseRow(Window, ControlNumber, row, key);
  else WindowModel::Input(Window, ControlNumber, Event::NewSelection, key);
}

bool ListView::eventFilter(QObject* watched, QEvent* event) {
  const bool onViewport = watched == List->viewport();
  switch (event->type()) {
    case QEvent::Resize:
      if (onViewport) ReportVisibleRows();
      return false;
    case QEvent::Wheel: {
      auto* wheel = static_cast<QWheelEvent*>(event);
      WheelRest += wheel->angleDelta().y();
      const int lines = std::max(1, QApplication::wheelScrollLines());
      while (WheelRest >= WheelNotch) {
        WheelRest -= WheelNotch;
        for (int i = 0; i < lines; ++i) Scroll(Event::ScrollUp, Key::None);
      }
      while (WheelRest <= -WheelNotch) {
        WheelRest += WheelNotch;
        for (int i = 0; i < lines; ++i) Scroll(Event::ScrollDown, Key::None);
      }
      return true;
    }
    case QEvent::MouseButtonPress: {
      if (!onViewport) return false;
      auto* mouse = static_cast<QMouseEvent*>(event);
      List->setFocus(Qt::MouseFocusReason);
      if (mouse->button() == Qt::LeftButton) Choose(RowAt(mouse->position().toPoint()), Key::MouseLeft);
      return true;
    }
    case QEvent::MouseButtonRelease: {
      if (!onViewport) return false;
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::RightButton) ContextMenu(RowAt(mouse->position().toPoint()), Key::MouseRightUp);
      return true;
    }
    case QEvent::MouseButtonDblClick: {
      if (!onViewport) return false;
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) DoubleClick(RowAt(mouse->position().toPoint()));
      return true;
    }
    case QEvent::MouseMove:
      return onViewport;
    case QEvent::KeyPress: {
      if (watched != List) return false;
      auto* keyEvent = static_cast<QKeyEvent*>(event);
      const int32_t key = QtConversions::KeyCodeOf(*keyEvent);
      if (key != Key::None && HasAlert(key)) {
        WindowModel::Input(Window, ControlNumber, Event::AlertKey, key);
        return true;
      }
      if (const int32_t scroll = ScrollEventOfKey(key)) {
        Scroll(scroll, key);
        return true;
      }
      if (key == Key::MenuKey) {
        ContextMenu(WindowModel::Choice(Window, ControlNumber), Key::MenuKey);
        return true;
      }
      return false;  // Enter, Esc, Tab and letters go on to the window
    }
    default:
      return false;
  }
}

void ListView::OnThumbAction(int action) {
  int32_t event = 0;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: event = Event::ScrollDown; break;
    case QAbstractSlider::SliderSingleStepSub: event = Event::ScrollUp; break;
    case QAbstractSlider::SliderPageStepAdd: event = Event::PageDown; break;
    case QAbstractSlider::SliderPageStepSub: event = Event::PageUp; break;
    case QAbstractSlider::SliderToMinimum: event = Event::ScrollTop; break;
    case QAbstractSlider::SliderToMaximum: event = Event::ScrollBottom; break;
    default: return;  // a drag in progress: the program hears of it on release
  }
  // The thumb shows where the program says the list is, not where the click put it.
  Thumb->setSliderPosition(ThumbValue);
  Scroll(event, Key::None);
}

void ListView::OnThumbReleased() {
  WindowModel::SetPropInt(Window, ControlNumber, Prop::ThumbPosition, Thumb->sliderPosition());
  Scroll(Event::ScrollDrag, Key::None);
}

}  // namespace runtime::ui::qt
