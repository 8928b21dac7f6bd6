#include "app/ApplicationUnit.h"

#include <memory>

#include "app/AppGlobals.h"
#include "app/BrowseUrlList.h"
#include "app/StartupTrace.h"
#include "app/ThreadFileSetup.h"
#include "app/ThreadVariables.h"
#include "app/UrlListFile.h"

namespace app {
namespace {

runtime::core::PerThread<std::unique_ptr<ThreadFileSetup>> FileSetupInstance;

}  // namespace

runtime::core::StartupUnit ApplicationUnit::Entry() {
  return {"Vorkan42", GlobalInit, GlobalFinal, ThreadInit, ThreadFinal, FileSetup};
}

void ApplicationUnit::GlobalInit() {
  StartupTrace::Note("global: application layer");
  AppGlobals::Construct();
  StartupTrace::Note("global: matcher, error manager, INI manager");
}

void ApplicationUnit::GlobalFinal() {
  AppGlobals::Destroy();
  StartupTrace::Note("global final: INI manager, error manager");
}

void ApplicationUnit::ThreadInit() {
  AppGlobals::Status().Get();
  StartupTrace::Note("thread: error status");
  *ThreadRequest = 0;
  *ThreadResponse = 0;
  *ThreadVcrRequest = 0;
  StartupTrace::Note("thread: request variables");
  *FileSetupInstance = std::make_unique<ThreadFileSetup>();
}

void ApplicationUnit::ThreadFinal() {
  BrowseUrlList::CloseThreadView();  // the view reads the thread's UrlList file, which goes below
  FileSetupInstance.Reset();
  AppGlobals::Status().Reset();
  StartupTrace::Note("thread final: error status released");
  UrlListFile::Destroy();
}

void ApplicationUnit::FileSetup() {
  UrlListFile::Setup();
  StartupTrace::Note("files: UrlList per-thread structure");
}

}  // namespace app
