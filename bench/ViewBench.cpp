// Views over the SQLite driver: positioning at a key value and reading a page of 20
// records through a view whose order is a key must cost the same at 1 thousand,
// 100 thousand and 1 million records, with and without a filter that lets every
// record through. The sorted reading of an order that no key gives is measured at the
// two smaller sizes to show its documented cost (the whole file per positioning).
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
#include <vector>

#include "bench/BenchUrlList.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/data/RecordType.h"
#include "runtime/files/FileMode.h"
#include "runtime/files/KeyedFile.h"
#include "runtime/files/Transaction.h"
#include "runtime/files/View.h"

namespace {

using C = runtime::core::RuntimeErrorCode;
using runtime::files::KeyedFile;
using runtime::files::View;

constexpr int PageSize = 20;
constexpr uint8_t ReadWriteShared = runtime::files::FileMode::ReadWrite | runtime::files::FileMode::DenyNone;
constexpr uint8_t ViewMode = runtime::files::FileMode::ReadWrite | runtime::files::FileMode::DenyWrite;
constexpr int BulkTransactionSeconds = 30;
constexpr uint32_t ShuffleSeed = 7;
constexpr uint32_t PickSeed = 11;

using bench::BenchDefinition;
using bench::BenchRecord;
using bench::FillUrl;
using bench::Folder;

// A file of `records` records, built on first use and kept open for the run.
// The files are never destroyed: a KeyedFile torn down by a static destructor would
// record its outcome in the main thread's runtime state, which is gone by then.
KeyedFile& FileOf(long records) {
  static auto& files = *new std::map<long, std::unique_ptr<KeyedFile>>;
  auto& slot = files[records];
  if (slot) return *slot;
  slot = std::make_unique<KeyedFile>();
  KeyedFile& f = *slot;
  f.Init(BenchDefinition());
  f.SetName(Folder() + "/URLLIST" + std::to_string(records));
  if (f.Create() != C::NoError || f.Open(ReadWriteShared) != C::NoError) std::abort();
  std::vector<long> order(static_cast<size_t>(records));
  for (long i = 0; i < records; ++i) order[static_cast<size_t>(i)] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(ShuffleSeed));
  if (runtime::files::Transaction::Begin(BulkTransactionSeconds, {&f}) != C::NoError) std::abort();
  for (long n : order) {
    FillUrl(f.As<BenchRecord>(), n);
    if (f.Add() != C::NoError) std::abort();
  }
  if (runtime::files::Transaction::Commit() != C::NoError) std::abort();
  return f;
}

// Positions a view at a random key value and reads a page forward.
void PositionAndReadPage(benchmark::State& state, const char* order, const char* filter) {
  const long records = state.range(0);
  KeyedFile& f = FileOf(records);
  View view;
  view.Init(f);
  if (view.SetOrder(order) != C::NoError || view.SetFilter(filter) != C::NoError || view.Open(ViewMode) != C::NoError) {
    state.SkipWithError("view set-up failed");
    return;
  }
  std::mt19937 random(PickSeed);
  // Room for a page after the value in either direction.
  std::uniform_int_distribution<long> pick(PageSize, records - PageSize - 1);
  for (auto _ : state) {
    FillUrl(f.As<BenchRecord>(), pick(random));
    if (view.Reset(1) != C::NoError) state.SkipWithError("position failed");
    for (int i = 0; i < PageSize; ++i) {
      if (view.Next() != C::NoError) state.SkipWithError("read failed");
    }
    benchmark::DoNotOptimize(f.As<BenchRecord>().NumberOfTimesToOpen);
  }
  state.SetLabel(std::to_string(records) + " records, page of " + std::to_string(PageSize));
}

void BM_ViewKeyPage(benchmark::State& state) { PositionAndReadPage(state, "+URL:URL", ""); }
BENCHMARK(BM_ViewKeyPage)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void BM_ViewKeyPageFiltered(benchmark::State& state) {
  PositionAndReadPage(state, "UPPER(URL:URL)", "URL:NUMBEROFTIMESTOOPEN > 0 AND INSTRING('PAGE',UPPER(URL:URL),1,1) <> 0");
}
BENCHMARK(BM_ViewKeyPageFiltered)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// Repositioning at a row's position, as the browse does before each scroll.
void BM_ViewResetToPositionPage(benchmark::State& state) {
  const long records = state.range(0);
  KeyedFile& f = FileOf(records);
  View view;
  view.Init(f);
  if (view.SetOrder("URL:URL") != C::NoError || view.Open(ViewMode) != C::NoError) std::abort();
  FillUrl(f.As<BenchRecord>(), records / 2);
  if (view.Reset(1) != C::NoError || view.Next() != C::NoError) std::abort();
  const std::string position = view.Position();
  for (auto _ : state) {
    if (view.ResetToPosition(position) != C::NoError) state.SkipWithError("position failed");
    for (int i = 0; i < PageSize; ++i) {
      if (view.Next() != C::NoError) state.SkipWithError("read failed");
    }
  }
  state.SetLabel(std::to_string(records) + " records, page of " + std::to_string(PageSize));
}
BENCHMARK(BM_ViewResetToPositionPage)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// An order no key gives: the whole file is read and sorted at each positioning.
void BM_ViewSortedPage(benchmark::State& state) { PositionAndReadPage(state, "-URL:URL", ""); }
BENCHMARK(BM_ViewSortedPage)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
