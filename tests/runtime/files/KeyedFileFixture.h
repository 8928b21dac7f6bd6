#pragma once
// A temporary folder per test, the test definition, and readable dumps of a file's
// records in a key's order. DriverFixture runs the same tests on the local driver and
// on the server driver (in a schema of the test's own; skipped without a server).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/files/FileMode.h"
#include "runtime/files/DriverRegistry.h"
#include "runtime/files/KeyedFile.h"
#include "runtime/files/PgDriver.h"
#include "tests/runtime/files/ServerSchema.h"
#include "tests/runtime/files/TestFiles.h"

namespace testfiles {

using C = runtime::core::RuntimeErrorCode;
using runtime::files::FileMode;
using runtime::files::KeyedFile;

inline constexpr uint8_t ReadWriteShared = FileMode::ReadWrite | FileMode::DenyNone;
inline constexpr uint8_t ReadOnlyShared = FileMode::ReadOnly | FileMode::DenyNone;

class KeyedFileFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vk-files-XXXXXX";
    Folder = mkdtemp(pattern);
    Definition = TestDefinition();
  }
  void TearDown() override { std::filesystem::remove_all(Folder); }

  std::string Base() const { return Folder + "/URLLIST"; }
  std::string Path() const { return Base() + ".vkdb"; }

  // A handle on the test file (created when missing), open in `mode`.
  std::unique_ptr<KeyedFile> Handle(uint8_t mode = ReadWriteShared, bool create = true) {
    auto f = std::make_unique<KeyedFile>();
    EXPECT_EQ(f->Init(Definition), C::NoError);
    f->SetName(Base());
    if (create) {
      EXPECT_EQ(f->Create(), C::NoError);
    }
    EXPECT_EQ(f->Open(mode), C::NoError);
    return f;
  }

  static TestRecord& Rec(KeyedFile& f) { return f.As<TestRecord>(); }

  static int32_t AddRecord(KeyedFile& f, const std::string& url, int32_t count, const std::string& tag = "") {
    Fill(Rec(f), url, count, tag);
    return f.Add();
  }

  // "url:count" of every record in `key` order, read with Next (or Previous from the end).
  static std::string Dump(KeyedFile& f, int key, bool forward = true) {
    f.ClearBuffer();
    EXPECT_EQ(f.SetKeyPosition(key, 0), C::NoError);
    std::string out;
    while ((forward ? f.Next() : f.Previous()) == C::NoError) {
      out += (out.empty() ? "" : " ") + std::string(Rec(f).Url) + ":" + std::to_string(Rec(f).Count);
    }
    EXPECT_EQ(runtime::core::RuntimeError::Code(), C::RecordNotAvailable);
    return out;
  }

  static std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::string Folder;
  runtime::files::FileDefinition Definition;
};

// The suite's parameter: the driver's registered name.
inline constexpr const char* LocalDriver = runtime::files::DriverRegistry::SqliteName;
inline constexpr const char* ServerDriver = runtime::files::PgDriver::Name;

class DriverFixture : public KeyedFileFixture, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    KeyedFileFixture::SetUp();
    if (!OnServer()) return;
    if (!ServerSchema::Available()) GTEST_SKIP() << "no test server: set " << ServerSchema::Variable;
    Server = std::make_unique<ServerSchema>();
    UseRole("");
  }
  void TearDown() override {
    if (OnServer()) runtime::files::DriverRegistry::Unregister(ServerDriver);
    Server.reset();
    KeyedFileFixture::TearDown();
  }

  bool OnServer() const { return std::string(GetParam()) == ServerDriver; }
  // Files opened from now on connect as `role` ("" : the test role).
  void UseRole(const std::string& role) {
    const std::string connection = Server->Connection(role);
    runtime::files::DriverRegistry::Register(ServerDriver, [connection] {
      return std::make_unique<runtime::files::PgDriver>(connection);
    });
    Definition.DriverName = ServerDriver;
  }
  // The file's name as the driver reports it.
  std::string Name() const { return OnServer() ? Base() : Path(); }
  // Everything stored for the test file, to show that a refused open changed nothing.
  std::string Stored() {
    if (!OnServer()) return Bytes(Path());
    return Server->Exec(
        "SELECT coalesce((SELECT string_agg(name || '=' || value, ';') FROM vk_layout), '') || '|' || "
        "coalesce((SELECT string_agg(t::text, ';' ORDER BY vk_id) FROM urllist t), '') || '|' || "
        "coalesce((SELECT string_agg(indexdef, ';' ORDER BY indexname) FROM pg_indexes "
        "WHERE schemaname = current_schema()), '')");
  }

  std::unique_ptr<ServerSchema> Server;
};

inline std::string DriverLabel(const ::testing::TestParamInfo<const char*>& info) {
  return std::string(info.param) == ServerDriver ? "Server" : "Local";
}

}  // namespace testfiles
