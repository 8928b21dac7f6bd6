#include "tests/support/RecordingOpener.h"

#include <cstdlib>
#include <fstream>

namespace testsupport {

RecordingOpener::RecordingOpener(const std::filesystem::path& folder) : Opened(folder / "opened.txt") {
  const std::filesystem::path bin = folder / "bin";
  std::filesystem::create_directories(bin);
  std::ofstream(bin / "xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" << Opened.string() << "'\n";
  std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
  const char* path = std::getenv("PATH");
  OldPath = path != nullptr ? path : "";
  ::setenv("PATH", (bin.string() + ":" + OldPath).c_str(), 1);
}

RecordingOpener::~RecordingOpener() {
  ::setenv("PATH", OldPath.c_str(), 1);
}

std::vector<std::string> RecordingOpener::Lines() const {
  std::vector<std::string> lines;
  std::ifstream in(Opened);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace testsupport
