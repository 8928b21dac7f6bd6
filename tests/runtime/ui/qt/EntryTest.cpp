// Entries: typing kept to what the picture can hold, and typed text reaching the
// program's variables on the program's own thread when OK is pressed.

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <mutex>
#include <string>
#include <thread>

#include "runtime/data/FieldRef.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/WindowView.h"
#include "tests/runtime/ui/qt/DesktopFixture.h"
#include "tests/runtime/ui/qt/TestRegistry.h"

namespace desktoptest {
namespace {

using runtime::ui::Event;
using runtime::ui::WindowModel;

constexpr int32_t UrlEntry = 2;
constexpr int32_t TimesEntry = 4;
constexpr int32_t OkButton = 5;
constexpr int32_t ShortEntry = 6;
constexpr int32_t ReadOnlyEntry = 7;

WindowDefinition FormDefinition() {
  runtime::ui::WindowBuilder b("UpdateUrlList");
  b.Caption("Adding a UrlList Record").Font("Microsoft Sans Serif", 8).Size(220, 90).SystemMenu();
  b.Prompt(1, "?Url:Prompt", "&Url:").At(4, 8, 40, 10);
  b.Entry(UrlEntry, "?Url", "@s199").At(50, 6, 160, 10);
  b.Prompt(3, "?Times:Prompt", "&Times:").At(4, 22, 40, 10);
  b.Entry(TimesEntry, "?Times", "@n9").At(50, 20, 50, 10);
  b.Button(OkButton, "?OK", "&OK").At(120, 70, 40, 14).Default().Tip("Accept data and close the window");
  b.Entry(ShortEntry, "?Short", "@s5").At(50, 34, 50, 10);
  b.Entry(ReadOnlyEntry, "?Shown", "@s20").At(50, 48, 50, 10).ReadOnly();
  return b.Build();
}

// Types each character as a key press carrying it, as a keyboard layout would (the
// test library's own typing knows only ASCII).
void TypeInto(QWidget* widget, const QString& text) {
  for (const QChar ch : text) {
    const int key = ch.toUpper().unicode();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
  }
}

}  // namespace

class EntryTest : public QObject {
  Q_OBJECT

 private:
  Screen S;
  ProgramWindow Form;
  // What the program's handler saw in its variables when OK was accepted.
  std::mutex Lock;
  std::string SeenUrl;
  int64_t SeenTimes = -1;
  bool SeenOnOwnThread = false;

  QLineEdit* Entry(int32_t control) { return qobject_cast<QLineEdit*>(S->ViewOf(Form.Id)->WidgetOf(control)); }

 private slots:
  void init() {
    S.Start();
    auto url = std::make_shared<std::string>();
    auto times = std::make_shared<int64_t>(0);
    auto owner = std::make_shared<std::thread::id>();
    Form.Start(
        FormDefinition(),
        [this, url, times, owner](int32_t, const PostedEvent& e) {
          if (e.Number == Event::Accepted && e.Control == OkButton) {
            std::lock_guard lock(Lock);
            SeenUrl = *url;
            SeenTimes = *times;
            SeenOnOwnThread = std::this_thread::get_id() == *owner;
          }
          return 0;
        },
        [url, times, owner](int32_t window) {
          *owner = std::this_thread::get_id();
          WindowModel::Bind(window, UrlEntry, runtime::data::FieldRef::Of(*url));
          WindowModel::Bind(window, TimesEntry, runtime::data::FieldRef::Of(*times));
          WindowModel::Display(window);
        });
    QTRY_VERIFY_WITH_TIMEOUT(S->ViewOf(Form.Id) && Entry(UrlEntry) && Entry(UrlEntry)->isVisible(), Patience);
    QVERIFY(QTest::qWaitForWindowActive(S->ViewOf(Form.Id)));
  }
  void cleanup() {
    Form.Join();
    S.Stop();
  }

  // Only characters a picture can never take are dropped while typing; text too long
  // for the picture stays as typed and is refused whole when the entry is left, since a
  // dropped keystroke would make another value ("12.5" would become 125).
  void picturesDropOnlyCharactersTheyCanNeverTake() {
    const struct {
      int32_t Control;
      const char* Typed;
      const char* Shown;
    } cases[] = {
        {TimesEntry, "12ab34", "1234"},
        {TimesEntry, "1234567890123", "1234567890123"},
        {TimesEntry, "12.5", "12.5"},
        {TimesEntry, "-5", "-5"},
        {ShortEntry, "abcdefgh", "abcdefgh"},
        {ShortEntry, "\xC3\xA9\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9\xC3\xA9"},
    };
    for (const auto& c : cases) {
      QLineEdit* entry = Entry(c.Control);
      entry->clear();
      entry->setFocus();
      TypeInto(entry, QString::fromUtf8(c.Typed));
      QCOMPARE(entry->text(), QString::fromUtf8(c.Shown));
    }
    QVERIFY(Entry(ReadOnlyEntry)->isReadOnly());
  }

  void buttonsShowTheirTip() {
    auto* ok = qobject_cast<QPushButton*>(S->ViewOf(Form.Id)->WidgetOf(OkButton));
    QCOMPARE(ok->toolTip(), QString("Accept data and close the window"));
    QCOMPARE(WindowModel::GetProp(Form.Id, OkButton, runtime::ui::Prop::Tip), std::string("Accept data and close the window"));
  }

  void typedTextReachesTheVariablesOnTheProgramsThread() {
    Entry(UrlEntry)->setFocus();
    QTest::keyClicks(Entry(UrlEntry), "https://example.org/");
    QTest::keyClick(Entry(UrlEntry), Qt::Key_Tab);
    Entry(TimesEntry)->setFocus();
    QTest::keyClicks(Entry(TimesEntry), "3");
    auto* ok = qobject_cast<QPushButton*>(S->ViewOf(Form.Id)->WidgetOf(OkButton));
    QVERIFY(ok->isDefault());
    QTest::mouseClick(ok, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
          std::lock_guard lock(Lock);
          return SeenTimes >= 0;
        }(),
        Patience);
    std::lock_guard lock(Lock);
    QCOMPARE(SeenUrl, std::string("https://example.org/"));
    QCOMPARE(SeenTimes, int64_t(3));
    QVERIFY(SeenOnOwnThread);
  }

  void pressingOkTakesTextStillBeingTyped() {
    // The entry is never left: the press of OK must still hand its text over first.
    Entry(UrlEntry)->setFocus();
    QTest::keyClicks(Entry(UrlEntry), "https://example.net/");
    QTest::mouseClick(qobject_cast<QPushButton*>(S->ViewOf(Form.Id)->WidgetOf(OkButton)), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
          std::lock_guard lock(Lock);
          return SeenUrl == "https://example.net/";
        }(),
        Patience);
  }

  void enterPressesTheDefaultButtonAfterTakingTheEntry() {
    Entry(TimesEntry)->setFocus();
    QTest::keyClicks(Entry(TimesEntry), "42");
    QTest::keyClick(Entry(TimesEntry), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
          std::lock_guard lock(Lock);
          return SeenTimes == 42;
        }(),
        Patience);
    QCOMPARE(Form.Count(Event::Accepted, TimesEntry), 1);
  }
};

static Register<EntryTest> registered;

}  // namespace desktoptest

#include "EntryTest.moc"
