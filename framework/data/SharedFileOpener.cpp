#include "framework/data/SharedFileOpener.h"

#include "framework/data/FileUsageRegistry.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/core/SyncGuard.h"

namespace framework::data {

using C = runtime::core::RuntimeErrorCode;
using runtime::core::SyncGuard;

namespace {
// Open errors are handed back as their low byte.
constexpr int32_t ErrorByteMask = 0xFF;
}  // namespace

void SharedFileOpener::Destroy() {
  CSect.reset();
  FileOpener::Destroy();
}

void SharedFileOpener::SetFile(runtime::files::KeyedFile* file) {
  FileOpener::SetFile(file);
  FileUsageCount = 0;
}

int32_t SharedFileOpener::Open(uint8_t mode) {
  SyncGuard guard(*CSect);
  if (FileUsageCount == 0) {
    const int32_t code = MyFile != nullptr ? MyFile->Open(mode) : C::FileNotOpen;
    if (code != C::NoError && code != C::AlreadyOpen) return code & ErrorByteMask;
  }
  ++FileUsageCount;
  return C::NoError;
}

int32_t SharedFileOpener::Close() {
  SyncGuard guard(*CSect);
  if (FileUsageCount <= 0) return C::NoError;
  if (FileUsageCount == 1 && MyFile != nullptr) {
    const int32_t code = MyFile->Close();
    if (code != C::NoError) return code;
  }
  --FileUsageCount;
  return C::NoError;
}

void SharedFileOpener::Link() {
  SyncGuard guard(*CSect);
  SyncGuard map(FileUsageRegistry::MapLock());
  ++Usage;
}

void SharedFileOpener::Unlink() {
  if (Disposed || !CSect) return;
  bool last = false;
  {
    SyncGuard guard(*CSect);
    // The decision is taken under the map lock too, so GetOpener cannot hand this
    // opener to a new holder between the check and the removal from the map.
    SyncGuard map(FileUsageRegistry::MapLock());
    if (Usage > 0) {
      --Usage;
      return;
    }
    FileUsageRegistry::RemoveMapEntry(MyFile);
    last = true;
  }
  // The own section is released before the object may be freed.
  if (last) FileOpener::Unlink();
}

}  // namespace framework::data
