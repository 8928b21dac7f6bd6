#pragma once
// The opener of a file that every thread has its own instance of: no locking and no
// counting, since only its own thread's manager opens and closes that instance. It
// owns itself in the sense of the opener protocol: the last Unlink frees it (the
// object lives in the file usage registry's pool until then).
//
// Thread safety: used by one thread only (SharedFileOpener adds the locking).

#include <cstdint>

#include "framework/data/IFileOpenServer.h"
#include "runtime/files/KeyedFile.h"

namespace framework::data {

class FileOpener : public IFileOpenServer {
 public:
  FileOpener() = default;
  virtual ~FileOpener() = default;
  FileOpener(const FileOpener&) = delete;
  FileOpener& operator=(const FileOpener&) = delete;

  // Slot order of the opener's own operations.
  virtual void Destroy();
  virtual void SetFile(runtime::files::KeyedFile* file);

  // Opens the file; "already open" (52) counts as success.
  int32_t Open(uint8_t mode) override;
  int32_t Close() override;
  void Link() override;
  // With no extra holders left: marks the opener disposed and frees it.
  void Unlink() override;

  runtime::files::KeyedFile* File() const { return MyFile; }
  int32_t Holders() const { return Usage; }

 protected:
  bool Disposed = false;
  runtime::files::KeyedFile* MyFile = nullptr;
  // Holders beyond the first.
  int32_t Usage = 0;
};

}  // namespace framework::data
