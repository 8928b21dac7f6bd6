#pragma once
// A small keyed file for browse tests and benchmarks: one record of a name and a count,
// a case-free unique key on the name (KeyName) and the same key descending
// (KeyNameDescending). NameFile bundles the file, its buffer and its managers for one
// thread; the display queue's record (NameRow) has the two shown fields and the view
// position.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/error/ErrorManager.h"
#include "runtime/data/RecordType.h"
#include "runtime/files/FileDefinition.h"
#include "runtime/files/KeyedFile.h"

namespace testsupport {

struct NameRecord {
  char Name[40];
  int32_t Count;
};

struct NameRow {
  char Name[40];
  int32_t Count;
  char Position[1024];
};

inline constexpr int KeyName = 1;
inline constexpr int KeyNameDescending = 2;

const runtime::data::RecordType& NameType();
const runtime::files::FileDefinition& NameDefinition();

// An error manager that records every message and answers it with the next queued
// answer (its default button when none is queued), and records halts instead of
// ending the process.
class RecordingErrorManager : public framework::error::ErrorManager {
 public:
  int32_t ShowMessageBox(const std::string& text, const std::string& title, const std::string& icon, int32_t buttons,
                         int32_t defaultButton, int32_t style) override;
  framework::error::ErrorLevel HandleHalt() override;
  std::vector<std::string> Titles();
  void QueueAnswer(int32_t button);

 private:
  std::mutex Lock;
  std::vector<std::string> Shown;
  std::vector<int32_t> Answers;
};

// The file and its managers on the calling thread. The registry of the thread must be
// initialised (FileUsageRegistry::Current().Init()).
class NameFile {
 public:
  explicit NameFile(framework::error::ErrorManager& errors);
  ~NameFile();
  NameFile(const NameFile&) = delete;
  NameFile& operator=(const NameFile&) = delete;

  // Opens the file (creating it when missing); the manager's result.
  framework::error::ErrorLevel Open();
  // Adds a record through the file manager.
  framework::error::ErrorLevel Add(std::string_view name, int32_t count);
  // Adds `count` records named by `name(i)` (i from 0) in one transaction; the runtime code.
  template <class NameOf>
  int32_t AddMany(size_t count, NameOf name) {
    if (int32_t rc = File.BeginTransaction(TransactionSeconds); rc != 0) return rc;
    for (size_t i = 0; i < count; ++i) {
      File.ClearBuffer();
      SetName(name(i));
      Record.Count = static_cast<int32_t>(i);
      if (int32_t rc = File.Add(); rc != 0) {
        File.RollbackTransaction();
        return rc;
      }
    }
    return File.CommitTransaction();
  }
  void SetName(std::string_view name);

  static constexpr int32_t TransactionSeconds = 30;

  NameRecord Record{};
  runtime::files::KeyedFile File;
  framework::data::FileManager Manager;
  framework::data::RelationManager Relations;
};

}  // namespace testsupport
