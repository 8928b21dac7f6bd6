#include "app/WindowPositions.h"

#include <atomic>

#include "app/AppGlobals.h"
#include "app/AppMessages.h"
#include "app/Program.h"

namespace app {
namespace {

std::atomic<bool> FailureReported{false};

}  // namespace

void WindowPositions::Save(std::string_view procedureName, const runtime::ui::Window& state) {
  if (AppGlobals::Ini().SaveWindow(procedureName, state)) return;
  if (FailureReported.exchange(true)) return;
  framework::error::ErrorManager& errors = AppGlobals::Errors();
  errors.SetFileName(Program::IniFileName);
  errors.RaiseError(AppMessages::SettingsNotSaved);
}

}  // namespace app
