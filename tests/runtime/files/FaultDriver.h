#pragma once
// A driver for tests that behaves as the SQLite driver except where told to fail:
// it may have no transactions (answers 80), or fail every write with a chosen code.

#include <atomic>
#include <memory>

#include "runtime/files/SqliteDriver.h"

namespace testfiles {

class FaultDriver : public runtime::files::SqliteDriver {
 public:
  static constexpr const char* Name = "FAULTY";
  static inline std::atomic<bool> NoTransactions{false};
  static inline std::atomic<int32_t> FailWritesWith{0};

  bool SupportsTransactions() const override { return !NoTransactions; }
  runtime::files::DriverStatus Begin(int32_t timeoutSeconds) override {
    if (NoTransactions) return runtime::files::DriverStatus::Error(runtime::core::RuntimeErrorCode::NotSupported);
    return SqliteDriver::Begin(timeoutSeconds);
  }
  runtime::files::DriverStatus Add(const void* buffer) override {
    if (FailWritesWith != 0) return Injected();
    return SqliteDriver::Add(buffer);
  }
  runtime::files::DriverStatus Put(const void* buffer) override {
    if (FailWritesWith != 0) return Injected();
    return SqliteDriver::Put(buffer);
  }

 private:
  static runtime::files::DriverStatus Injected() {
    return runtime::files::DriverStatus::Error(FailWritesWith, "13", "injected: disk full");
  }
};

}  // namespace testfiles
