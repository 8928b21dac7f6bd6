// The program's own windows on the desktop, as a person meets them: the browse over
// known addresses, where the row painted highlighted must always be the row the program
// acts on (after a click, keys, letters and a thumb drag), Open handing that row's
// address to the opener, a double click opening the change form, Help and F1 opening
// the manual, Shift+F10 the context menu, whole headers, the layout after maximizing,
// a stored position and size no screen can show, and the status bar after a close.
// Screenshots go to the build folder.

#include <QApplication>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "app/BrowseUrlList.h"
#include "app/MainFrame.h"
#include "app/Program.h"
#include "app/UpdateUrlList.h"
#include "app/UrlListFile.h"
#include "app/UrlListFileManager.h"
#include "app/UrlListManagers.h"
#include "framework/data/RelationManager.h"
#include "runtime/core/Process.h"
#include "runtime/settings/IniFile.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventQueues.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/FrameWindow.h"
#include "runtime/ui/qt/ListView.h"
#include "runtime/ui/qt/WindowView.h"
#include "tests/runtime/ui/qt/DesktopFixture.h"
#include "tests/runtime/ui/qt/TestRegistry.h"
#include "tests/support/RecordingOpener.h"
#include "tests/support/TempWorkDir.h"

namespace desktoptest {
namespace {

namespace fs = std::filesystem;
using app::BrowseUrlList;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

constexpr int RowCount = 40;
constexpr size_t SeedStack = 50000;  // more than a page, so that paging and the thumb mean something

std::string Address(int i) {
  char text[64];
  std::snprintf(text, sizeof text, "https://site%02d.example/", i);
  return text;
}

QAction* FindAction(QMenuBar* bar, const QString& text) {
  for (QAction* top : bar->actions())
    if (QMenu* menu = top->menu())
      for (QAction* item : menu->actions())
        if (item->text() == text) return item;
  return nullptr;
}

// The style blends the highlight: a unit off in a channel is still the highlight.
bool Near(const QColor& a, const QColor& b) {
  constexpr int Tolerance = 12;
  return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) <= Tolerance;
}

}  // namespace

class ProgramWindowsTest : public QObject {
  Q_OBJECT

 private:
  Screen S;
  std::unique_ptr<testsupport::TempWorkDir> Dir;
  std::unique_ptr<testsupport::RecordingOpener> Opener;
  int32_t BrowseId = 0;

  runtime::ui::qt::FrameWindow* Frame() const { return S->Frame(); }
  runtime::ui::qt::WindowView* View() const { return S->ViewOf(BrowseId); }
  runtime::ui::qt::ListView* List() const { return View() ? View()->ListOf(BrowseUrlList::BrowseList) : nullptr; }
  QWidget* Viewport() const { return List()->Tree()->viewport(); }
  int32_t Selected() const { return WindowModel::Choice(BrowseId, BrowseUrlList::BrowseList); }
  std::string SelectedUrl() const {
    const auto rows = WindowModel::ListRows(BrowseId, BrowseUrlList::BrowseList);
    const int32_t row = Selected();
    return row >= 1 && row <= static_cast<int32_t>(rows.size()) ? rows[static_cast<size_t>(row - 1)][0] : "";
  }

  // The rows whose painting, in a grab of the list's viewport, shows the highlight.
  std::vector<int> PaintedHighlight() const {
    QTreeWidget* tree = List()->Tree();
    const QImage image = Viewport()->grab().toImage();
    const QColor highlight = tree->palette().color(QPalette::Active, QPalette::Highlight);
    const QColor inactive = tree->palette().color(QPalette::Inactive, QPalette::Highlight);
    // A window covered by its form shows its highlight greyed, as disabled.
    const QColor disabled = tree->palette().color(QPalette::Disabled, QPalette::Highlight);
    std::vector<int> rows;
    for (int r = 0; r < tree->topLevelItemCount(); ++r) {
      const QRect rect = tree->visualItemRect(tree->topLevelItem(r));
      if (rect.isEmpty() || rect.bottom() >= image.height()) continue;
      // The right end of the first column is blank (the addresses are shorter): only the
      // row's background shows there.
      const QColor seen = image.pixelColor(std::max(0, tree->columnWidth(0) - 8), rect.center().y());
      if (Near(seen, highlight) || Near(seen, inactive) || Near(seen, disabled)) rows.push_back(r + 1);
    }
    return rows;
  }

  // Waits until the program is at rest and the desktop shows what it holds.
  void Settle() {
    runtime::ui::EventQueues::WaitIdle(std::chrono::milliseconds(Patience));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
  }

  std::string Describe(const char* after) const {
    std::string text = std::string(after) + ": painted";
    for (int row : PaintedHighlight()) text += " " + std::to_string(row);
    QTreeWidget* tree = List()->Tree();
    const QImage image = Viewport()->grab().toImage();
    const int32_t selected = Selected();
    text += ", selected " + std::to_string(selected);
    if (selected >= 1 && selected <= tree->topLevelItemCount()) {
      const QRect rect = tree->visualItemRect(tree->topLevelItem(selected - 1));
      text += ", its colour " + image.pixelColor(std::max(0, tree->columnWidth(0) - 8), rect.center().y()).name().toStdString();
    }
    text += ", highlight " + tree->palette().color(QPalette::Active, QPalette::Highlight).name().toStdString();
    return text;
  }

  void ExpectPaintedIsSelected(const char* after) {
    Settle();
    QTRY_VERIFY2_WITH_TIMEOUT(PaintedHighlight() == std::vector<int>{Selected()}, Describe(after).c_str(), Patience);
  }

  void PressOpenAndExpect(const std::string& url) {
    const size_t before = Opener->Lines().size();
    auto* open = qobject_cast<QPushButton*>(View()->WidgetOf(BrowseUrlList::OpenButton));
    QVERIFY(open);
    QTest::mouseClick(open, Qt::LeftButton);
    const std::string state = "takes input " + std::to_string(WindowModel::TakesInput(BrowseId)) + ", enabled " +
                              std::to_string(open->isEnabled()) + ", idle " +
                              std::to_string(runtime::ui::EventQueues::WaitIdle(std::chrono::milliseconds(Patience)));
    QTRY_VERIFY2_WITH_TIMEOUT(Opener->Lines().size() > before, state.c_str(), Patience);
    QCOMPARE(Opener->Lines().back(), url);
  }

  void Shot(const char* name) {
    Settle();
    fs::create_directories(VK_SCREENSHOT_DIR);
    QVERIFY(Frame()->grab().save(QString(VK_SCREENSHOT_DIR) + "/" + name));
  }

  static void Seed() {
    std::promise<void> done;
    runtime::core::Process::Start(
        [&] {
          framework::data::RelationManager& relate = *app::UrlListManagers::Relate();
          (void)relate.Open(framework::data::Walk::Top);
          for (int i = 1; i <= RowCount; ++i) {
            app::UrlListFile::Instance().ClearBuffer();
            app::UrlListManagers::FileManager()->AssignUrl(Address(i));
            app::UrlListFile::Record().NumberOfTimesToOpen = 1;
            (void)relate.Insert();
          }
          (void)relate.Close(framework::data::Walk::Top);
          done.set_value();
        },
        SeedStack);
    done.get_future().wait();
  }

 private slots:
  void initTestCase() {
    Dir = std::make_unique<testsupport::TempWorkDir>();
    Opener = std::make_unique<testsupport::RecordingOpener>(Dir->Path());
    // A settings file edited by hand: a size nobody can use, a place off every screen,
    // minimized.
    std::ofstream(Dir->Path() / "Vorkan42.INI") << "[BrowseUrlList]\nMaximize=No\nMinimize=Yes\nXPos=5000\nYPos=4000\n"
                                                   "Width=0\nHeight=-5\n";

    S.Start();
    app::Program::SetFrame(app::MainFrame::Main);
    QVERIFY(runtime::core::Process::Launch(app::Program::Table(), app::Program::MainProcedure));
    QTRY_VERIFY_WITH_TIMEOUT(Frame() && Frame()->isVisible(), Patience);
    Seed();
    FindAction(Frame()->menuBar(), "Browse the UrlList file")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT((BrowseId = WindowModel::FindByTitle(BrowseUrlList::Caption)) != 0 && List() != nullptr,
                             Patience);
    Settle();
    QTRY_VERIFY_WITH_TIMEOUT(List()->Tree()->topLevelItemCount() > 6, Patience);
  }

  void cleanupTestCase() {
    if (const int32_t frame = WindowModel::FindByTitle(app::MainFrame::Caption)) WindowModel::Post(frame, runtime::ui::Event::CloseWindow);
    QTRY_VERIFY_WITH_TIMEOUT(WindowModel::FindByTitle(app::MainFrame::Caption) == 0, Patience);
    S.Stop();
    runtime::core::Process::Wait();
    app::Program::SetFrame(nullptr);
    Opener.reset();
    Dir.reset();
  }

  void theFrameAndAStoredPlaceNoScreenShowsOpenWhollyOnScreen() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(screen.contains(Frame()->frameGeometry()), "the frame with its title bar lies on the screen");
    auto* sub = qobject_cast<QMdiSubWindow*>(S->OuterOf(BrowseId));
    QVERIFY(sub);
    QVERIFY(!sub->isMinimized());
    const QRect area(QPoint(0, 0), Frame()->Mdi()->viewport()->size());
    QVERIFY2(area.intersects(sub->geometry()), "the browse is inside the frame");
    const runtime::ui::WindowDefinition defined = BrowseUrlList::Definition();
    QVERIFY(WindowModel::GetPropInt(BrowseId, 0, Prop::Width) >= defined.Width);
    QVERIFY(WindowModel::GetPropInt(BrowseId, 0, Prop::Height) >= defined.Height);
    QVERIFY(WindowModel::GetPropInt(BrowseId, 0, Prop::XPos) < 5000);
  }

  void headersShowTheirWholeText() {
    QHeaderView* header = List()->Tree()->header();
    for (int column = 0; column < header->count(); ++column) {
      const QString text = List()->Tree()->headerItem()->text(column);
      QVERIFY2(header->sectionSize(column) > header->fontMetrics().horizontalAdvance(text), qPrintable(text));
    }
  }

  void theHighlightIsTheRowTheProgramActsOn() {
    QTreeWidget* tree = List()->Tree();
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, tree->visualItemRect(tree->topLevelItem(3)).center());
    QTRY_COMPARE_WITH_TIMEOUT(Selected(), 4, Patience);
    ExpectPaintedIsSelected("after a click on row 4");
    Shot("browse-after-click.png");
    PressOpenAndExpect(SelectedUrl());
    QCOMPARE(Opener->Lines().back(), Address(4));

    // Keys go to the list that has the focus, as a person presses them.
    struct Step {
      Qt::Key Key;
      const char* After;
    };
    for (const Step& step : {Step{Qt::Key_Down, "after Down"}, Step{Qt::Key_End, "after End"},
                             Step{Qt::Key_Home, "after Home"}, Step{Qt::Key_PageDown, "after Page Down"},
                             Step{Qt::Key_Up, "after Up"}}) {
      tree->setFocus();
      const std::string before = SelectedUrl();
      QTest::keyClick(tree, step.Key);
      Settle();
      ExpectPaintedIsSelected(step.After);
      if (step.Key == Qt::Key_End) {
        QCOMPARE(SelectedUrl(), Address(RowCount));
        Shot("browse-after-end.png");
      }
      if (step.Key == Qt::Key_Home) QCOMPARE(SelectedUrl(), Address(1));
      if (step.Key == Qt::Key_Down) QVERIFY(SelectedUrl() != before);
      PressOpenAndExpect(SelectedUrl());
    }

    // A letter locates the first address from it.
    tree->setFocus();
    QTest::keyClicks(tree, "h");
    Settle();
    ExpectPaintedIsSelected("after a letter");
    PressOpenAndExpect(SelectedUrl());

    // A thumb drag to the bottom third.
    QScrollBar* thumb = List()->ThumbBar();
    if (thumb->isVisible()) {
      thumb->setSliderDown(true);
      thumb->setSliderPosition(70);
      thumb->setSliderDown(false);
      Settle();
      ExpectPaintedIsSelected("after a thumb drag");
      PressOpenAndExpect(SelectedUrl());
    }
  }

  void shiftF10AndTheMenuKeyOpenTheContextMenu() {
    QTreeWidget* tree = List()->Tree();
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_F10, Qt::ShiftModifier}, std::pair{Qt::Key_Menu, Qt::NoModifier}}) {
      tree->setFocus();
      QTest::keyClick(tree, key, modifiers);
      QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr, Patience);
      QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      QStringList items;
      for (QAction* a : menu->actions()) items << a->text();
      // The item's key shows beside it, after the tab, as a desktop menu shows shortcuts.
      QVERIFY2(items.contains("&Change\tCtrl+Enter"), qPrintable(items.join(",")));
      menu->close();
      QTRY_VERIFY_WITH_TIMEOUT(QApplication::activePopupWidget() == nullptr, Patience);
      Settle();
    }
  }

  void helpAndF1OpenTheManual() {
    auto* help = qobject_cast<QPushButton*>(View()->WidgetOf(BrowseUrlList::HelpButton));
    QVERIFY(help);
    size_t before = Opener->Lines().size();
    QTest::mouseClick(help, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(Opener->Lines().size() > before, Patience);
    QVERIFY2(Opener->Lines().back().find("index.html") != std::string::npos, Opener->Lines().back().c_str());

    before = Opener->Lines().size();
    List()->Tree()->setFocus();
    QTest::keyClick(List()->Tree(), Qt::Key_F1);
    QTRY_VERIFY_WITH_TIMEOUT(Opener->Lines().size() > before, Patience);
    QVERIFY2(Opener->Lines().back().find("index.html") != std::string::npos, Opener->Lines().back().c_str());
  }

  void aDoubleClickChangesTheRowClickedOn() {
    QTreeWidget* tree = List()->Tree();
    const QPoint at = tree->visualItemRect(tree->topLevelItem(1)).center();
    QTest::mouseDClick(Viewport(), Qt::LeftButton, {}, at);
    int32_t form = 0;
    QTRY_VERIFY_WITH_TIMEOUT((form = WindowModel::FindByTitle(app::UpdateUrlList::ChangeCaption)) != 0, Patience);
    Settle();
    const std::string shown = WindowModel::GetProp(form, app::UpdateUrlList::UrlEntry, Prop::Text);
    QCOMPARE(shown, SelectedUrl());
    ExpectPaintedIsSelected("behind the change form");
    auto* cancel = qobject_cast<QPushButton*>(S->ViewOf(form)->WidgetOf(app::UpdateUrlList::CancelButton));
    QVERIFY(cancel);
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(WindowModel::FindByTitle(app::UpdateUrlList::ChangeCaption) == 0, Patience);
    Settle();
  }

  void aMaximizedBrowseKeepsEveryControlInsideAndApart() {
    auto* sub = qobject_cast<QMdiSubWindow*>(S->OuterOf(BrowseId));
    QVERIFY(sub);
    const QSize normal = View()->size();
    sub->showMaximized();
    QTRY_VERIFY_WITH_TIMEOUT(View()->size().width() > normal.width(), Patience);
    auto laidOut = [&] {
      Settle();
      QVector<QRect> rects;
      const QRect inside(QPoint(0, 0), View()->size());
      for (int32_t control : {BrowseUrlList::BrowseList, BrowseUrlList::ViewButton, BrowseUrlList::InsertButton,
                              BrowseUrlList::ChangeButton, BrowseUrlList::DeleteButton, BrowseUrlList::CloseButton,
                              BrowseUrlList::HelpButton, BrowseUrlList::OpenButton}) {
        QWidget* w = View()->WidgetOf(control);
        if (!w || !w->isVisible()) continue;
        const QRect r(w->mapTo(View(), QPoint(0, 0)), w->size());
        if (!inside.contains(r)) return false;
        for (const QRect& other : rects)
          if (other.intersects(r)) return false;
        rects << r;
      }
      return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(laidOut(), Patience);
    // The list grew with the window, and the highlight still shows the selected row.
    QVERIFY(List()->width() > normal.width() / 2);
    ExpectPaintedIsSelected("maximized");
    Shot("browse-maximized.png");
    sub->showNormal();
    QTRY_VERIFY_WITH_TIMEOUT(laidOut(), Patience);
  }

  void theStatusBarForgetsAClosedWindow() {
    QWidget* insert = View()->WidgetOf(BrowseUrlList::InsertButton);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(insert, &enter);
    QCOMPARE(Frame()->statusBar()->currentMessage(), QString("Insert a Record"));
    WindowModel::Input(BrowseId, 0, runtime::ui::Event::CloseWindow);
    QTRY_VERIFY_WITH_TIMEOUT(!WindowModel::Exists(BrowseId), Patience);
    QTRY_COMPARE_WITH_TIMEOUT(Frame()->statusBar()->currentMessage(), QString(), Patience);
    // What was stored (once the browse's thread has saved it) is a place and size a
    // screen can show.
    auto stored = [&] {
      std::ifstream in(Dir->Path() / "Vorkan42.INI");
      std::stringstream s;
      s << in.rdbuf();
      const std::string ini = s.str();
      const size_t at = ini.find("[BrowseUrlList]");
      return at == std::string::npos ? std::string() : ini.substr(at, ini.find("\n[", at + 1) - at);
    };
    // The entries are written one after another: wait for the whole section.
    auto sane = [&] {
      const std::string section = stored();
      return section.find("Minimize=No") != std::string::npos && section.find("Height=") != std::string::npos &&
             section.find("Width=0") == std::string::npos && section.find("Height=-5") == std::string::npos &&
             section.find("XPos=5000") == std::string::npos && section.find("YPos=4000") == std::string::npos;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(sane(), stored().c_str(), Patience);
  }
};

static Register<ProgramWindowsTest> registered;

}  // namespace desktoptest

#include "ProgramWindowsTest.moc"
