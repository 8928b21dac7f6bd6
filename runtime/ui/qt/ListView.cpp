#include "runtime/ui/qt/ListView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
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
#include "runtime/ui/InputRouter.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/QtConversions.h"

namespace runtime::ui::qt {
namespace {

constexpr int ThumbPageStep = 10;
// Room beside a header's text for the section's margins and its sort indicator.
constexpr int HeaderPadding = 24;

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
  // Once the user has set a column's width, the list leaves the widths alone.
  connect(List->header(), &QHeaderView::sectionResized, this, [this] {
    if (!Fitting) UserSized = true;
  });
}

int ListView::RowHeight() const { return List->fontMetrics().height() + RowPadding; }

int32_t ListView::VisibleRows() const { return std::max(0, List->viewport()->height() / std::max(1, RowHeight())); }

void ListView::Apply(const Control& control, const DialogUnits& units) {
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
  header->setTextElideMode(Qt::ElideRight);
  FormatWidths.clear();
  for (size_t i = 0; i < Columns.size(); ++i) {
    const ListColumn& c = Columns[i];
    const int column = static_cast<int>(i);
    FormatWidths.push_back(c.Width > 0 ? units.ToPixelsX(c.Width) : 0);
    List->headerItem()->setToolTip(column, QtConversions::ToQt(c.Header));
    header->setSectionResizeMode(column, c.Resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
    List->headerItem()->setTextAlignment(column, QtConversions::AlignmentOf(c.HeaderAlign));
    delegate->Styles.push_back({.Indent = units.ToPixelsX(c.Indent),
                                .RightAligned = c.Align == ListColumn::Justify::Right || c.Align == ListColumn::Justify::Decimal,
                                .RightBorder = c.RightBorder});
  }
  UserSized = false;
  FitColumns();
}

void ListView::FitColumns() {
  if (UserSized || FormatWidths.empty()) return;
  QHeaderView* header = List->header();
  const QFontMetrics metrics = header->fontMetrics();
  std::vector<int> wanted(FormatWidths.size());
  std::vector<int> least(FormatWidths.size());
  int total = 0;
  for (size_t i = 0; i < FormatWidths.size(); ++i) {
    const QString text = List->headerItem()->text(static_cast<int>(i));
    least[i] = text.isEmpty() ? 0 : metrics.horizontalAdvance(text) + HeaderPadding;
    wanted[i] = std::max(FormatWidths[i], least[i]);
    total += wanted[i];
  }
  // Widening a column for its header takes the room from the columns that have more
  // than their own header needs, so the columns still fit the list.
  int over = total - List->viewport()->width();
  for (size_t i = 0; i < wanted.size() && over > 0 && List->viewport()->width() > 0; ++i) {
    const int spare = std::min(over, std::max(0, FormatWidths[i] - least[i]));
    const int take = std::min(spare, std::max(0, wanted[i] - least[i]));
    wanted[i] -= take;
    over -= take;
  }
  Fitting = true;
  for (size_t i = 0; i < wanted.size(); ++i)
    if (wanted[i] > 0) List->setColumnWidth(static_cast<int>(i), wanted[i]);
  Fitting = false;
}

void ListView::ApplyRows(const std::vector<std::vector<std::string>>& rows) {
  Rows = rows;
  const QSignalBlocker block(List);
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
  // The selection model must be heard by the view: it repaints the rows whose
  // selection changed only when told, and a blocked model leaves the old highlight
  // on the screen while the program acts on the new row.
  QItemSelectionModel* selection = List->selectionModel();
  if (row >= 1 && row <= List->topLevelItemCount()) {
    const QModelIndex index = List->model()->index(row - 1, 0);
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  } else {
    selection->clearSelection();
    selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
  List->viewport()->update();
}

void ListView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitColumns();
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

int32_t ListView::RowAt(const QPoint& viewportPos) const {
  QTreeWidgetItem* item = List->itemAt(viewportPos);
  return item ? List->indexOfTopLevelItem(item) + 1 : 0;
}

void ListView::Scroll(int32_t event, int32_t key) { WindowModel::Input(Window, ControlNumber, event, key); }

void ListView::Choose(int32_t row) {
  if (row >= 1) (void)InputRouter::Click(Window, ControlNumber, row);
}

void ListView::DoubleClick(int32_t row) {
  if (row >= 1) (void)InputRouter::DoubleClick(Window, ControlNumber, row);
}

void ListView::ContextMenu(int32_t row) { (void)InputRouter::RightClick(Window, ControlNumber, row); }

bool ListView::eventFilter(QObject* watched, QEvent* event) {
  const bool onViewport = watched == List->viewport();
  switch (event->type()) {
    case QEvent::Resize:
      if (onViewport) {
        FitColumns();
        ReportVisibleRows();
      }
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
      if (mouse->button() == Qt::LeftButton) Choose(RowAt(mouse->position().toPoint()));
      return true;
    }
    case QEvent::MouseButtonRelease: {
      if (!onViewport) return false;
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::RightButton) ContextMenu(RowAt(mouse->position().toPoint()));
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
      // The window routes the keys it knows before this filter sees them; the list
      // itself must never move its own current row (arrows, letters), or it would show
      // a row the program does not hold. Only Tab moves on.
      if (watched != List) return false;
      const int qtKey = static_cast<QKeyEvent*>(event)->key();
      return qtKey != Qt::Key_Tab && qtKey != Qt::Key_Backtab;
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
