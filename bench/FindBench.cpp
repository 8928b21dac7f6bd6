// Finding any part of an address: the first page (20 records in key order) of the
// records whose address contains a 3-character or a 10-character text, at 1 thousand
// and 1 million records, through the driver's find narrowing (a fresh find each
// time, so the index look-up is part of it; the page read in one run, as a browse
// reads it), against the same look-up written directly in SQL on the same file: the
// index's matches in its own order, which is the key order (BM_FindDirectSql), and
// all the index's matches sorted by address (BM_FindDirectSorted, what a query that
// does not know the order labels does). And an import of 100,000 addresses from a
// plain text file through the command, into an empty file.
//
// Addresses are "https://www.<word>.example/<hex>/page<8 digits>": "ews" is in one
// address in 8 (all of them together in key order), "a3f" and "a3f/page00" in about
// one in 4000 (none of the first thousand), and "page000001" in 100 at either size.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/UrlCommands.h"
#include "bench/BenchUrlList.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/files/FileMode.h"
#include "runtime/files/KeyedFile.h"
#include "runtime/files/Transaction.h"

namespace {

using C = runtime::core::RuntimeErrorCode;
using runtime::files::KeyedFile;

constexpr int PageSize = 20;
constexpr uint8_t ReadWriteShared = runtime::files::FileMode::ReadWrite | runtime::files::FileMode::DenyNone;
// By benchmark argument: a common and a rare 3-character text, a 10-character text
// made of trigrams every address has but one, and one with a rare trigram.
constexpr const char* Texts[] = {"ews", "a3f", "page000001", "a3f/page00"};
constexpr long ImportCount = 100000;
constexpr int BulkTransactionSeconds = 30;

const runtime::files::FileDefinition& FindDefinition() {
  static const runtime::files::FileDefinition d = [] {
    runtime::files::FileDefinition f = bench::BenchDefinition();
    f.FindField = 0;
    return f;
  }();
  return d;
}

std::string Address(long n) {
  static const char* Words[] = {"news", "shop", "mail", "docs", "wiki", "blog", "maps", "code"};
  char text[128];
  const unsigned long h = (static_cast<unsigned long>(n) * 2654435761UL) % 4096UL;
  std::snprintf(text, sizeof text, "https://www.%s.example/%03lx/page%08ld", Words[n % 8], h, n);
  return text;
}

std::string PathOf(long records) { return bench::Folder() + "/FIND" + std::to_string(records); }

// A file of `records` addresses with its find index, built on first use (the records
// are added in one transaction, through the index's triggers) and kept open.
KeyedFile& FileOf(long records) {
  static auto& files = *new std::map<long, std::unique_ptr<KeyedFile>>;
  auto& slot = files[records];
  if (slot) return *slot;
  slot = std::make_unique<KeyedFile>();
  KeyedFile& f = *slot;
  f.Init(FindDefinition());
  f.SetName(PathOf(records));
  if (f.Create() != C::NoError || f.Open(ReadWriteShared) != C::NoError) std::abort();
  if (runtime::files::Transaction::Begin(BulkTransactionSeconds, {&f}) != C::NoError) std::abort();
  auto& r = f.As<bench::BenchRecord>();
  for (long i = 0; i < records; ++i) {
    f.ClearBuffer();
    std::snprintf(r.Url, sizeof r.Url, "%s", Address(i).c_str());
    r.NumberOfTimesToOpen = 1;
    if (f.Add() != C::NoError) std::abort();
  }
  if (runtime::files::Transaction::Commit() != C::NoError) std::abort();
  return f;
}

void BM_FindFirstPage(benchmark::State& state) {
  KeyedFile& f = FileOf(state.range(0));
  const std::string text = Texts[state.range(1)];
  int rows = 0;
  std::vector<runtime::files::RunRecord> run;
  for (auto _ : state) {
    f.Send("FIND=");
    f.Send("FIND=" + text);
    f.ClearBuffer();
    f.SetKeyPosition(1);
    rows = 0;
    if (f.ReadRun(runtime::files::RunDirection::Forward, PageSize, run) == C::NoError) {
      for (const auto& r : run) rows += f.TakeRunRecord(r, runtime::files::RunDirection::Forward) == C::NoError ? 1 : 0;
    }
    benchmark::DoNotOptimize(rows);
  }
  f.Send("FIND=");
  state.counters["rows"] = rows;
}
BENCHMARK(BM_FindFirstPage)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({1000, 2})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Args({1000000, 2})
    ->Args({1000000, 3})
    ->Unit(benchmark::kMillisecond);

// The same first page asked of SQLite directly, by `sql` (the text's phrase its one parameter).
void FindDirect(benchmark::State& state, const char* sql) {
  FileOf(state.range(0));
  sqlite3* db = nullptr;
  if (sqlite3_open_v2((PathOf(state.range(0)) + ".vkdb").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
    std::abort();
  const std::string phrase = std::string("\"") + Texts[state.range(1)] + "\"";
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) std::abort();
  int rows = 0;
  for (auto _ : state) {
    sqlite3_bind_text(stmt, 1, phrase.c_str(), -1, SQLITE_TRANSIENT);
    rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) ++rows;
    sqlite3_reset(stmt);
    benchmark::DoNotOptimize(rows);
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  state.counters["rows"] = rows;
}

// The index's matches in its own order (the order labels follow the address key).
void BM_FindDirectSql(benchmark::State& state) {
  FindDirect(state,
             "SELECT r.vk_id,r.\"URL:URL\",r.\"URL:NUMBEROFTIMESTOOPEN\" FROM vk_find CROSS JOIN vk_records AS r ON "
             "r.vk_order=vk_find.rowid WHERE vk_find MATCH ? ORDER BY vk_find.rowid LIMIT 20");
}
BENCHMARK(BM_FindDirectSql)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({1000, 2})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Args({1000000, 2})
    ->Args({1000000, 3})
    ->Unit(benchmark::kMillisecond);

// All the index's matches, sorted by address.
void BM_FindDirectSorted(benchmark::State& state) {
  FindDirect(state,
             "SELECT vk_id,\"URL:URL\",\"URL:NUMBEROFTIMESTOOPEN\" FROM vk_records WHERE vk_order IN "
             "(SELECT rowid FROM vk_find WHERE vk_find MATCH ?) ORDER BY \"URL:URL\" LIMIT 20");
}
BENCHMARK(BM_FindDirectSorted)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({1000, 2})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Args({1000000, 2})
    ->Args({1000000, 3})
    ->Unit(benchmark::kMillisecond);

// `vorkan42 import` of 100,000 new addresses into a fresh folder each time.
void BM_ImportCommand(benchmark::State& state) {
  const std::string list = bench::Folder() + "/import.txt";
  {
    std::ofstream out(list);
    for (long i = 0; i < ImportCount; ++i) out << Address(i) << "\n";
  }
  const std::filesystem::path home = std::filesystem::current_path();
  int run = 0;
  for (auto _ : state) {
    const std::string dir = bench::Folder() + "/import" + std::to_string(run++);
    std::filesystem::create_directory(dir);
    std::filesystem::current_path(dir);
    std::ostringstream out;
    std::ostringstream err;
    if (app::UrlCommands::Run({"import", list}, out, err) != app::CommandStatus::Success) std::abort();
    std::filesystem::current_path(home);
    state.SetLabel(err.str().substr(0, err.str().size() - 1));
  }
}
BENCHMARK(BM_ImportCommand)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
