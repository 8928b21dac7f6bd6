#pragma once
// A fresh temporary folder made the working folder for one test, so the data file,
// the INI file and the error log of a test never meet another's. The previous
// working folder comes back and the folder is removed at the end of the scope.

#include <filesystem>

namespace testsupport {

class TempWorkDir {
 public:
  TempWorkDir();
  ~TempWorkDir();
  TempWorkDir(const TempWorkDir&) = delete;
  TempWorkDir& operator=(const TempWorkDir&) = delete;

  const std::filesystem::path& Path() const { return Dir; }

 private:
  std::filesystem::path Dir;
  std::filesystem::path Previous;
};

}  // namespace testsupport
