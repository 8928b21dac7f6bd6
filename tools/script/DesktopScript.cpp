#include "tools/script/DesktopScript.h"

#include <QApplication>

#include <iostream>
#include <memory>
#include <thread>

#include "runtime/core/Halt.h"
#include "runtime/core/Process.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/Desktop.h"
#include "runtime/ui/qt/DesktopRunner.h"
#include "runtime/ui/qt/IconMapper.h"
#include "runtime/ui/qt/QtFrontEnd.h"
#include "tools/script/DesktopScriptDriver.h"
#include "tools/script/ScriptRunner.h"

namespace tools::script {

int DesktopScript::Run(int argc, char** argv, const std::vector<ScriptStep>& steps, const std::string& scriptName) {
  if (!runtime::ui::qt::DesktopRunner::DisplayAvailable()) {
    std::cerr << scriptName << ": --desktop needs a graphical display, and none could be reached\n";
    return ScriptRunner::ExitBadScript;
  }
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  runtime::ui::qt::IconMapper::Init();
  auto desktop = std::make_unique<runtime::ui::qt::Desktop>();
  auto frontEnd = std::make_shared<runtime::ui::qt::QtFrontEnd>(desktop.get(), runtime::ui::qt::DesktopRunner::HelpFolder());
  const int hook = runtime::core::AddHaltHook([frontEnd](int, const std::string&) { frontEnd->Shutdown(); });
  int status = ScriptRunner::ExitStepFailed;
  {
    DesktopScriptDriver driver(*desktop, frontEnd, ScriptRunner::DefaultTimeout);
    std::thread steps_thread([&] {
      ScriptRunner runner(driver, std::cout, std::cerr, scriptName);
      status = runner.Run(steps);
      QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    });
    QApplication::exec();
    steps_thread.join();
  }
  frontEnd->Shutdown();
  runtime::ui::FrontEnd::Install(nullptr);
  runtime::ui::WindowModel::CloseAll();
  runtime::core::Process::Wait();
  runtime::core::RemoveHaltHook(hook);
  desktop.reset();
  return status;
}

}  // namespace tools::script
