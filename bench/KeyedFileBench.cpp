// Keyed files on the SQLite driver: the time to position in a key and read a page of
// 20 records must not grow with the file (1 thousand, 100 thousand, 1 million
// records), and the rate of single-record inserts each committed on its own.
// The files are built once per run, in a temporary folder, with bulk inserts inside
// one transaction.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "bench/BenchUrlList.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/data/RecordType.h"
#include "runtime/files/FileMode.h"
#include "runtime/files/KeyedFile.h"
#include "runtime/files/Transaction.h"

namespace {

using C = runtime::core::RuntimeErrorCode;
using runtime::files::KeyedFile;

constexpr int PageSize = 20;
constexpr uint8_t ReadWriteShared = runtime::files::FileMode::ReadWrite | runtime::files::FileMode::DenyNone;
constexpr int BulkTransactionSeconds = 30;

using bench::BenchDefinition;
using bench::BenchRecord;
using bench::FillUrl;
using bench::Folder;

// A file of `records` records, built on first use and kept open for the run.
KeyedFile& FileOf(long records) {
  static std::map<long, std::unique_ptr<KeyedFile>> files;
  auto& slot = files[records];
  if (slot) return *slot;
  slot = std::make_unique<KeyedFile>();
  KeyedFile& f = *slot;
  f.Init(BenchDefinition());
  f.SetName(Folder() + "/URLLIST" + std::to_string(records));
  if (f.Create() != C::NoError || f.Open(ReadWriteShared) != C::NoError) std::abort();
  // Bulk build: one transaction, records added in shuffled key order as a user would.
  std::vector<long> order(static_cast<size_t>(records));
  for (long i = 0; i < records; ++i) order[static_cast<size_t>(i)] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  if (runtime::files::Transaction::Begin(BulkTransactionSeconds, {&f}) != C::NoError) std::abort();
  for (long n : order) {
    FillUrl(f.As<BenchRecord>(), n);
    if (f.Add() != C::NoError) std::abort();
  }
  if (runtime::files::Transaction::Commit() != C::NoError) std::abort();
  return f;
}

void BM_PositionAndReadPage(benchmark::State& state) {
  const long records = state.range(0);
  KeyedFile& f = FileOf(records);
  std::mt19937 random(11);
  std::uniform_int_distribution<long> pick(0, records - PageSize - 1);
  for (auto _ : state) {
    FillUrl(f.As<BenchRecord>(), pick(random));
    if (f.SetKeyPosition(1, 1) != C::NoError) state.SkipWithError("position failed");
    for (int i = 0; i < PageSize; ++i) {
      if (f.Next() != C::NoError) state.SkipWithError("read failed");
    }
    benchmark::DoNotOptimize(f.As<BenchRecord>().NumberOfTimesToOpen);
  }
  state.SetLabel(std::to_string(records) + " records, page of " + std::to_string(PageSize));
}
BENCHMARK(BM_PositionAndReadPage)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void BM_InsertCommitEach(benchmark::State& state) {
  KeyedFile f;
  f.Init(BenchDefinition());
  f.SetName(Folder() + "/INSERTS");
  if (f.Create() != C::NoError || f.Open(ReadWriteShared) != C::NoError) std::abort();
  static long n = 0;  // the file outlives one run of this function: keys stay new
  for (auto _ : state) {
    FillUrl(f.As<BenchRecord>(), n++);
    if (f.Add() != C::NoError) state.SkipWithError("add failed");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InsertCommitEach)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
