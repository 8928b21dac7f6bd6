// What only a server brings: a connection the server ends between two calls, one lost
// in the middle of a transaction, and the number of round trips each read and write
// costs. Skipped without a test server.
#include <functional>
#include <string>
#include <vector>

#include "runtime/files/PgConnection.h"
#include "runtime/files/Transaction.h"
#include "tests/runtime/files/KeyedFileFixture.h"

using namespace testfiles;
using runtime::core::RuntimeError;
using runtime::files::PgConnection;
using runtime::files::Transaction;

namespace {

class ServerConnectionTest : public KeyedFileFixture {
 protected:
  void SetUp() override {
    KeyedFileFixture::SetUp();
    if (!ServerSchema::Available()) GTEST_SKIP() << "no test server: set " << ServerSchema::Variable;
    Server = std::make_unique<ServerSchema>();
    // The test's own connections carry its schema's name, so Cut ends only those.
    const std::string connection = Server->Connection() + " application_name=" + Server->SchemaName();
    runtime::files::DriverRegistry::Register(ServerDriver, [connection] {
      return std::make_unique<runtime::files::PgDriver>(connection);
    });
    Definition.DriverName = ServerDriver;
  }
  void TearDown() override {
    runtime::files::DriverRegistry::Unregister(ServerDriver);
    Server.reset();
    KeyedFileFixture::TearDown();
  }
  // Ends the test's connections on the server's side, as a restart or an administrator
  // would, and waits until they are gone.
  void Cut() {
    Server->Exec("SELECT count(pg_terminate_backend(pid, 5000)) FROM pg_stat_activity WHERE application_name = '" +
                 Server->SchemaName() + "'");
    ASSERT_EQ(Server->Error, "");
  }
  static constexpr const char* ServerDriver = runtime::files::PgDriver::Name;
  std::unique_ptr<ServerSchema> Server;
};

TEST_F(ServerConnectionTest, ReadsAndWritesGoOnAfterTheServerEndedTheConnection) {
  auto f = Handle();
  ASSERT_EQ(AddRecord(*f, "a", 1), C::NoError);
  Cut();
  Fill(Rec(*f), "a", 0);
  EXPECT_EQ(f->GetByKey(KeyUrl), C::NoError);
  EXPECT_EQ(Rec(*f).Count, 1);
  Cut();
  // The end of the connection is noticed before the write is sent, so it is sent once.
  EXPECT_EQ(AddRecord(*f, "b", 2), C::NoError);
  Cut();
  Rec(*f).Count = 3;
  EXPECT_EQ(f->Put(), C::NoError);
  EXPECT_EQ(Dump(*f, KeyUrl), "a:1 b:3");
}

TEST_F(ServerConnectionTest, AConnectionLostInATransactionLosesItsChangesAndSaysSo) {
  auto f = Handle();
  ASSERT_EQ(AddRecord(*f, "kept", 1), C::NoError);
  ASSERT_EQ(Transaction::Begin(2, {f.get()}), C::NoError);
  ASSERT_EQ(AddRecord(*f, "gone", 1), C::NoError);
  Cut();
  EXPECT_EQ(AddRecord(*f, "never", 1), C::DriverError);
  EXPECT_NE(RuntimeError::FileText().find("In the middle of a transaction"), std::string::npos) << RuntimeError::FileText();
  EXPECT_EQ(Transaction::Commit(), C::DriverError);
  EXPECT_FALSE(Transaction::Active());
  EXPECT_EQ(Dump(*f, KeyUrl), "kept:1");
}

TEST_F(ServerConnectionTest, ARefusedWriteInATransactionLeavesItUsable) {
  auto f = Handle();
  ASSERT_EQ(AddRecord(*f, "a", 1), C::NoError);
  ASSERT_EQ(AddRecord(*f, "b", 1), C::NoError);
  ASSERT_EQ(Transaction::Begin(2, {f.get()}), C::NoError);
  EXPECT_EQ(AddRecord(*f, "a", 2), C::DuplicateKey);
  Fill(Rec(*f), "b", 0);
  ASSERT_EQ(f->GetByKey(KeyUrl), C::NoError);
  std::snprintf(Rec(*f).Url, sizeof Rec(*f).Url, "a");
  EXPECT_EQ(f->Put(), C::DuplicateKey);
  ASSERT_EQ(AddRecord(*f, "c", 3), C::NoError);
  ASSERT_EQ(Transaction::Commit(), C::NoError);
  EXPECT_EQ(Dump(*f, KeyUrl), "a:1 b:1 c:3");
}

TEST_F(ServerConnectionTest, EveryReadAndWriteIsOneRoundTrip) {
  auto f = Handle();
  for (int n = 0; n < 50; ++n) ASSERT_EQ(AddRecord(*f, StationUrl(n), n, n % 2 ? "odd" : "even"), C::NoError);
  struct Step {
    const char* Name;
    std::function<int32_t()> Run;
  };
  const std::vector<Step> steps = {
      {"get by key", [&] { Fill(Rec(*f), StationUrl(20), 0); return f->GetByKey(KeyUrl); }},
      {"position", [&] { return f->SetKeyPosition(KeyUrl, 1); }},
      {"next", [&] { return f->Next(); }},
      {"previous", [&] { return f->Previous(); }},
      {"next on two components", [&] { f->SetKeyPosition(KeyTag, 2); f->Next(); return f->Next(); }},
      {"put", [&] { Rec(*f).Count += 1; return f->Put(); }},
      {"add", [&] { static int n = 100; Fill(Rec(*f), StationUrl(n++), 0); return f->Add(); }},
  };
  const std::vector<int64_t> expected = {1, 0, 1, 1, 2, 1, 1};
  for (int pass = 0; pass < 2; ++pass) {  // the first pass prepares the statements
    for (size_t i = 0; i < steps.size(); ++i) {
      const int64_t before = PgConnection::TotalRoundTrips();
      ASSERT_EQ(steps[i].Run(), C::NoError) << steps[i].Name;
      if (pass == 1) {
        EXPECT_EQ(PgConnection::TotalRoundTrips() - before, expected[i]) << steps[i].Name;
      }
    }
  }
}

}  // namespace
