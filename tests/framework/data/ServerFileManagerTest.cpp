// The file manager on the server driver when the server cannot be used: down, refusing
// the role, or named with a password in the INI entry. Each gives one message that
// says which server and what failed, and nothing waits.
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "framework/data/UseType.h"
#include "runtime/files/DatabaseChoice.h"
#include "runtime/files/DriverRegistry.h"
#include "runtime/files/PgDriver.h"
#include "tests/framework/data/DataTestFixture.h"
#include "tests/runtime/files/ServerSchema.h"

using namespace datatest;

namespace {

using framework::data::UseType;
using runtime::files::DatabaseChoice;
using runtime::files::DriverRegistry;

const runtime::files::FileDefinition& OnTheServer() {
  static const auto d = MakeDefinition("PLAIN", {{"ABC:KEYA", {Asc(FieldA)}}}, runtime::files::FileSharing::PerThread, "");
  return d;
}

class ServerFileManagerTest : public DataFixture {
 protected:
  void SetUp() override {
    DataFixture::SetUp();
    const char* old = std::getenv(DatabaseChoice::EnvironmentVariable);
    Saved = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    ::unsetenv(DatabaseChoice::EnvironmentVariable);
  }
  void TearDown() override {
    DatabaseChoice::Apply({});
    if (Saved) ::setenv(DatabaseChoice::EnvironmentVariable, Saved->c_str(), 1);
    DataFixture::TearDown();
  }
  // Opens the file on the server the INI entry names; the messages shown.
  std::vector<RecordingErrors::Shown> OpenWith(const std::string& iniEntry) {
    Errors.Forget();
    DatabaseChoice::Apply(DatabaseChoice::Resolve(iniEntry));
    TestFile t;
    t.Bind(OnTheServer(), Errors);
    EXPECT_EQ(t.Manager.Open(), framework::error::LevelQuiet);
    EXPECT_NE(t.Manager.EnsureUsable(UseType::Window), framework::error::LevelQuiet) << iniEntry;
    t.Manager.Close();
    return Errors.Boxes();
  }
  std::optional<std::string> Saved;
};

TEST_F(ServerFileManagerTest, AServerThatCannotBeUsedGivesOneMessageNamingItAndWhatFailed) {
  struct Case {
    std::string Entry;
    std::vector<std::string> Said;
  };
  std::vector<Case> cases = {
      {"host=/nonexistent/vorkan42 port=5499 dbname=shared user=ann",
       {"could not be opened", "Could not connect to the database server /nonexistent/vorkan42 port 5499",
        "database shared", "role ann", "No such file or directory"}},
      {"host=db.example password=secret", {"holds a password", "~/.pgpass"}},
      {"host=db.example port", {"is no connection string"}},
  };
  if (testfiles::ServerSchema::Available()) {
    cases.push_back({testfiles::ServerSchema::Base() + " user=vk_nobody",
                     {"Could not connect to the database server", "role vk_nobody", "role \"vk_nobody\" does not exist"}});
  }
  for (const Case& c : cases) {
    const auto boxes = OpenWith(c.Entry);
    ASSERT_EQ(boxes.size(), 1u) << c.Entry;
    EXPECT_EQ(boxes[0].Title, "File Access Error") << c.Entry;
    for (const std::string& part : c.Said) EXPECT_NE(boxes[0].Text.find(part), std::string::npos) << boxes[0].Text;
    EXPECT_EQ(boxes[0].Text.find("secret"), std::string::npos) << "a password never shows";
  }
}

TEST_F(ServerFileManagerTest, TheEnvironmentTakesPrecedenceAndEmptyMeansTheLocalFile) {
  ::setenv(DatabaseChoice::EnvironmentVariable, "", 1);
  EXPECT_EQ(DatabaseChoice::Resolve("host=db.example").Connection, "");
  ::setenv(DatabaseChoice::EnvironmentVariable, "host=other.example", 1);
  EXPECT_EQ(DatabaseChoice::Resolve("host=db.example password=x").Connection, "host=other.example");
  EXPECT_EQ(DatabaseChoice::Resolve("host=db.example password=x").Refusal, "");
  ::unsetenv(DatabaseChoice::EnvironmentVariable);
  DatabaseChoice::Apply(DatabaseChoice::Resolve(""));
  EXPECT_EQ(DriverRegistry::Default(), DriverRegistry::SqliteName);
}

}  // namespace
