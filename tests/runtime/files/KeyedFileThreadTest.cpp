// Several threads, each with its own handle and connection, on one file.
#include <atomic>
#include <thread>
#include <vector>

#include "runtime/core/SyncGuard.h"
#include "tests/runtime/files/KeyedFileFixture.h"

using namespace testfiles;

namespace {

using KeyedFileThreadTest = KeyedFileFixture;

TEST_F(KeyedFileThreadTest, TwoThreadsAddAndUpdateOnOneFile) {
  { Handle(); }
  constexpr int PerThread = 200;
  std::atomic<int> failures{0};
  auto work = [&](int thread) {
    KeyedFile f;
    if (f.Init(Definition) != C::NoError) return ++failures, void();
    f.SetName(Base());
    if (f.Open(ReadWriteShared) != C::NoError) return ++failures, void();
    for (int i = 0; i < PerThread; ++i) {
      const std::string url = "t" + std::to_string(thread) + "-" + StationUrl(i);
      if (AddRecord(f, url, 0) != C::NoError) ++failures;
      Rec(f).Count = i;
      if (f.Put() != C::NoError) ++failures;
      // Every thread also reads what the other wrote so far.
      f.SetKeyPosition(KeyUrl, 0);
      if (f.Next() != C::NoError) ++failures;
    }
  };
  std::thread one(work, 1), two(work, 2);
  one.join();
  two.join();
  EXPECT_EQ(failures, 0);
  auto f = Handle(ReadWriteShared, false);
  EXPECT_EQ(f->Records(), 2 * PerThread);
  Fill(Rec(*f), "t2-" + StationUrl(PerThread - 1), 0);
  ASSERT_EQ(f->GetByKey(KeyUrl), C::NoError);
  EXPECT_EQ(Rec(*f).Count, PerThread - 1);
}

TEST_F(KeyedFileThreadTest, SharedHandleSerialisesItsCallers) {
  Definition.Sharing = runtime::files::FileSharing::Shared;
  auto shared = Handle();
  EXPECT_FALSE(shared->IsPerThread());
  std::atomic<int> failures{0};
  auto work = [&](int thread) {
    for (int i = 0; i < 100; ++i) {
      // The lock is re-entrant: hold it across filling the shared buffer and adding.
      runtime::core::SyncGuard guard(shared->Lock());
      if (AddRecord(*shared, std::to_string(thread) + "-" + std::to_string(i), i) != C::NoError) ++failures;
    }
  };
  std::thread one(work, 1), two(work, 2);
  one.join();
  two.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(shared->Records(), 200);
}

}  // namespace
