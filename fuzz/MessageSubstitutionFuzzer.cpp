// Message substitution: any catalogue text with any placeholder values fills in
// without a crash and stays within its limit.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/error/ErrorLevel.h"
#include "framework/error/ErrorManager.h"
#include "framework/error/TextLimit.h"
#include "fuzz/FuzzInput.h"
#include "runtime/core/PerThread.h"

namespace {

constexpr int32_t FuzzId = 900;

framework::error::ErrorManager& Manager() {
  static runtime::core::PerThread<framework::error::ErrorStatus> status;
  static framework::error::ErrorManager* manager = [] {
    auto* m = new framework::error::ErrorManager();
    m->Construct();
    m->Init(status);
    m->Silent = true;  // nothing to show the messages to
    return m;
  }();
  return *manager;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::Parts(data, size, 5);
  framework::error::ErrorManager& m = Manager();
  // A quiet entry: raising it fills the texts but shows nothing.
  m.RemoveCatalogueEntry(FuzzId);
  m.AddCatalogueEntry(FuzzId, parts[0], "Fuzz", framework::error::LevelQuiet);
  m.SetFileName(parts[1]);
  m.SetKeyName(parts[2]);
  m.SetFieldName(parts[3]);
  m.SetCurrentError(FuzzId);
  const std::string text = m.SubstituteText();
  if (text.size() > framework::error::TextLimit::WorkingLength) std::abort();
  (void)m.RaiseErrorWithMessage(FuzzId, parts[4]);
  return 0;
}
