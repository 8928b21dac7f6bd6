// The list control: columns from the format string, rows as the program displayed them,
// the visible row count reported, and wheel, keys, clicks and the thumb turned into the
// program's events.

#include <QApplication>
#include <QHeaderView>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <QWheelEvent>

#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/FrameWindow.h"
#include "runtime/ui/qt/ListView.h"
#include "runtime/ui/qt/WindowView.h"
#include "tests/runtime/ui/qt/DesktopFixture.h"
#include "tests/runtime/ui/qt/TestRegistry.h"

namespace desktoptest {
namespace {

using runtime::ui::Event;
using runtime::ui::Key;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

constexpr int32_t ListControl = 1;

int Count(const ProgramWindow& w, int32_t event, int32_t key) {
  int n = 0;
  for (const PostedEvent& e : w.Events())
    if (e.Number == event && e.Control == ListControl && e.KeyCode == key) ++n;
  return n;
}

}  // namespace

class ListTest : public QObject {
  Q_OBJECT

 private:
  Screen S;
  ProgramWindow Frame;
  ProgramWindow Browse;
  runtime::ui::qt::ListView* List = nullptr;

 private slots:
  void init() {
    S.Start();
    Frame.Start(FrameDefinition());
    QTRY_VERIFY_WITH_TIMEOUT(S->Frame() != nullptr, Patience);
    Browse.Start(BrowseDefinition(), {}, [](int32_t window) {
      WindowModel::SetListRows(window, ListControl,
                               {{"https://example.org/", "3", "*"}, {"https://example.net/", "12", ""}, {"ftp://x/", "1", ""}});
      WindowModel::SetPropInt(window, ListControl, Prop::Selected, 2);
    });
    QTRY_VERIFY_WITH_TIMEOUT(S->ViewOf(Browse.Id) && S->ViewOf(Browse.Id)->ListOf(ListControl), Patience);
    List = S->ViewOf(Browse.Id)->ListOf(ListControl);
    QTRY_COMPARE_WITH_TIMEOUT(List->Tree()->topLevelItemCount(), 3, Patience);
  }
  void cleanup() {
    Browse.Join();
    Frame.Join();
    S.Stop();
  }

  void theSheetDeclaredAfterTheListDoesNotCoverIt() {
    QWidget* view = S->ViewOf(Browse.Id);
    const QPoint centre = List->mapTo(view, List->rect().center());
    QWidget* hit = view->childAt(centre);
    QVERIFY(hit != nullptr);
    QVERIFY(hit == List || List->isAncestorOf(hit));
  }

  void columnsFollowTheFormatString() {
    QTreeWidget* tree = List->Tree();
    const auto& units = S->ViewOf(Browse.Id)->Units();
    QCOMPARE(tree->columnCount(), 3);
    QCOMPARE(tree->headerItem()->text(0), QString("Address"));
    QCOMPARE(tree->headerItem()->text(1), QString("Times"));
    QCOMPARE(tree->headerItem()->text(2), QString("Mark"));
    const auto columns = runtime::ui::ListFormat::Parse(BrowseFormat);
    const struct {
      int Width;
      Qt::Alignment Cells;
      Qt::Alignment Header;
      QHeaderView::ResizeMode Resize;
    } expected[] = {
        {units.ToPixelsX(160), Qt::AlignLeft, Qt::AlignLeft, QHeaderView::Interactive},
        {units.ToPixelsX(40), Qt::AlignRight, Qt::AlignHCenter, QHeaderView::Interactive},
        {units.ToPixelsX(30), Qt::AlignHCenter, Qt::AlignLeft, QHeaderView::Fixed},
    };
    for (int c = 0; c < 3; ++c) {
      QCOMPARE(tree->columnWidth(c), expected[c].Width);
      QCOMPARE(units.ToUnitsX(tree->columnWidth(c)), columns[static_cast<size_t>(c)].Width);
      QCOMPARE(Qt::Alignment(tree->topLevelItem(0)->textAlignment(c)) & Qt::AlignHorizontal_Mask, expected[c].Cells);
      QCOMPARE(Qt::Alignment(tree->headerItem()->textAlignment(c)) & Qt::AlignHorizontal_Mask, expected[c].Header);
      QCOMPARE(tree->header()->sectionResizeMode(c), expected[c].Resize);
    }
    QCOMPARE(tree->topLevelItem(1)->text(0), QString("https://example.net/"));
    QCOMPARE(tree->topLevelItem(1)->text(1), QString("12"));
    QCOMPARE(tree->currentItem(), tree->topLevelItem(1));
    QVERIFY(tree->topLevelItem(1)->isSelected());
  }

  void visibleRowsAreReportedWhenTheHeightChanges() {
    QTRY_VERIFY_WITH_TIMEOUT(List->VisibleRows() > 0, Patience);
    QTRY_COMPARE_WITH_TIMEOUT(WindowModel::GetPropInt(Browse.Id, ListControl, Prop::Items), int64_t(List->VisibleRows()), Patience);
    const int32_t before = List->VisibleRows();
    const int sizedBefore = Browse.Count(Event::Sized);
    // The program makes its list taller: more rows fit, and the program hears of it.
    WindowModel::SetPropInt(Browse.Id, ListControl, Prop::Height, 130);
    QTRY_VERIFY_WITH_TIMEOUT(List->VisibleRows() > before, Patience);
    QTRY_COMPARE_WITH_TIMEOUT(WindowModel::GetPropInt(Browse.Id, ListControl, Prop::Items), int64_t(List->VisibleRows()), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(Browse.Count(Event::Sized) > sizedBefore, Patience);
  }

  void focusShowsTheControlsMessageInTheFrame() {
    S->Frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(S->Frame()));
    // From the Insert button to the list, as Tab would move it.
    S->ViewOf(Browse.Id)->WidgetOf(2)->setFocus(Qt::TabFocusReason);
    List->Tree()->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE_WITH_TIMEOUT(S->Frame()->statusBar()->currentMessage(), QString("Addresses"), Patience);
    // The program hears that the list took the focus.
    QTRY_COMPARE_WITH_TIMEOUT(Browse.Count(Event::Selected, ListControl), 1, Patience);
  }

  void wheelKeysAndThumbBecomeScrollEvents() {
    QWidget* viewport = List->Tree()->viewport();
    const QPoint at = viewport->rect().center();
    QWheelEvent down(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -ListView_Notch()), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &down);
    const int lines = QApplication::wheelScrollLines();
    QTRY_COMPARE_WITH_TIMEOUT(Count(Browse, Event::ScrollDown, Key::None), lines, Patience);

    List->Tree()->setFocus();
    QTest::keyClick(List->Tree(), Qt::Key_PageDown);
    QTest::keyClick(List->Tree(), Qt::Key_Up);
    QTest::keyClick(List->Tree(), Qt::Key_End);
    QTRY_COMPARE_WITH_TIMEOUT(Count(Browse, Event::PageDown, Key::PgDn), 1, Patience);
    QTRY_COMPARE_WITH_TIMEOUT(Count(Browse, Event::ScrollUp, Key::Up), 1, Patience);
    QTRY_COMPARE_WITH_TIMEOUT(Count(Browse, Event::ScrollBottom, Key::End), 1, Patience);
    // The list itself never moved: the program decides what it shows.
    QCOMPARE(List->Tree()->currentItem(), List->Tree()->topLevelItem(1));

    // The program shows its thumb; a drag of it reaches the program with the position.
    WindowModel::SetPropInt(Browse.Id, ListControl, Prop::VScroll, 1);
    WindowModel::SetPropInt(Browse.Id, ListControl, Prop::ThumbPosition, 40);
    QTRY_VERIFY_WITH_TIMEOUT(List->ThumbBar()->isVisible(), Patience);
    QTRY_COMPARE_WITH_TIMEOUT(List->ThumbBar()->value(), 40, Patience);
    List->ThumbBar()->setSliderDown(true);
    List->ThumbBar()->setSliderPosition(75);
    List->ThumbBar()->setSliderDown(false);
    QTRY_COMPARE_WITH_TIMEOUT(Count(Browse, Event::ScrollDrag, Key::None), 1, Patience);
    QCOMPARE(WindowModel::GetPropInt(Browse.Id, ListControl, Prop::ThumbPosition), int64_t(75));
    List->ThumbBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QTRY_COMPARE_WITH_TIMEOUT(Count(Browse, Event::PageDown, Key::None), 1, Patience);
    WindowModel::SetPropInt(Browse.Id, ListControl, Prop::VScroll, 0);
    QTRY_VERIFY_WITH_TIMEOUT(!List->ThumbBar()->isVisible(), Patience);
  }

  void clicksChooseRowsAndAskForTheMenu() {
    QTreeWidget* tree = List->Tree();
    const QPoint row3 = tree->visualItemRect(tree->topLevelItem(2)).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, row3);
    QTRY_COMPARE_WITH_TIMEOUT(Count(Browse, Event::NewSelection, Key::MouseLeft), 1, Patience);
    QCOMPARE(WindowModel::Choice(Browse.Id, ListControl), 3);
    QTRY_COMPARE_WITH_TIMEOUT(tree->currentItem(), tree->topLevelItem(2), Patience);

    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, tree->visualItemRect(tree->topLevelItem(0)).center());
    QTRY_COMPARE_WITH_TIMEOUT(Count(Browse, Event::NewSelection, Key::MouseRightUp), 1, Patience);
    QCOMPARE(WindowModel::Choice(Browse.Id, ListControl), 1);

    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, row3);
    QTRY_COMPARE_WITH_TIMEOUT(Count(Browse, Event::Accepted, Key::MouseLeft2), 1, Patience);
  }

 private:
  static int ListView_Notch() { return runtime::ui::qt::ListView::WheelNotch; }
};

static Register<ListTest> registered;

}  // namespace desktoptest

#include "ListTest.moc"
