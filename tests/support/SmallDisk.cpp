#include "tests/support/SmallDisk.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace testsupport {

SmallDisk::SmallDisk(size_t bytes) {
  std::string pattern = (std::filesystem::temp_directory_path() / "vk-disk-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    Reason = std::string("no scratch folder: ") + std::strerror(errno);
    return;
  }
  Path = pattern;
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
  if (::mount("tmpfs", Path.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    Reason = std::string("cannot mount a small tmpfs here (") + std::strerror(errno) +
             "); a full disk is tested where the test may mount one";
    return;
  }
  IsMounted = true;
}

SmallDisk::~SmallDisk() {
  if (IsMounted) ::umount2(Path.c_str(), MNT_DETACH);
  if (!Path.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(Path, ec);
  }
}

bool SmallDisk::MakeReadOnly() const {
  return IsMounted && ::mount("tmpfs", Path.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

std::string SmallDisk::Fill() const {
  const std::string filler = Path + "/filler";
  FILE* f = std::fopen(filler.c_str(), "wb");
  if (f == nullptr) return filler;
  const std::vector<char> block(4096, 'x');
  while (std::fwrite(block.data(), 1, block.size(), f) == block.size()) {
  }
  // The last partial block: fill to the last byte.
  while (std::fputc('x', f) != EOF && std::fflush(f) == 0) {
  }
  std::fclose(f);
  return filler;
}

}  // namespace testsupport
