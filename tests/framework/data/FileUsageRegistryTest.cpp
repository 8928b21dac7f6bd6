// The file usage registry: shared openers across threads, private openers, usage
// scopes that give a caller its buffer and position back, and manager lookups.

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "framework/data/FileOpener.h"
#include "framework/data/UseType.h"
#include "tests/framework/data/DataTestFixture.h"

namespace datatest {
namespace {

using framework::data::FileUsageRegistry;
using framework::data::UseType;
using framework::error::LevelQuiet;

const runtime::files::FileDefinition& SharedFile() {
  static const auto d = MakeDefinition("SHARED", {{"ABC:KEYA", {Asc(FieldA)}}}, runtime::files::FileSharing::Shared,
                                       FaultDriverName);
  return d;
}

const runtime::files::FileDefinition& OwnFile() {
  static const auto d = MakeDefinition("OWN", {{"ABC:KEYA", {Asc(FieldA)}, runtime::files::KeyDuplicates::Unique,
                                                runtime::files::KeyRole::Primary}});
  return d;
}

using FileUsageConcurrentTest = DataFixture;

// Two threads, each with its own manager of one shared file: the file is opened once,
// by the first user, and closed by the last close, whichever thread makes it.
TEST_F(FileUsageConcurrentTest, TwoThreadsOnASharedFileOpenItOnceAndTheLastCloseClosesIt) {
  AbcRecord shared{};
  runtime::files::KeyedFile file;
  ASSERT_EQ(file.Init(SharedFile(), &shared), 0);

  std::promise<void> firstOpened, secondOpened, firstClosed;
  bool openAfterFirstClose = false;
  std::thread first([&] {
    framework::data::FileManager m;
    TestFile::BindManager(m, file, &shared, Errors);
    EXPECT_EQ(m.Open(), LevelQuiet);
    EXPECT_EQ(m.EnsureUsable(UseType::Window), LevelQuiet);
    firstOpened.set_value();
    secondOpened.get_future().wait();
    m.Close();
    openAfterFirstClose = file.IsOpen();
    firstClosed.set_value();
    m.Teardown();
  });
  std::thread second([&] {
    framework::data::FileManager m;
    TestFile::BindManager(m, file, &shared, Errors);
    firstOpened.get_future().wait();
    EXPECT_EQ(m.Open(), LevelQuiet);
    EXPECT_EQ(m.EnsureUsable(UseType::Window), LevelQuiet);
    secondOpened.set_value();
    firstClosed.get_future().wait();
    EXPECT_TRUE(file.IsOpen());
    m.Close();
    EXPECT_FALSE(file.IsOpen());
    m.Teardown();
  });
  first.join();
  second.join();
  EXPECT_TRUE(openAfterFirstClose);
  EXPECT_EQ(Faults->Succeeded(testsupport::DriverOperation::Open), 1);
  EXPECT_EQ(FileUsageRegistry::SharedOpeners(), 0u);
  EXPECT_TRUE(Errors.Boxes().empty());
}

// A thread that only counted an Open (never used the file) must not close it under
// the thread that did open it.
TEST_F(FileUsageConcurrentTest, ACountedOpenThatNeverUsedTheFileDoesNotCloseItForOthers) {
  AbcRecord shared{};
  runtime::files::KeyedFile file;
  ASSERT_EQ(file.Init(SharedFile(), &shared), 0);
  framework::data::FileManager user;
  TestFile::BindManager(user, file, &shared, Errors);
  EXPECT_EQ(user.Open(), LevelQuiet);
  ASSERT_EQ(user.EnsureUsable(UseType::Window), LevelQuiet);
  std::thread idle([&] {
    framework::data::FileManager m;
    TestFile::BindManager(m, file, &shared, Errors);
    EXPECT_EQ(m.Open(), LevelQuiet);
    m.Close();
    m.Teardown();
  });
  idle.join();
  EXPECT_TRUE(file.IsOpen());
  user.Close();
  EXPECT_FALSE(file.IsOpen());
}

TEST_F(FileUsageConcurrentTest, OpenersOfOneSharedFileAreOneEntryUntilTheLastUnlink) {
  AbcRecord shared{};
  runtime::files::KeyedFile file;
  ASSERT_EQ(file.Init(SharedFile(), &shared), 0);
  std::vector<framework::data::IFileOpenServer*> got(4, nullptr);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < got.size(); ++i) threads.emplace_back([&, i] { got[i] = FileUsageRegistry::GetOpener(file); });
  for (auto& t : threads) t.join();
  for (auto* o : got) EXPECT_EQ(o, got[0]);
  EXPECT_EQ(FileUsageRegistry::SharedOpeners(), 1u);
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(FileUsageRegistry::SharedOpeners(), 1u);
    got[i]->Unlink();
  }
  EXPECT_EQ(FileUsageRegistry::SharedOpeners(), 0u);
}

using FileUsageRegistryTest = DataFixture;

TEST_F(FileUsageRegistryTest, APrivateOpenerTakesAnAlreadyOpenFileAsOpened) {
  AbcRecord record{};
  runtime::files::KeyedFile file;
  ASSERT_EQ(file.Init(OwnFile(), &record), 0);
  ASSERT_EQ(file.Create(), 0);
  ASSERT_EQ(file.Open(runtime::files::FileMode::ReadWrite | runtime::files::FileMode::DenyNone), 0);
  framework::data::IFileOpenServer* opener = FileUsageRegistry::GetOpener(file);
  EXPECT_EQ(FileUsageRegistry::SharedOpeners(), 0u);
  EXPECT_EQ(opener->Open(runtime::files::FileMode::ReadWrite), 0);
  EXPECT_EQ(opener->Close(), 0);
  EXPECT_FALSE(file.IsOpen());
  opener->Unlink();
}

// A procedure called from another one reads the same file; when it lets go of the
// file, the caller finds its record and position as it left them.
TEST_F(FileUsageRegistryTest, ACallersBufferAndPositionComeBackAfterACalleeReadsTheSameFile) {
  TestFile t;
  t.Bind(OwnFile(), Errors);
  t.Manager.RegisterKey(1, "A", 0);
  EXPECT_EQ(t.Manager.Open(), LevelQuiet);
  for (const char* a : {"a", "b", "c", "d"}) ASSERT_EQ(t.Add(a, "", "", 0), LevelQuiet);
  t.Manager.Close();

  Errors.TrackProcedureName("Caller", framework::error::ErrorManager::Track::Enter);
  EXPECT_EQ(t.Manager.Open(), LevelQuiet);
  t.Set("b", "", "", 0);
  ASSERT_EQ(t.Manager.Fetch(1), LevelQuiet);
  t.Record.N = 42;  // an unsaved change in the caller's buffer
  {
    Errors.TrackProcedureName("Callee", framework::error::ErrorManager::Track::Enter);
    EXPECT_EQ(t.Manager.Open(), LevelQuiet);
    // The callee's first record operation saves the caller's state.
    ASSERT_EQ(t.Manager.Previous(), LevelQuiet);
    EXPECT_STREQ(t.Record.A, "a");
    t.Set("d", "", "", 0);
    ASSERT_EQ(t.Manager.Fetch(1), LevelQuiet);
    EXPECT_STREQ(t.Record.A, "d");
    const auto& scopes = FileUsageRegistry::Current().Scopes();
    ASSERT_EQ(scopes.size(), 2u);
    EXPECT_EQ(scopes[1].Proc, "Callee");
    EXPECT_EQ(scopes[1].ScopeLevel, 2);
    EXPECT_NE(scopes[1].Hold, 0);
    t.Manager.Close();
    Errors.TrackProcedureName("", framework::error::ErrorManager::Track::Leave);
  }
  EXPECT_STREQ(t.Record.A, "b");
  EXPECT_EQ(t.Record.N, 42);
  ASSERT_EQ(t.Manager.Next(), LevelQuiet);
  EXPECT_STREQ(t.Record.A, "c");
  t.Manager.Close();
  EXPECT_TRUE(FileUsageRegistry::Current().Scopes().empty());
  Errors.TrackProcedureName("", framework::error::ErrorManager::Track::Leave);
}

// A window procedure (use type 3) keeps no state for its caller.
TEST_F(FileUsageRegistryTest, AWindowProcedureGetsNoBufferRestored) {
  TestFile t;
  t.Bind(OwnFile(), Errors);
  t.Manager.RegisterKey(1, "A", 0);
  EXPECT_EQ(t.Manager.Open(), LevelQuiet);
  for (const char* a : {"a", "b"}) ASSERT_EQ(t.Add(a, "", "", 0), LevelQuiet);
  Errors.TrackProcedureName("Caller", framework::error::ErrorManager::Track::Enter);
  t.Set("a", "", "", 0);
  ASSERT_EQ(t.Manager.Fetch(1), LevelQuiet);
  Errors.TrackProcedureName("Form", framework::error::ErrorManager::Track::Enter);
  EXPECT_EQ(t.Manager.Open(), LevelQuiet);
  EXPECT_EQ(t.Manager.EnsureUsable(UseType::Window), LevelQuiet);
  EXPECT_EQ(FileUsageRegistry::Current().Scopes().back().Hold, 0);
  t.Set("b", "", "", 0);
  ASSERT_EQ(t.Manager.Fetch(1), LevelQuiet);
  t.Manager.Close();
  Errors.TrackProcedureName("", framework::error::ErrorManager::Track::Leave);
  EXPECT_STREQ(t.Record.A, "b");
  Errors.TrackProcedureName("", framework::error::ErrorManager::Track::Leave);
  t.Manager.Close();
}

TEST_F(FileUsageRegistryTest, UseTypeOfAScopeOnlyRises) {
  TestFile t;
  t.Bind(OwnFile(), Errors);
  EXPECT_EQ(t.Manager.Open(), LevelQuiet);
  auto& registry = FileUsageRegistry::Current();
  registry.NoteUse(t.Manager, UseType::Record);
  registry.NoteUse(t.Manager, UseType::Window);
  EXPECT_EQ(registry.Scopes().back().UStat, UseType::Window);
  registry.NoteUse(t.Manager, UseType::Use);
  EXPECT_EQ(registry.Scopes().back().UStat, UseType::Window);
  ASSERT_EQ(registry.Scopes().size(), 1u);
  // A nested open by the same procedure delays the end of the scope by one close.
  registry.NoteOpen(t.Manager);
  registry.NoteClose(t.Manager);
  EXPECT_EQ(registry.Scopes().size(), 1u);
  registry.NoteClose(t.Manager);
  EXPECT_TRUE(registry.Scopes().empty());
  t.Manager.Close();
}

TEST_F(FileUsageRegistryTest, ManagersAreFoundByTheirFileOnThisThreadOnly) {
  TestFile a, b;
  a.Bind(OwnFile(), Errors);
  b.Bind(OwnFile(), Errors);
  auto& registry = FileUsageRegistry::Current();
  EXPECT_EQ(registry.GetFileManager(&a.File), &a.Manager);
  EXPECT_EQ(registry.GetFileManager(&b.File), &b.Manager);
  framework::data::FileManager* elsewhere = &a.Manager;
  std::thread other([&] { elsewhere = FileUsageRegistry::Current().GetFileManager(&a.File); });
  other.join();
  EXPECT_EQ(elsewhere, nullptr);
  a.Manager.Teardown();
  EXPECT_EQ(registry.GetFileManager(&a.File), nullptr);
  EXPECT_EQ(registry.GetFileManager(&b.File), &b.Manager);
}

}  // namespace
}  // namespace datatest
