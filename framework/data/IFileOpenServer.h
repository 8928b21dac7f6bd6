#pragma once
// What a file manager holds to open and close its file: the file's opener, which
// decides whether an open or close reaches the physical file. Obtained from
// FileUsageRegistry::GetOpener; each holder lets go with Unlink, and the opener frees
// itself when the last holder has let go (so a holder never uses it after Unlink).
//
// Thread safety: a shared file's opener may be called from any thread (it serialises
// itself); a per-thread file's opener belongs to its thread.

#include <cstdint>

namespace framework::data {

class IFileOpenServer {
 public:
  // 1. Opens with the mode byte (FileMode); returns a runtime error code, 0 on success.
  virtual int32_t Open(uint8_t mode) = 0;
  // 2. Closes; returns a runtime error code.
  virtual int32_t Close() = 0;
  // 3. One more holder of this interface.
  virtual void Link() = 0;
  // 4. One holder less; frees the opener when the last one lets go.
  virtual void Unlink() = 0;

 protected:
  ~IFileOpenServer() = default;
};

}  // namespace framework::data
