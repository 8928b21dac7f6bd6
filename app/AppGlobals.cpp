#include "app/AppGlobals.h"

#include <memory>

#include "app/ThreadVariables.h"

namespace app {
namespace {

std::unique_ptr<FuzzyMatcher> TheMatcher;
std::unique_ptr<framework::error::ErrorManager> TheErrors;
std::unique_ptr<framework::window::IniManager> TheIni;
framework::error::ErrorManager::StatusInstances TheStatus;

}  // namespace

runtime::core::PerThread<uint8_t> ThreadRequest;
runtime::core::PerThread<uint8_t> ThreadResponse;
runtime::core::PerThread<int32_t> ThreadVcrRequest;

void AppGlobals::Construct() {
  TheMatcher = std::make_unique<FuzzyMatcher>();
  TheErrors = std::make_unique<framework::error::ErrorManager>();
  TheErrors->Construct();
  TheIni = std::make_unique<framework::window::IniManager>();
}

void AppGlobals::Destroy() {
  TheIni.reset();
  if (TheErrors) TheErrors->Shutdown();
  TheErrors.reset();
  TheMatcher.reset();
}

FuzzyMatcher& AppGlobals::Matcher() { return *TheMatcher; }
framework::error::ErrorManager& AppGlobals::Errors() { return *TheErrors; }
framework::window::IniManager& AppGlobals::Ini() { return *TheIni; }
framework::error::ErrorManager::StatusInstances& AppGlobals::Status() { return TheStatus; }

}  // namespace app
