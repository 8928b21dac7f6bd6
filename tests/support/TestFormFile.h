#pragma once
// The test form's data file with its managers, as a window procedure's thread has
// them: the record buffer, the keyed file, its FileManager and its RelationManager.
// The file manager can be told to refuse the next record checks, so that a test can
// make an update fail the way a rejected record does (the relation manager then
// answers 1 and the form asks whether to try again).
//
// Thread safety: belongs to the thread that called Init (the form's thread); Stored
// and Records read the file through a handle of their own and may be called from the
// same thread when no form is running.

#include <cstdint>
#include <optional>
#include <string>

#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/error/ErrorManager.h"
#include "runtime/files/KeyedFile.h"
#include "tests/support/TestFormRecord.h"

namespace testsupport {

class TestFormFileManager : public framework::data::FileManager {
 public:
  // Record checks refused from now on (each check takes one).
  int32_t RefuseChecks = 0;
  ErrorLevel CheckRecord(int* failedField) override;
};

class TestFormFile {
 public:
  TestFormFile() = default;
  ~TestFormFile();
  TestFormFile(const TestFormFile&) = delete;
  TestFormFile& operator=(const TestFormFile&) = delete;

  // Binds the file and its managers on the calling thread (whose file usage registry
  // must be set up); messages go to `errors`.
  void Init(framework::error::ErrorManager& errors);
  // Safe twice.
  void Teardown();

  // Adds a record directly through the file manager; the level it returned.
  framework::error::ErrorLevel Add(const std::string& code, const std::string& name, int32_t count);
  // The stored record with this code, read through a separate handle.
  std::optional<TestFormRecord> Stored(const std::string& code);
  // How many records the file holds (-1 when it cannot be read).
  int64_t Records();
  // Fills the buffer as a browse would before calling the form.
  void Set(const std::string& code, const std::string& name, int32_t count);

  TestFormRecord Record{};
  runtime::files::KeyedFile File;
  TestFormFileManager Manager;
  framework::data::RelationManager Relations;

 private:
  bool Bound = false;
};

}  // namespace testsupport
