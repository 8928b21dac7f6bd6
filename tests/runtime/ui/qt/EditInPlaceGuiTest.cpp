// A browse without an update procedure, run by the framework on a thread of its own
// under the desktop front end: Change lays an editor over the selected row's cell, Tab
// moves it to the count's cell, the typed count is saved with Enter. The window with
// the editor over the row is written to the build folder as edit-in-place.png.

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include <chrono>
#include <memory>
#include <string>

#include "framework/data/FileUsageRegistry.h"
#include "framework/error/ErrorStatus.h"
#include "runtime/core/PerThread.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventQueues.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/ListView.h"
#include "runtime/ui/qt/WindowView.h"
#include "tests/runtime/ui/qt/DesktopFixture.h"
#include "tests/runtime/ui/qt/TestRegistry.h"
#include "tests/support/BrowseTestWindow.h"
#include "tests/support/TempWorkDir.h"

namespace desktoptest {
namespace {

using runtime::ui::Prop;
using runtime::ui::WindowModel;
using testsupport::BrowseTestWindow;

runtime::core::PerThread<framework::error::ErrorStatus>& Status() {
  static runtime::core::PerThread<framework::error::ErrorStatus> status;
  return status;
}

}  // namespace

class EditInPlaceGuiTest : public QObject {
  Q_OBJECT

 private:
  Screen S;
  std::unique_ptr<testsupport::TempWorkDir> Folder;
  testsupport::RecordingErrorManager Errors;
  std::unique_ptr<testsupport::BrowseTestThread> Browse;
  int32_t Window = 0;

  // The visible in-place editor of the window, or nullptr.
  QLineEdit* Editor(int32_t control) const {
    runtime::ui::qt::WindowView* view = S->ViewOf(Window);
    QWidget* widget = view != nullptr ? view->WidgetOf(control) : nullptr;
    auto* entry = qobject_cast<QLineEdit*>(widget);
    return entry != nullptr && entry->isVisible() ? entry : nullptr;
  }

 private slots:
  void init() {
    Folder = std::make_unique<testsupport::TempWorkDir>();
    S.Start();
    Status().Reset();
    Errors.Construct();
    Errors.Init(Status());
    framework::data::FileUsageRegistry::Current().Init();
    {
      testsupport::NameFile file(Errors);
      QCOMPARE(file.Open(), framework::error::LevelQuiet);
      int32_t count = 1;
      for (const char* name : {"ALPHA", "BRAVO", "CHARLIE", "DELTA"}) QCOMPARE(file.Add(name, count++), 0);
      file.Relations.Close(framework::data::Walk::Top);
    }
  }
  void cleanup() {
    if (Window != 0 && WindowModel::Exists(Window)) WindowModel::Post(Window, runtime::ui::Event::CloseWindow);
    Browse.reset();
    Window = 0;
    S.Stop();
    framework::data::FileUsageRegistry::Current().Teardown();
    Errors.Shutdown();
    Folder.reset();
  }

  void aCountIsEditedInPlaceOverItsRow() {
    BrowseTestWindow::Options options;
    options.InPlace = true;
    Browse = std::make_unique<testsupport::BrowseTestThread>(std::move(options), Errors);
    QTRY_VERIFY_WITH_TIMEOUT((Window = WindowModel::FindByTitle(BrowseTestWindow::Title)) != 0, Patience);
    const int32_t list = WindowModel::ControlNumber(Window, "?List");
    QTRY_VERIFY_WITH_TIMEOUT(S->ViewOf(Window) && S->ViewOf(Window)->ListOf(list), Patience);
    QTreeWidget* tree = S->ViewOf(Window)->ListOf(list)->Tree();
    QTRY_COMPARE_WITH_TIMEOUT(tree->topLevelItemCount(), 4, Patience);
    // The window manager may still be placing and activating the window; a late resize
    // or focus change would end the edit this test starts, as it does for a person.
    QVERIFY(QTest::qWaitForWindowActive(S->ViewOf(Window)->window(), Patience));
    runtime::ui::EventQueues::WaitIdle(std::chrono::milliseconds(Patience));
    QCoreApplication::processEvents();

    QCOMPARE(QString::fromStdString(WindowModel::ChooseRow(Window, list, 2, runtime::ui::Key::MouseLeft)), QString());
    // Change pressed as the desktop's button reports it, once: a press the model
    // refuses (the window not ready for input yet) posts nothing and is made again.
    const int32_t change = WindowModel::ControlNumber(Window, "?Change");
    std::string refused;
    for (int waited = 0; waited < Patience; waited += 50) {
      refused = WindowModel::Input(Window, change, runtime::ui::Event::Accepted, runtime::ui::Key::MouseLeft);
      if (refused.empty()) break;
      QTest::qWait(50);
    }
    QCOMPARE(QString::fromStdString(refused), QString());
    int32_t nameEditor = 0;
    QTRY_VERIFY_WITH_TIMEOUT((nameEditor = WindowModel::ControlNumber(Window, "?EditInPlace:1")) != 0, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(Editor(nameEditor) != nullptr, Patience);
    QTest::keyClick(Editor(nameEditor), Qt::Key_Tab);

    const int32_t countEditor = WindowModel::ControlNumber(Window, "?EditInPlace:2");
    QTRY_VERIFY_WITH_TIMEOUT(Editor(countEditor) != nullptr, Patience);
    QLineEdit* editor = Editor(countEditor);
    QTRY_COMPARE_WITH_TIMEOUT(editor->text().trimmed(), QString("2"), Patience);
    // Over the count's cell of the second row.
    QTreeWidgetItem* row = tree->topLevelItem(1);
    const QRect rowRect = tree->visualItemRect(row);
    const QPoint cellCentre(tree->header()->sectionViewportPosition(1) + tree->header()->sectionSize(1) / 2,
                            rowRect.center().y());
    const QPoint centre = tree->viewport()->mapTo(S->ViewOf(Window), cellCentre);
    QTRY_VERIFY_WITH_TIMEOUT(editor->geometry().contains(centre), Patience);

    editor->selectAll();
    QTest::keyClicks(editor, "42");
    QTest::qWait(300);  // let everything paint
    QDir().mkpath(VK_SCREENSHOT_DIR);
    const QString file = QString(VK_SCREENSHOT_DIR) + "/edit-in-place.png";
    QVERIFY(S->ViewOf(Window)->grab().save(file));
    qInfo("screenshot written to %s", qPrintable(file));

    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(WindowModel::ControlNumber(Window, "?EditInPlace:2") == 0, Patience);
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(WindowModel::ListRows(Window, list)[1][1]).trimmed(), QString("42"),
                              Patience);
    QTRY_COMPARE_WITH_TIMEOUT(row->text(1).trimmed(), QString("42"), Patience);

    // A click tells the program which column it was in.
    const QRect third = tree->visualItemRect(tree->topLevelItem(2));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(cellCentre.x(), third.center().y()));
    QTRY_COMPARE_WITH_TIMEOUT(WindowModel::GetPropInt(Window, list, Prop::MouseDownColumn), int64_t{2}, Patience);
  }
};

static Register<EditInPlaceGuiTest> registered;

}  // namespace desktoptest

#include "EditInPlaceGuiTest.moc"
