#pragma once
// A stand-in opener first on PATH for the life of the object: every argument it is
// handed becomes a line of its log, so a test sees what the program would have opened
// and nothing is opened for real. PATH comes back at the end of the scope.

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

class RecordingOpener {
 public:
  // The opener and its log go into `folder`, which must exist.
  explicit RecordingOpener(const std::filesystem::path& folder);
  ~RecordingOpener();
  RecordingOpener(const RecordingOpener&) = delete;
  RecordingOpener& operator=(const RecordingOpener&) = delete;

  const std::filesystem::path& Log() const { return Opened; }
  // Every line logged so far.
  std::vector<std::string> Lines() const;

 private:
  std::filesystem::path Opened;
  std::string OldPath;
};

}  // namespace testsupport
