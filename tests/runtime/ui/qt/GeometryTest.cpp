// Window geometry: the user's moves and resizes written back into the model in dialog
// units and the same place and size given to the window opened again from them; Tile and
// Cascade on two child windows; a stored position off every screen brought back; and
// the time from the program's start to its first window on the screen.

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTest>

#include <cstdlib>

#include "runtime/core/Process.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/FrameWindow.h"
#include "runtime/ui/qt/WindowView.h"
#include "tests/runtime/ui/qt/DesktopFixture.h"
#include "tests/runtime/ui/qt/TestRegistry.h"

namespace desktoptest {
namespace {

using runtime::ui::Event;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

struct Stored {
  int64_t X, Y, Width, Height;
};

Stored Read(int32_t window) {
  return {WindowModel::GetPropInt(window, 0, Prop::XPos), WindowModel::GetPropInt(window, 0, Prop::YPos),
          WindowModel::GetPropInt(window, 0, Prop::Width), WindowModel::GetPropInt(window, 0, Prop::Height)};
}

}  // namespace

class GeometryTest : public QObject {
  Q_OBJECT

 private:
  Screen S;
  ProgramWindow Frame;

  QMdiSubWindow* Sub(int32_t window) { return qobject_cast<QMdiSubWindow*>(S->OuterOf(window)); }

  void StartFrame() {
    Frame.Start(FrameDefinition());
    QTRY_VERIFY_WITH_TIMEOUT(S->Frame() && S->Frame()->isVisible(), Patience);
  }

 private slots:
  void init() { S.Start(); }
  void cleanup() {
    Frame.Join();
    S.Stop();
  }

  void movedAndResizedWindowOpensAgainAtTheSamePlaceAndSize() {
    StartFrame();
    Stored stored{};
    QRect placed;
    QSize client;
    {
      ProgramWindow browse;
      browse.Start(BrowseDefinition("Browse", 10, 10));
      QTRY_VERIFY_WITH_TIMEOUT(Sub(browse.Id) && Sub(browse.Id)->isVisible(), Patience);
      QMdiSubWindow* sub = Sub(browse.Id);
      const auto& units = S->ViewOf(browse.Id)->Units();
      QCOMPARE(sub->pos(), QPoint(units.ToPixelsX(10), units.ToPixelsY(10)));
      QCOMPARE(S->ViewOf(browse.Id)->size(), QSize(units.ToPixelsX(260), units.ToPixelsY(140)));

      // The user drags and stretches the window.
      sub->move(70, 45);
      sub->resize(sub->size() + QSize(60, 30));
      QTRY_COMPARE_WITH_TIMEOUT(WindowModel::GetPropInt(browse.Id, 0, Prop::XPos), int64_t(units.ToUnitsX(70)), Patience);
      QTRY_COMPARE_WITH_TIMEOUT(WindowModel::GetPropInt(browse.Id, 0, Prop::Width),
                                int64_t(units.ToUnitsX(S->ViewOf(browse.Id)->width())), Patience);
      QTRY_VERIFY_WITH_TIMEOUT(browse.Count(Event::Sized) > 0 && browse.Count(Event::Moved) > 0, Patience);
      stored = Read(browse.Id);
      QCOMPARE(stored.Y, int64_t(units.ToUnitsY(45)));
      QCOMPARE(stored.Height, int64_t(units.ToUnitsY(S->ViewOf(browse.Id)->height())));
      placed = sub->geometry();
      client = S->ViewOf(browse.Id)->size();
      WindowModel::Post(browse.Id, Event::CloseWindow);
      QTRY_VERIFY_WITH_TIMEOUT(browse.Finished.load(), Patience);
    }
    QTRY_VERIFY_WITH_TIMEOUT(S->Frame()->Mdi()->subWindowList().isEmpty(), Patience);

    // Opened again from what was stored (as the window procedure restores it).
    WindowDefinition again = BrowseDefinition("Browse", static_cast<int32_t>(stored.X), static_cast<int32_t>(stored.Y));
    again.Width = static_cast<int32_t>(stored.Width);
    again.Height = static_cast<int32_t>(stored.Height);
    ProgramWindow reopened;
    reopened.Start(again);
    QTRY_VERIFY_WITH_TIMEOUT(Sub(reopened.Id) && Sub(reopened.Id)->isVisible(), Patience);
    const auto& units = S->ViewOf(reopened.Id)->Units();
    const QRect expected = units.ToPixels(static_cast<int32_t>(stored.X), static_cast<int32_t>(stored.Y),
                                          static_cast<int32_t>(stored.Width), static_cast<int32_t>(stored.Height));
    QCOMPARE(Sub(reopened.Id)->pos(), expected.topLeft());
    QCOMPARE(S->ViewOf(reopened.Id)->size(), expected.size());
    // Dialog units are coarser than pixels: the same place and size to within one unit.
    const int unitX = units.ToPixelsX(1) + 1, unitY = units.ToPixelsY(1) + 1;
    QVERIFY(std::abs(expected.x() - placed.x()) < unitX && std::abs(expected.y() - placed.y()) < unitY);
    QVERIFY(std::abs(expected.width() - client.width()) < unitX && std::abs(expected.height() - client.height()) < unitY);
  }

  void maximizeAndMinimizeAreWrittenBack() {
    StartFrame();
    ProgramWindow browse;
    browse.Start(BrowseDefinition());
    QTRY_VERIFY_WITH_TIMEOUT(Sub(browse.Id) && Sub(browse.Id)->isVisible(), Patience);
    Sub(browse.Id)->showMaximized();
    QTRY_COMPARE_WITH_TIMEOUT(WindowModel::GetPropInt(browse.Id, 0, Prop::Maximize), int64_t(1), Patience);
    Sub(browse.Id)->showMinimized();
    QTRY_COMPARE_WITH_TIMEOUT(WindowModel::GetPropInt(browse.Id, 0, Prop::Iconize), int64_t(1), Patience);
    QCOMPARE(WindowModel::GetPropInt(browse.Id, 0, Prop::Maximize), int64_t(0));
    // And the program's own state change reaches the screen.
    WindowModel::SetPropInt(browse.Id, 0, Prop::Maximize, 1);
    QTRY_VERIFY_WITH_TIMEOUT(Sub(browse.Id)->isMaximized(), Patience);
  }

  void tileAndCascadeArrangeTwoChildWindows() {
    StartFrame();
    ProgramWindow first, second;
    first.Start(BrowseDefinition("First", 0, 0));
    second.Start(BrowseDefinition("Second", 0, 0));
    QTRY_VERIFY_WITH_TIMEOUT(Sub(first.Id) && Sub(second.Id) && Sub(second.Id)->isVisible(), Patience);
    QCOMPARE(Sub(first.Id)->geometry(), Sub(second.Id)->geometry());  // on top of each other

    // Chosen from the frame's menu, as the user would.
    const int32_t tile = WindowModel::ControlNumber(Frame.Id, "?TILE");
    const int32_t cascade = WindowModel::ControlNumber(Frame.Id, "?CASCADE");
    WindowModel::Input(Frame.Id, tile, Event::Accepted);
    QTRY_VERIFY_WITH_TIMEOUT(!Sub(first.Id)->geometry().intersects(Sub(second.Id)->geometry()), Patience);
    const QRect area(QPoint(0, 0), S->Frame()->Mdi()->viewport()->size());
    QVERIFY(area.contains(Sub(first.Id)->geometry()) && area.contains(Sub(second.Id)->geometry()));
    // The tiled places are the windows' places now.
    for (const ProgramWindow* w : {&first, &second}) {
      const auto& units = S->ViewOf(w->Id)->Units();
      QTRY_COMPARE_WITH_TIMEOUT(WindowModel::GetPropInt(w->Id, 0, Prop::XPos), int64_t(units.ToUnitsX(Sub(w->Id)->x())), Patience);
      QTRY_COMPARE_WITH_TIMEOUT(WindowModel::GetPropInt(w->Id, 0, Prop::YPos), int64_t(units.ToUnitsY(Sub(w->Id)->y())), Patience);
    }

    WindowModel::Input(Frame.Id, cascade, Event::Accepted);
    QTRY_VERIFY_WITH_TIMEOUT(Sub(first.Id)->geometry().intersects(Sub(second.Id)->geometry()), Patience);
    const QPoint a = Sub(first.Id)->pos(), b = Sub(second.Id)->pos();
    QVERIFY(a != b);
    QVERIFY((b.x() > a.x() && b.y() > a.y()) || (a.x() > b.x() && a.y() > b.y()));
  }

  void positionOffEveryScreenIsBroughtBack() {
    runtime::ui::WindowBuilder b("Lost");
    b.Caption("Lost").Font("Microsoft Sans Serif", 8).Position(30000, -9000).Size(120, 60);
    ProgramWindow lost;
    lost.Start(b.Build());
    QTRY_VERIFY_WITH_TIMEOUT(S->OuterOf(lost.Id) && S->OuterOf(lost.Id)->isVisible(), Patience);
    // With its title bar and borders, as the window manager places it and as its position is kept.
    const QRect shown = S->OuterOf(lost.Id)->frameGeometry();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(screen.contains(shown), qPrintable(QString("%1,%2 %3x%4").arg(shown.x()).arg(shown.y()).arg(shown.width()).arg(shown.height())));
    // The corrected position is the one the window will be remembered at.
    const auto& units = S->ViewOf(lost.Id)->Units();
    QCOMPARE(WindowModel::GetPropInt(lost.Id, 0, Prop::XPos), int64_t(units.ToUnitsX(shown.x())));
    QCOMPARE(WindowModel::GetPropInt(lost.Id, 0, Prop::YPos), int64_t(units.ToUnitsY(shown.y())));
  }

  void timeFromProgramStartToFirstWindow() {
    QElapsedTimer clock;
    qint64 shownAt = -1;
    int32_t frameId = 0;
    connect(&*S, &runtime::ui::qt::Desktop::WindowShown, this, [&](int32_t) {
      if (shownAt < 0) shownAt = clock.nsecsElapsed();
    });
    clock.start();
    const bool launched = runtime::core::Process::Launch({}, [&frameId] {
      frameId = runtime::ui::WindowModel::Open(FrameDefinition());
      runtime::ui::EventLoop::Run(frameId, [](const PostedEvent&) { return 0; });
    });
    QVERIFY(launched);
    QTRY_VERIFY_WITH_TIMEOUT(shownAt >= 0, Patience);
    qInfo("program start to first window shown: %.1f ms", shownAt / 1e6);
    WindowModel::Post(frameId, Event::CloseWindow);
    runtime::core::Process::Wait();
  }
};

static Register<GeometryTest> registered;

}  // namespace desktoptest

#include "GeometryTest.moc"
