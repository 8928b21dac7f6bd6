#pragma once
// The script driver on the headless front end: the program runs in this process on its
// runtime threads, and every step goes through HeadlessDriver on the window model.
//
// Thread safety: as ScriptDriver.

#include <memory>

#include "runtime/ui/headless/HeadlessDriver.h"
#include "runtime/ui/headless/HeadlessFrontEnd.h"
#include "tools/script/ScriptDriver.h"

namespace tools::script {

class HeadlessScriptDriver : public ScriptDriver {
 public:
  explicit HeadlessScriptDriver(std::chrono::milliseconds timeout);
  ~HeadlessScriptDriver() override;

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

 private:
  std::chrono::milliseconds Timeout;
  std::shared_ptr<runtime::ui::headless::HeadlessFrontEnd> Screen;
  std::unique_ptr<runtime::ui::headless::HeadlessDriver> Driver;
};

}  // namespace tools::script
