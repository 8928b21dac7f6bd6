// Message boxes asked for by a program thread: text, caption, icon, buttons and default
// on the screen; the answer back on the waiting thread; the window disabled meanwhile;
// a box closed without a button. Also the screenshot of the frame with a child window
// and a box.

#include <QAbstractButton>
#include <QDir>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <atomic>

#include "runtime/ui/MessageBoxRequest.h"
#include "runtime/ui/MessageBoxService.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/WindowView.h"
#include "tests/runtime/ui/qt/DesktopFixture.h"
#include "tests/runtime/ui/qt/TestRegistry.h"

namespace desktoptest {
namespace {

using runtime::ui::MessageBoxRequest;

const std::string Exclamation{"\xFF\x01\x03\x7F", 4};

QMessageBox* OpenBox() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
  return nullptr;
}

}  // namespace

class MessageBoxTest : public QObject {
  Q_OBJECT

 private:
  Screen S;
  ProgramWindow Frame;
  ProgramWindow Child;
  std::atomic<int32_t> Answer{-1};

  // The child window's thread asks, as a window procedure would from its handler.
  void Ask(MessageBoxRequest request) {
    Answer = -1;
    Pending = std::move(request);
    runtime::ui::WindowModel::Post(Child.Id, AskEvent);
  }

  static constexpr int32_t AskEvent = 7001;  // a program event of the test's own
  MessageBoxRequest Pending;

 private slots:
  void init() {
    S.Start();
    Frame.Start(FrameDefinition());
    QTRY_VERIFY_WITH_TIMEOUT(S->Frame() != nullptr, Patience);
    Child.Start(BrowseDefinition(), [this](int32_t, const PostedEvent& e) {
      if (e.Number == AskEvent) Answer = runtime::ui::MessageBoxService::ShowMessage(Pending);
      return 0;
    });
    QTRY_VERIFY_WITH_TIMEOUT(S->ViewOf(Child.Id) != nullptr, Patience);
  }
  void cleanup() {
    S.Front->Shutdown();  // a box left open by a failed test answers, so the thread can end
    Child.Join();
    Frame.Join();
    S.Stop();
  }

  void buttonsDefaultAndAnswerReachTheWaitingThread() {
    MessageBoxRequest request;
    request.Text = "Line one|Line two";
    request.Caption = "Record Retrieval Error";
    request.Icon = Exclamation;
    request.Buttons = MessageBoxRequest::ButtonYes | MessageBoxRequest::ButtonNo | MessageBoxRequest::ButtonCancel;
    request.DefaultButton = MessageBoxRequest::ButtonNo;
    Ask(request);

    QMessageBox* box = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((box = OpenBox()) != nullptr, Patience);
    QCOMPARE(box->text(), QString("Line one\nLine two"));
    QCOMPARE(box->windowTitle(), QString("Record Retrieval Error"));
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->buttons().size(), 3);
    QVERIFY(box->button(QMessageBox::Yes) && box->button(QMessageBox::No) && box->button(QMessageBox::Cancel));
    QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
    // The window the box belongs to takes no input until it is answered.
    QTRY_VERIFY_WITH_TIMEOUT(!S->ViewOf(Child.Id)->isEnabled(), Patience);
    QCOMPARE(Answer.load(), -1);

    box->button(QMessageBox::Yes)->click();
    QTRY_COMPARE_WITH_TIMEOUT(Answer.load(), MessageBoxRequest::ButtonYes, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(S->ViewOf(Child.Id)->isEnabled(), Patience);
  }

  void boxClosedWithoutAButtonAnswersTheDefault() {
    MessageBoxRequest request;
    request.Text = "Save the changes?";
    request.Caption = "Question";
    request.Buttons = MessageBoxRequest::ButtonYes | MessageBoxRequest::ButtonNo | MessageBoxRequest::ButtonCancel;
    request.DefaultButton = MessageBoxRequest::ButtonNo;
    Ask(request);
    QMessageBox* box = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((box = OpenBox()) != nullptr, Patience);
    box->close();
    QTRY_COMPARE_WITH_TIMEOUT(Answer.load(), MessageBoxRequest::ButtonNo, Patience);
  }

  void screenshotOfFrameChildAndBox() {
    runtime::ui::WindowModel::SetListRows(Child.Id, 1,
                                          {{"https://example.org/", "3", "*"},
                                           {"https://example.net/news", "1", ""},
                                           {"https://www.example.com/a/very/long/address/indeed", "12", ""}});
    runtime::ui::WindowModel::SetPropInt(Child.Id, 1, runtime::ui::Prop::Selected, 2);
    MessageBoxRequest request;
    request.Text = "This form cannot be used to delete a record";
    request.Caption = "Delete Not Allowed";
    request.Icon = std::string{"\xFF\x01\x04\x7F", 4};
    Ask(request);
    QMessageBox* box = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((box = OpenBox()) != nullptr, Patience);
    QTest::qWait(300);  // let everything paint
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    QDir().mkpath(VK_SCREENSHOT_DIR);
    const QString file = QString(VK_SCREENSHOT_DIR) + "/frame.png";
    QVERIFY(shot.save(file));
    qInfo("screenshot written to %s", qPrintable(file));
    box->button(QMessageBox::Ok)->click();
    QTRY_COMPARE_WITH_TIMEOUT(Answer.load(), MessageBoxRequest::ButtonOk, Patience);
  }
};

static Register<MessageBoxTest> registered;

}  // namespace desktoptest

#include "MessageBoxTest.moc"
