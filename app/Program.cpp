#include "app/Program.h"

#include "app/AppGlobals.h"
#include "app/AppMessages.h"
#include "app/ApplicationUnit.h"
#include "app/MainFrame.h"
#include "app/StartupTrace.h"
#include "app/ThreadFileSetup.h"
#include "framework/data/FileUsageRegistry.h"
#include "framework/window/IniManager.h"
#include "runtime/core/Process.h"
#include "runtime/files/DatabaseChoice.h"

namespace app {
namespace {

Program::FrameProcedure& Frame() {
  static Program::FrameProcedure frame = MainFrame::Main;
  return frame;
}

}  // namespace

// The file usage registry's unit comes first, so that a thread's registry exists
// before the application unit builds its UrlList managers, and outlives them.
runtime::core::StartupTable Program::Table() {
  return {framework::data::FileUsageRegistry::Unit(), ApplicationUnit::Entry()};
}

void Program::SetFrame(FrameProcedure frame) { Frame() = frame ? std::move(frame) : MainFrame::Main; }

void Program::MainProcedure() {
  auto& status = AppGlobals::Status();
  status.Get();
  StartupTrace::Note("main: error status");
  StartupTrace::Note("main: procedure entry");
  AppGlobals::Errors().Init(status);
  AppMessages::Add(AppGlobals::Errors());
  StartupTrace::Note("main: error manager");

  FuzzyMatcher& matcher = AppGlobals::Matcher();
  matcher.Init();
  matcher.SetOption(FuzzyMatcher::OptionNoCase, true);
  matcher.SetOption(FuzzyMatcher::OptionWordOnly, false);
  StartupTrace::Note("main: matcher");

  framework::window::IniManager& ini = AppGlobals::Ini();
  ini.Init(IniFileName, framework::window::IniManager::StorageIniFile, 0);
  StartupTrace::Note("main: INI manager");

  // The list lives in the local file unless the INI file or the environment names a server.
  using runtime::files::DatabaseChoice;
  DatabaseChoice::Apply(DatabaseChoice::Resolve(ini.Fetch(DatabaseChoice::IniSection, DatabaseChoice::IniEntry)));

  ThreadFileSetup::BuildForMainThread();

  if (Frame()) Frame()();
  StartupTrace::Note("main: frame returned");

  ini.UpdateHook();
  ini.Teardown();
  StartupTrace::Note("main: INI manager killed");
  matcher.Teardown();
  StartupTrace::Note("main: matcher torn down");
}

}  // namespace app
