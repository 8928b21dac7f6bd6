#include "tests/support/FaultDriver.h"

#include <utility>

#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/files/DriverRegistry.h"
#include "runtime/files/FileMode.h"

namespace testsupport {

using runtime::files::DriverStatus;

void DriverFaults::Fail(DriverOperation operation, DriverStatus status, int times) {
  std::lock_guard lock(Lock);
  Fault& fault = Faults[static_cast<size_t>(operation)];
  fault.Status = std::move(status);
  fault.Remaining = times;
}

void DriverFaults::Clear(DriverOperation operation) {
  std::lock_guard lock(Lock);
  Fault& fault = Faults[static_cast<size_t>(operation)];
  fault.Status.reset();
  fault.Remaining = 0;
}

void DriverFaults::SetTransactions(Transactions transactions) {
  std::lock_guard lock(Lock);
  Framing = transactions;
}

bool DriverFaults::SupportsTransactions() const {
  std::lock_guard lock(Lock);
  return Framing == Transactions::Supported;
}

int DriverFaults::Succeeded(DriverOperation operation) const {
  std::lock_guard lock(Lock);
  return Faults[static_cast<size_t>(operation)].Successes;
}

std::optional<DriverStatus> DriverFaults::Take(DriverOperation operation) {
  std::lock_guard lock(Lock);
  if (operation == DriverOperation::Begin && Framing == Transactions::Unsupported) {
    return DriverStatus::Error(runtime::core::RuntimeErrorCode::NotSupported);
  }
  Fault& fault = Faults[static_cast<size_t>(operation)];
  if (!fault.Status || fault.Remaining == 0) return std::nullopt;
  DriverStatus status = *fault.Status;
  if (fault.Remaining > 0 && --fault.Remaining == 0) fault.Status.reset();
  return status;
}

void DriverFaults::NoteResult(DriverOperation operation, const DriverStatus& status) {
  if (!status.IsOk()) return;
  std::lock_guard lock(Lock);
  ++Faults[static_cast<size_t>(operation)].Successes;
}

FaultDriver::FaultDriver(std::unique_ptr<runtime::files::Driver> inner, std::shared_ptr<DriverFaults> faults)
    : Inner(std::move(inner)), Faults(std::move(faults)) {}

std::shared_ptr<DriverFaults> FaultDriver::Register(const std::string& name, const std::string& inner) {
  auto faults = std::make_shared<DriverFaults>();
  runtime::files::DriverRegistry::Register(name, [faults, inner] {
    return std::make_unique<FaultDriver>(runtime::files::DriverRegistry::Make(inner), faults);
  });
  return faults;
}

template <typename Call>
DriverStatus FaultDriver::Run(DriverOperation operation, Call call) {
  if (std::optional<DriverStatus> injected = Faults->Take(operation)) return *injected;
  DriverStatus status = call();
  Faults->NoteResult(operation, status);
  return status;
}

bool FaultDriver::SupportsTransactions() const { return Faults->SupportsTransactions() && Inner->SupportsTransactions(); }

DriverStatus FaultDriver::Create(const runtime::files::FileDefinition& definition, const std::string& path) {
  return Run(DriverOperation::Create, [&] { return Inner->Create(definition, path); });
}
DriverStatus FaultDriver::Open(const runtime::files::FileDefinition& definition, const std::string& path,
                               uint8_t mode) {
  if (runtime::files::FileMode::Writes(mode)) {
    if (std::optional<DriverStatus> injected = Faults->Take(DriverOperation::OpenForWrites)) return *injected;
  }
  return Run(DriverOperation::Open, [&] { return Inner->Open(definition, path, mode); });
}
DriverStatus FaultDriver::Close() {
  return Run(DriverOperation::Close, [&] { return Inner->Close(); });
}
DriverStatus FaultDriver::BuildKeys(const runtime::files::FileDefinition& definition, const std::string& path) {
  return Run(DriverOperation::BuildKeys, [&] { return Inner->BuildKeys(definition, path); });
}
DriverStatus FaultDriver::GetByKey(int key, void* buffer) {
  return Run(DriverOperation::GetByKey, [&] { return Inner->GetByKey(key, buffer); });
}
DriverStatus FaultDriver::GetByPosition(const std::string& position, void* buffer) {
  return Run(DriverOperation::GetByPosition, [&] { return Inner->GetByPosition(position, buffer); });
}
DriverStatus FaultDriver::SetKeyPosition(int key, size_t components, const void* buffer) {
  return Run(DriverOperation::SetKeyPosition, [&] { return Inner->SetKeyPosition(key, components, buffer); });
}
DriverStatus FaultDriver::ResetToPosition(const std::string& position) {
  return Run(DriverOperation::ResetToPosition, [&] { return Inner->ResetToPosition(position); });
}
DriverStatus FaultDriver::Next(void* buffer) {
  return Run(DriverOperation::Next, [&] { return Inner->Next(buffer); });
}
DriverStatus FaultDriver::Previous(void* buffer) {
  return Run(DriverOperation::Previous, [&] { return Inner->Previous(buffer); });
}
DriverStatus FaultDriver::Position(int key, std::string& position) {
  return Run(DriverOperation::Position, [&] { return Inner->Position(key, position); });
}
DriverStatus FaultDriver::ReadRun(runtime::files::RunDirection direction, size_t count,
                                  std::vector<runtime::files::RunRecord>& run) {
  return Run(DriverOperation::ReadRun, [&] { return Inner->ReadRun(direction, count, run); });
}
DriverStatus FaultDriver::TakeRunRecord(const runtime::files::RunRecord& record, void* buffer) {
  return Run(DriverOperation::TakeRunRecord, [&] { return Inner->TakeRunRecord(record, buffer); });
}
DriverStatus FaultDriver::BeginRead() {
  return Run(DriverOperation::BeginRead, [&] { return Inner->BeginRead(); });
}
DriverStatus FaultDriver::EndRead() {
  return Run(DriverOperation::EndRead, [&] { return Inner->EndRead(); });
}
DriverStatus FaultDriver::Add(const void* buffer) {
  return Run(DriverOperation::Add, [&] { return Inner->Add(buffer); });
}
DriverStatus FaultDriver::Put(const void* buffer) {
  return Run(DriverOperation::Put, [&] { return Inner->Put(buffer); });
}
DriverStatus FaultDriver::Delete() {
  return Run(DriverOperation::Delete, [&] { return Inner->Delete(); });
}
DriverStatus FaultDriver::Watch() {
  return Run(DriverOperation::Watch, [&] { return Inner->Watch(); });
}
DriverStatus FaultDriver::CheckDuplicate(int key, const void* buffer, bool& duplicate) {
  return Run(DriverOperation::CheckDuplicate, [&] { return Inner->CheckDuplicate(key, buffer, duplicate); });
}
DriverStatus FaultDriver::SaveCursor(std::string& state) {
  return Run(DriverOperation::SaveCursor, [&] { return Inner->SaveCursor(state); });
}
DriverStatus FaultDriver::RestoreCursor(const std::string& state) {
  return Run(DriverOperation::RestoreCursor, [&] { return Inner->RestoreCursor(state); });
}
DriverStatus FaultDriver::Records(int64_t& count) {
  return Run(DriverOperation::Records, [&] { return Inner->Records(count); });
}
DriverStatus FaultDriver::Send(const std::string& option, std::string& answer) {
  return Run(DriverOperation::Send, [&] { return Inner->Send(option, answer); });
}
DriverStatus FaultDriver::Begin(int32_t timeoutSeconds) {
  return Run(DriverOperation::Begin, [&] { return Inner->Begin(timeoutSeconds); });
}
DriverStatus FaultDriver::Commit() {
  return Run(DriverOperation::Commit, [&] { return Inner->Commit(); });
}
DriverStatus FaultDriver::Rollback() {
  return Run(DriverOperation::Rollback, [&] { return Inner->Rollback(); });
}

}  // namespace testsupport
