#include "tests/support/TestFormFile.h"

#include <cstring>

#include "framework/data/UseType.h"
#include "runtime/core/RuntimeErrorCode.h"

namespace testsupport {

using framework::error::ErrorLevel;
using framework::error::LevelNotice;
using framework::error::LevelQuiet;

TestFormFileManager::ErrorLevel TestFormFileManager::CheckRecord(int* failedField) {
  if (RefuseChecks > 0) {
    --RefuseChecks;
    return LevelNotice;
  }
  return FileManager::CheckRecord(failedField);
}

TestFormFile::~TestFormFile() { Teardown(); }

void TestFormFile::Init(framework::error::ErrorManager& errors) {
  File.Init(TestFormRecord::Definition(), &Record);
  Manager.File = &File;
  Manager.Buffer = {&Record, &TestFormRecord::Type(), sizeof(TestFormRecord)};
  Manager.Errors = &errors;
  Manager.SetUp();
  Manager.Init(&File, &errors);
  Manager.RegisterKey(TestFormRecord::CodeKey, "Code:KeyCode");
  Relations.Init(&Manager, framework::data::Logout::On);
  Bound = true;
}

void TestFormFile::Teardown() {
  if (!Bound) return;
  Bound = false;
  Relations.Teardown();
  Manager.Teardown();
  File.Teardown();
}

void TestFormFile::Set(const std::string& code, const std::string& name, int32_t count) {
  File.ClearBuffer();
  const auto& type = TestFormRecord::Type();
  type.Ref(&Record, 0).SetText(code);
  type.Ref(&Record, 1).SetText(name);
  Record.Count = count;
}

ErrorLevel TestFormFile::Add(const std::string& code, const std::string& name, int32_t count) {
  if (const ErrorLevel opened = Manager.Open(); opened != LevelQuiet) return opened;
  Set(code, name, count);
  const ErrorLevel result = Manager.Insert();
  Manager.Close();
  return result;
}

std::optional<TestFormRecord> TestFormFile::Stored(const std::string& code) {
  TestFormRecord probe{};
  runtime::files::KeyedFile file;
  if (file.Init(TestFormRecord::Definition(), &probe) != runtime::core::RuntimeErrorCode::NoError) return std::nullopt;
  std::optional<TestFormRecord> found;
  if (file.Open(framework::data::FileManager::DefaultOpenMode) == runtime::core::RuntimeErrorCode::NoError) {
    file.ClearBuffer();
    TestFormRecord::Type().Ref(&probe, 0).SetText(code);
    if (file.GetByKey(TestFormRecord::CodeKey) == runtime::core::RuntimeErrorCode::NoError) found = probe;
    file.Close();
  }
  file.Teardown();
  return found;
}

int64_t TestFormFile::Records() {
  TestFormRecord probe{};
  runtime::files::KeyedFile file;
  if (file.Init(TestFormRecord::Definition(), &probe) != runtime::core::RuntimeErrorCode::NoError) return -1;
  int64_t count = -1;
  if (file.Open(framework::data::FileManager::DefaultOpenMode) == runtime::core::RuntimeErrorCode::NoError) {
    count = file.Records();
    file.Close();
  }
  file.Teardown();
  return count;
}

}  // namespace testsupport
