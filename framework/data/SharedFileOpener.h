#pragma once
// The opener of a file that all threads share (one KeyedFile): it counts the open
// requests of every thread's manager, physically opens the file for the first and
// closes it for the last. A second user's open never reaches the file, so its mode is
// ignored. Entered in the registry's opener map (by file) for as long as it lives.
//
// Thread safety: Open, Close, Link and Unlink run one at a time under the opener's
// own critical section. The holder count is changed only under the registry's map
// lock as well, so GetOpener never hands out an opener that Unlink is freeing. Lock
// order: opener, then map.

#include <cstdint>
#include <memory>

#include "framework/data/FileOpener.h"
#include "runtime/core/CriticalSection.h"

namespace framework::data {

class SharedFileOpener : public FileOpener {
 public:
  // Frees the critical section, then the base Destroy.
  void Destroy() override;
  // The base SetFile, then no open requests counted.
  void SetFile(runtime::files::KeyedFile* file) override;

  // The first request opens the file (an error other than 52 is returned, low 8 bits,
  // and not counted); later ones only count. Returns 0 or the open's error.
  int32_t Open(uint8_t mode) override;
  // The last outstanding request closes the file; a failed close keeps the count so a
  // later Close tries again. A close with nothing counted does nothing.
  int32_t Close() override;
  void Link() override;
  void Unlink() override;

  // Called by the registry while it holds the map lock.
  void GiveSection(std::unique_ptr<runtime::core::CriticalSection> section) { CSect = std::move(section); }
  void AddHolderLocked() { ++Usage; }
  int32_t OpenRequests() const { return FileUsageCount; }

 private:
  std::unique_ptr<runtime::core::CriticalSection> CSect;
  int32_t FileUsageCount = 0;
};

}  // namespace framework::data
