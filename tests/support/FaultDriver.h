#pragma once
// A driver for tests that passes every call to another driver, except the operations a
// test has told it to fail. The faults live in a DriverFaults object the test holds;
// every FaultDriver the registry makes under one name shares it.

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "runtime/files/Driver.h"

namespace testsupport {

enum class DriverOperation {
  Create,
  Open,
  OpenForWrites,  // an Open whose mode asks for write access
  Close,
  BuildKeys,
  GetByKey,
  GetByPosition,
  SetKeyPosition,
  ResetToPosition,
  Next,
  Previous,
  Position,
  ReadRun,
  TakeRunRecord,
  BeginRead,
  EndRead,
  Add,
  Put,
  Delete,
  Watch,
  CheckDuplicate,
  SaveCursor,
  RestoreCursor,
  Records,
  Send,
  Begin,
  Commit,
  Rollback,
  Count
};

enum class Transactions { Supported, Unsupported };

// Thread safety: every member may be called from any thread.
class DriverFaults {
 public:
  static constexpr int Always = -1;

  // The next `times` calls of `operation` (Always: every call until cleared) give
  // `status` without reaching the wrapped driver.
  void Fail(DriverOperation operation, runtime::files::DriverStatus status, int times = Always);
  void Clear(DriverOperation operation);
  // Unsupported: SupportsTransactions answers false and Begin gives NotSupported.
  void SetTransactions(Transactions transactions);
  bool SupportsTransactions() const;
  // How many calls of `operation` reached the wrapped driver and succeeded.
  int Succeeded(DriverOperation operation) const;

  // For FaultDriver: the injected status of this call, if any.
  std::optional<runtime::files::DriverStatus> Take(DriverOperation operation);
  void NoteResult(DriverOperation operation, const runtime::files::DriverStatus& status);

 private:
  struct Fault {
    std::optional<runtime::files::DriverStatus> Status;
    int Remaining = 0;
    int Successes = 0;
  };
  mutable std::mutex Lock;
  std::array<Fault, static_cast<size_t>(DriverOperation::Count)> Faults;  // GUARDED_BY(Lock)
  Transactions Framing = Transactions::Supported;                          // GUARDED_BY(Lock)
};

class FaultDriver : public runtime::files::Driver {
 public:
  FaultDriver(std::unique_ptr<runtime::files::Driver> inner, std::shared_ptr<DriverFaults> faults);

  // Registers driver `name`, each a FaultDriver around a new driver `inner`; returns
  // the faults they share. Unregister `name` when done.
  static std::shared_ptr<DriverFaults> Register(const std::string& name, const std::string& inner);

  std::string DefaultExtension() const override { return Inner->DefaultExtension(); }
  bool SupportsTransactions() const override;
  runtime::files::DriverStatus Create(const runtime::files::FileDefinition& definition,
                                      const std::string& path) override;
  runtime::files::DriverStatus Open(const runtime::files::FileDefinition& definition, const std::string& path,
                                    uint8_t mode) override;
  runtime::files::DriverStatus Close() override;
  runtime::files::DriverStatus BuildKeys(const runtime::files::FileDefinition& definition,
                                         const std::string& path) override;
  runtime::files::DriverStatus GetByKey(int key, void* buffer) override;
  runtime::files::DriverStatus GetByPosition(const std::string& position, void* buffer) override;
  runtime::files::DriverStatus SetKeyPosition(int key, size_t components, const void* buffer) override;
  runtime::files::DriverStatus ResetToPosition(const std::string& position) override;
  runtime::files::DriverStatus Next(void* buffer) override;
  runtime::files::DriverStatus Previous(void* buffer) override;
  runtime::files::DriverStatus Position(int key, std::string& position) override;
  void ForgetCurrent() override { Inner->ForgetCurrent(); }
  runtime::files::DriverStatus ReadRun(runtime::files::RunDirection direction, size_t count,
                                       std::vector<runtime::files::RunRecord>& run) override;
  runtime::files::DriverStatus TakeRunRecord(const runtime::files::RunRecord& record, void* buffer) override;
  void ExpectRunBefore(size_t count) override { Inner->ExpectRunBefore(count); }
  runtime::files::DriverStatus BeginRead() override;
  runtime::files::DriverStatus EndRead() override;
  runtime::files::DriverStatus Add(const void* buffer) override;
  runtime::files::DriverStatus Put(const void* buffer) override;
  runtime::files::DriverStatus Delete() override;
  runtime::files::DriverStatus Watch() override;
  runtime::files::DriverStatus CheckDuplicate(int key, const void* buffer, bool& duplicate) override;
  runtime::files::DriverStatus SaveCursor(std::string& state) override;
  runtime::files::DriverStatus RestoreCursor(const std::string& state) override;
  runtime::files::DriverStatus Records(int64_t& count) override;
  runtime::files::DriverStatus Send(const std::string& option, std::string& answer) override;
  runtime::files::DriverStatus Begin(int32_t timeoutSeconds) override;
  runtime::files::DriverStatus Commit() override;
  runtime::files::DriverStatus Rollback() override;
  bool InTransaction() const override { return Inner->InTransaction(); }

 private:
  // The injected status of `operation`, or the wrapped driver's answer to `call`.
  template <typename Call>
  runtime::files::DriverStatus Run(DriverOperation operation, Call call);

  std::unique_ptr<runtime::files::Driver> Inner;
  std::shared_ptr<DriverFaults> Faults;
};

}  // namespace testsupport
