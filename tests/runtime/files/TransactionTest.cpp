// Transactions over several files, the fault-injecting driver, and the call-back
// object's view of each operation.
#include <vector>

#include "runtime/files/DriverRegistry.h"
#include "runtime/files/FileOpcode.h"
#include "runtime/files/FileProperty.h"
#include "runtime/files/Transaction.h"
#include "tests/support/FaultDriver.h"
#include "tests/runtime/files/KeyedFileFixture.h"

using namespace testfiles;
using runtime::core::RuntimeError;
using runtime::files::FileCallback;
using runtime::files::FileOpcode;
using runtime::files::FileProperty;
using runtime::files::Transaction;

namespace {

class TransactionTest : public DriverFixture {
 protected:
  void SetUp() override {
    DriverFixture::SetUp();
    // Files on one thread share the thread's connection to a server, and so its
    // transaction; a shared file has a connection of its own, like another station.
    Elsewhere = Definition;
    Elsewhere.Sharing = runtime::files::FileSharing::Shared;
  }
  std::unique_ptr<KeyedFile> Second(runtime::files::FileDefinition& definition) {
    auto f = std::make_unique<KeyedFile>();
    EXPECT_EQ(f->Init(definition), C::NoError);
    f->SetName(Folder + "/OTHER");
    EXPECT_EQ(f->Create(), C::NoError);
    EXPECT_EQ(f->Open(ReadWriteShared), C::NoError);
    return f;
  }
  // A handle on the test file through a connection of its own.
  std::unique_ptr<KeyedFile> Station(const std::string& name) {
    auto f = std::make_unique<KeyedFile>();
    EXPECT_EQ(f->Init(Elsewhere), C::NoError);
    f->SetName(name);
    EXPECT_EQ(f->Open(ReadWriteShared), C::NoError);
    return f;
  }
  runtime::files::FileDefinition Elsewhere;
};
INSTANTIATE_TEST_SUITE_P(Drivers, TransactionTest, ::testing::Values(LocalDriver, ServerDriver), DriverLabel);

TEST_P(TransactionTest, CommitAndRollBackAcrossTwoFiles) {
  auto a = Handle();
  auto b = Second(Definition);
  auto reader = Station(Base());

  ASSERT_EQ(Transaction::Begin(2, {a.get(), b.get()}), C::NoError);
  EXPECT_TRUE(Transaction::Active());
  AddRecord(*a, "a1", 1);
  AddRecord(*b, "b1", 1);
  EXPECT_EQ(Dump(*reader, KeyUrl), "");  // not visible before the commit
  ASSERT_EQ(Transaction::Commit(), C::NoError);
  EXPECT_FALSE(Transaction::Active());
  EXPECT_EQ(Dump(*reader, KeyUrl), "a1:1");

  // Files take part through their Transaction property too.
  ASSERT_EQ(a->SetProperty(FileProperty::Transaction, "1"), C::NoError);
  ASSERT_EQ(b->SetProperty(FileProperty::Transaction, "1"), C::NoError);
  EXPECT_EQ(a->Property(FileProperty::Transaction), "1");
  ASSERT_EQ(Transaction::Begin(2), C::NoError);
  AddRecord(*a, "a2", 2);
  Fill(Rec(*b), "b1", 0);
  ASSERT_EQ(b->GetByKey(KeyUrl), C::NoError);
  ASSERT_EQ(b->Delete(), C::NoError);
  ASSERT_EQ(Transaction::Rollback(), C::NoError);
  EXPECT_EQ(a->Property(FileProperty::Transaction), "0");
  EXPECT_EQ(Dump(*a, KeyUrl), "a1:1");
  EXPECT_EQ(Dump(*b, KeyUrl), "b1:1");
}

TEST_P(TransactionTest, BusyFileMakesBeginFailAndLeavesNothingBegun) {
  auto a = Handle();
  auto b = Second(Definition);
  // Another connection holds b's write lock.
  auto holder = Station(Folder + "/OTHER");
  ASSERT_EQ(holder->BeginTransaction(1), C::NoError);

  EXPECT_EQ(Transaction::Begin(0, {a.get(), b.get()}), C::RecordHeld);
  EXPECT_FALSE(Transaction::Active());
  EXPECT_FALSE(a->InTransaction());
  EXPECT_EQ(Transaction::Begin(0, {a.get(), a.get()}), C::NoError);  // a is free
  EXPECT_EQ(Transaction::Begin(0, {a.get()}), C::DriverError);       // one per thread
  EXPECT_EQ(Transaction::Commit(), C::NoError);
  EXPECT_EQ(holder->RollbackTransaction(), C::NoError);
  EXPECT_EQ(Transaction::Commit(), C::DriverError);                  // none running
}

class FaultDriverTest : public KeyedFileFixture {
 protected:
  void SetUp() override {
    KeyedFileFixture::SetUp();
    Faults = testsupport::FaultDriver::Register(Name, runtime::files::DriverRegistry::SqliteName);
    Definition.DriverName = Name;
  }
  void TearDown() override {
    runtime::files::DriverRegistry::Unregister(Name);
    KeyedFileFixture::TearDown();
  }
  // Every write fails with `code` and the storage's own code and text, or none does.
  void FailWrites(int32_t code) {
    const auto status = runtime::files::DriverStatus::Error(code, "13", "injected: disk full");
    for (auto op : {testsupport::DriverOperation::Add, testsupport::DriverOperation::Put}) {
      if (code == 0) Faults->Clear(op);
      else Faults->Fail(op, status);
    }
  }

  static constexpr const char* Name = "FAULTY";
  std::shared_ptr<testsupport::DriverFaults> Faults;
};

TEST_F(FaultDriverTest, DriverWithoutTransactionsAnswers80) {
  Faults->SetTransactions(testsupport::Transactions::Unsupported);
  auto f = Handle();
  EXPECT_EQ(f->SetProperty(FileProperty::Transaction, "1"), C::NotSupported);
  EXPECT_EQ(f->Property(FileProperty::Transaction), "0");
  EXPECT_EQ(Transaction::Begin(2, {f.get()}), C::NotSupported);
  EXPECT_FALSE(Transaction::Active());
  EXPECT_EQ(AddRecord(*f, "still works", 1), C::NoError);  // writes go on without framing
}

TEST_F(FaultDriverTest, FailedWritesCarryTheDriversCodeAndText) {
  auto f = Handle();
  FailWrites(C::DriverError);
  EXPECT_EQ(AddRecord(*f, "lost", 1), C::DriverError);
  EXPECT_EQ(RuntimeError::FileCode(), "13");
  EXPECT_EQ(RuntimeError::FileText(), "injected: disk full");
  FailWrites(0);
  EXPECT_EQ(AddRecord(*f, "kept", 1), C::NoError);
  EXPECT_EQ(RuntimeError::FileCode(), "0");
  EXPECT_EQ(Dump(*f, KeyUrl), "kept:1");
}

TEST(DriverRegistryTest, UnknownDriverIsNotSupported) {
  runtime::files::FileDefinition d = TestDefinition();
  d.DriverName = "NOSUCHDRIVER";
  KeyedFile f;
  EXPECT_EQ(f.Init(d), C::NotSupported);
  EXPECT_EQ(f.Open(ReadWriteShared), C::FileNotOpen);
}

// Records every call it is told about as "B<opcode>" / "A<opcode>:<code>".
class Recorder : public FileCallback {
 public:
  uint8_t BeforeFileOperation(int32_t opcode, Block& block) override {
    Log.push_back("B" + std::to_string(opcode));
    if (opcode == StopOpcode) block.Stop = true;
    return 1;
  }
  uint8_t AfterFileOperation(int32_t opcode, Block& block) override {
    Log.push_back("A" + std::to_string(opcode) + ":" + std::to_string(RuntimeError::Code()) +
                  (block.Value != 0 ? "=" + std::to_string(block.Value) : ""));
    RuntimeError::Set(C::DriverError);  // must not leak into the caller's error
    return 1;
  }
  std::vector<std::string> Log;
  int32_t StopOpcode = 0;
};

using FileCallbackTest = KeyedFileFixture;

TEST_F(FileCallbackTest, CallbacksAreToldBeforeAndAfterEachOperation) {
  Recorder recorder;
  auto f = Handle();
  f->AddCallback(&recorder);
  AddRecord(*f, "a", 1);
  AddRecord(*f, "a", 1);
  f->SetKeyPosition(KeyUrl);
  f->Next();
  EXPECT_EQ(f->Next(), C::RecordNotAvailable);
  EXPECT_EQ(RuntimeError::Code(), C::RecordNotAvailable);
  f->SetProperty(FileProperty::ReadAhead, "10");
  recorder.StopOpcode = FileOpcode::Delete;
  EXPECT_EQ(f->Delete(), C::DriverError);  // stopped: not carried out
  EXPECT_EQ(f->Records(), 1);
  f->Teardown();
  const std::vector<std::string> expected = {
      "B1", "A1:0", "B1", "A1:40", "B18", "A18:0", "B17", "A17:0", "B17", "A17:33",
      "B78", "A78:0=29525", "B30", "A30:90", "B104", "A104:0", "B3", "A3:0"};
  EXPECT_EQ(recorder.Log, expected);
}

}  // namespace
