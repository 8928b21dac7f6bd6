#include "framework/data/FileOpener.h"

#include "framework/data/FileUsageRegistry.h"
#include "runtime/core/RuntimeErrorCode.h"

namespace framework::data {

using C = runtime::core::RuntimeErrorCode;

void FileOpener::Destroy() { Disposed = true; }

void FileOpener::SetFile(runtime::files::KeyedFile* file) { MyFile = file; }

int32_t FileOpener::Open(uint8_t mode) {
  if (MyFile == nullptr) return C::FileNotOpen;
  const int32_t code = MyFile->Open(mode);
  return code == C::AlreadyOpen ? C::NoError : code;
}

int32_t FileOpener::Close() { return MyFile != nullptr ? MyFile->Close() : C::NoError; }

void FileOpener::Link() { ++Usage; }

void FileOpener::Unlink() {
  if (Disposed) return;
  if (Usage > 0) {
    --Usage;
    return;
  }
  Destroy();
  FileUsageRegistry::FreeOpener(this);  // `this` is gone from here on
}

}  // namespace framework::data
