#pragma once
// The script driver on the desktop: the real program runs with its Qt front end (the
// process's main thread runs Qt's event loop), and every step acts on the real widgets
// as a person would: mouse clicks at a row's or a button's place, key events to the
// focused widget, menu actions triggered, text typed key by key. What a step reads back
// (titles, texts, flags, the highlighted row, rows as drawn, message boxes) comes from
// the widgets, not from the window model. Message boxes and popup menus are answered
// by clicking their buttons and items as they appear on the screen, file choosers by
// typing the name into them and pressing Enter (or Cancel), progress windows by
// clicking Cancel; a box, menu or chooser left without an answer for the timeout is a
// failure and is closed with its default.
//
// The driver's own calls come from the runner's thread; everything that touches a
// widget is handed to the GUI thread and waited for. Construct it on the GUI thread.

#include <QPointer>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>

#include "runtime/ui/qt/Desktop.h"
#include "runtime/ui/qt/QtFrontEnd.h"
#include "tools/script/ScriptDriver.h"

class QFileDialog;
class QMenu;
class QMessageBox;
class QProgressDialog;
class QWidget;

namespace tools::script {

class DesktopScriptDriver : public ScriptDriver {
 public:
  DesktopScriptDriver(runtime::ui::qt::Desktop& desktop, std::shared_ptr<runtime::ui::qt::QtFrontEnd> frontEnd,
                      std::chrono::milliseconds timeout);
  ~DesktopScriptDriver() override;

  bool Start(std::string& why) override;
  bool ShutDown(std::string_view frameTitle, std::string& why) override;
  void SetTimeout(std::chrono::milliseconds timeout) override;

  int32_t FindWindow(std::string_view title) override;
  DriverResult WaitClosedTitle(std::string_view title) override;
  bool Exists(int32_t window) const override;
  DriverResult WaitIdle() override;

  DriverResult ChooseMenu(int32_t window, std::string_view item) override;
  DriverResult Press(int32_t window, std::string_view button) override;
  DriverResult Type(int32_t window, std::string_view entry, std::string_view text) override;
  DriverResult Edit(int32_t window, std::string_view entry, std::string_view text) override;
  DriverResult SelectRow(int32_t window, std::string_view list, int32_t row) override;
  DriverResult DoubleClickRow(int32_t window, std::string_view list, int32_t row) override;
  DriverResult RightClickRow(int32_t window, std::string_view list, int32_t row) override;
  DriverResult Focus(int32_t window, std::string_view control) override;
  DriverResult PressKey(int32_t window, int32_t key) override;
  DriverResult Close(int32_t window) override;
  DriverResult Reshape(int32_t window, Shape shape) override;
  DriverResult CheckLayout(int32_t window) override;

  void AnswerMessageBox(int32_t button) override;
  void AnswerPopup(int32_t number) override;
  void AnswerPopup(std::string text) override;
  std::vector<ShownBox> MessageBoxes() const override;
  std::vector<std::string> PopupMenus() const override;
  void AnswerFileChooser(std::optional<std::string> path) override;
  void CancelProgress() override;

  std::string Print(int32_t window) override;
  bool ControlText(int32_t window, std::string_view control, std::string& text, std::string& why) override;

  std::string LastFailure() const override;
  std::vector<std::string> Failures() const override;

  // GUI thread: a widget was shown (installed as the application's event filter).
  void OnShown(QWidget* widget);

 private:
  struct PopupAnswer {
    int32_t Number = 0;
    std::string Text;
  };

  enum class Leave { No, Yes };
  DriverResult TypeInto(int32_t window, std::string_view entry, std::string_view text, Leave leave);
  // Runs `work` on the GUI thread and waits for it.
  void OnGui(const std::function<void()>& work) const;
  DriverResult Fail(std::string message);
  // On the GUI thread: the widget showing a control, with the failure text when none.
  int32_t Resolve(int32_t window, std::string_view control, std::string& failure) const;
  DriverResult OnControl(int32_t window, std::string_view control,
                         const std::function<DriverResult(int32_t number, QWidget* widget)>& act);
  DriverResult OnRow(int32_t window, std::string_view list, int32_t row,
                     const std::function<void(QWidget* viewport, const QPoint& at)>& act);
  // GUI thread: answers the open boxes and menus from the queues.
  void AnswerOpen();
  // GUI thread: runs AnswerOpen again shortly, once however often it is asked.
  void AnswerLater();
  // Whether the click was taken; false when the box is still open and waits for it.
  enum class Clicked { Taken, NotTaken };
  Clicked AnswerBox(QMessageBox* box, int32_t button);
  void AnswerMenu(QMenu* menu, const PopupAnswer& answer);
  void AnswerFile(QFileDialog* dialog, const std::optional<std::string>& path);
  void TimedOut(QWidget* widget);
  void Settle() const;

  runtime::ui::qt::Desktop& Screen;
  std::shared_ptr<runtime::ui::qt::QtFrontEnd> Front;
  std::unique_ptr<QObject> Watcher;
  std::chrono::milliseconds Timeout;

  mutable std::mutex Lock;
  std::string Last;                          // GUARDED_BY(Lock)
  std::vector<std::string> FailureTexts;     // GUARDED_BY(Lock)
  std::vector<ShownBox> Boxes;               // GUARDED_BY(Lock)
  std::vector<std::string> Menus;            // GUARDED_BY(Lock) printed as shown
  std::deque<int32_t> BoxAnswers;            // GUARDED_BY(Lock)
  std::deque<PopupAnswer> MenuAnswers;       // GUARDED_BY(Lock)
  std::deque<std::optional<std::string>> FileAnswers;  // GUARDED_BY(Lock)
  int32_t ProgressCancels = 0;               // GUARDED_BY(Lock)
  // GUI thread only: boxes and menus on the screen that have no answer yet.
  std::deque<QPointer<QMessageBox>> OpenBoxes;
  std::deque<QPointer<QMenu>> OpenMenus;
  std::deque<QPointer<QFileDialog>> OpenFileDialogs;
  std::deque<QPointer<QProgressDialog>> OpenProgress;
  std::set<QWidget*> Seen;
  bool AnswerPending = false;
};

}  // namespace tools::script
