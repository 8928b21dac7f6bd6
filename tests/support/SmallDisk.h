#pragma once
// A small file system of its own (tmpfs) mounted on a fresh folder, so a test can fill
// it and see what a full disk does. Mounting needs the privilege to mount; where the
// test may not, Mounted() is false and Why() says why, for GTEST_SKIP.

#include <cstddef>
#include <string>

namespace testsupport {

class SmallDisk {
 public:
  explicit SmallDisk(size_t bytes);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool Mounted() const { return IsMounted; }
  const std::string& Why() const { return Reason; }
  const std::string& Folder() const { return Path; }
  // Writes a filler file until the disk is full; its name is returned so a test can
  // remove it to free the space again.
  std::string Fill() const;
  // Remounts the disk read-only (even the superuser may then write nothing there).
  bool MakeReadOnly() const;

 private:
  std::string Path;
  std::string Reason;
  bool IsMounted = false;
};

}  // namespace testsupport
