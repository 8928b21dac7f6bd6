// What a browse's reads cost on the server over a local socket, at 1 thousand and
// 1 million records: a page down (the next 20 records after the page), locating by a
// typed prefix (the first record at or after it) and a thumb drag (a page from a key
// value part-way through the file). Each runs through the server driver and, beside
// it, in the same loop, as the same query sent directly with libpq on a connection of
// its own, so the driver's cost shows against the server's own. Counters: driver_us and
// direct_us (mean time of each), ratio (driver / direct) and trips (the driver's round
// trips per operation; the direct query is one by construction).
//
// Needs a server: VORKAN42_TEST_CONNECTION (scripts/pg-cluster.sh start DIR prints one).
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build-rel --target bench_ServerBench
//   export VORKAN42_TEST_CONNECTION=$(bash scripts/pg-cluster.sh start /tmp/vk-pg)
//   build-rel/bench/bench_ServerBench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchUrlList.h"
#include "runtime/files/FileMode.h"
#include "runtime/files/PgConnection.h"
#include "runtime/files/PgDriver.h"

namespace {

using runtime::files::PgConnection;
using runtime::files::PgDriver;

constexpr size_t PageRows = 20;
constexpr const char* UrlPrefix = "https://example.invalid/page/";

std::string Base() {
  const char* v = std::getenv("VORKAN42_TEST_CONNECTION");
  return v != nullptr ? v : "";
}

std::string Schema(long records) { return "bench_" + std::to_string(records); }
std::string Connection(long records) { return Base() + " options='-c search_path=" + Schema(records) + "'"; }

std::string Exec(PGconn* c, const std::string& sql) {
  PGresult* r = PQexec(c, sql.c_str());
  std::string out = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) > 0 ? PQgetvalue(r, 0, 0) : "";
  if (PQresultStatus(r) != PGRES_TUPLES_OK && PQresultStatus(r) != PGRES_COMMAND_OK) {
    std::fprintf(stderr, "%s: %s", sql.c_str(), PQresultErrorMessage(r));
  }
  PQclear(r);
  return out;
}

// The file with `records` records in a schema of its own, made once per size and run.
struct Fixture {
  explicit Fixture(long n) : Records(n) {
    PGconn* admin = PQconnectdb(Base().c_str());
    // Quiet: the server's notices would land among the results.
    PQsetNoticeProcessor(admin, [](void*, const char*) {}, nullptr);
    Exec(admin, "DROP SCHEMA IF EXISTS " + Schema(n) + " CASCADE; CREATE SCHEMA " + Schema(n));
    PQfinish(admin);
    PgDriver maker(Connection(n));
    if (!maker.Create(bench::BenchDefinition(), "URLLIST").IsOk()) std::fprintf(stderr, "cannot create the file\n");
    Direct = PQconnectdb(Connection(n).c_str());
    PQsetNoticeProcessor(Direct, [](void*, const char*) {}, nullptr);
    Exec(Direct, "INSERT INTO urllist(\"URL:URL\", \"URL:NUMBEROFTIMESTOOPEN\") SELECT '" + std::string(UrlPrefix) +
                     "' || lpad(g::text, 8, '0'), 1 FROM generate_series(0, " + std::to_string(n - 1) + ") g; ANALYZE urllist");
    Driver = std::make_unique<PgDriver>(Connection(n));
    if (!Driver->Open(bench::BenchDefinition(), "URLLIST", runtime::files::FileMode::ReadOnly).IsOk()) {
      std::fprintf(stderr, "cannot open the file\n");
    }
    // The query the driver sends for a run after a key value, written by hand.
    PQclear(PQprepare(Direct, "page",
                      "SELECT vk_id, vk_version, \"URL:URL\", \"URL:NUMBEROFTIMESTOOPEN\" FROM urllist "
                      "WHERE upper(\"URL:URL\") >= upper($1::text COLLATE \"C\") "
                      "ORDER BY upper(\"URL:URL\"), vk_id LIMIT $2::bigint",
                      2, nullptr));
  }
  ~Fixture() {
    Driver.reset();
    Exec(Direct, "DROP SCHEMA IF EXISTS " + Schema(Records) + " CASCADE");
    PQfinish(Direct);
  }
  // Positions the driver at the record with number `at` (or before the first).
  void PositionAt(long at) {
    bench::BenchRecord r;
    bench::FillUrl(r, at);
    (void)Driver->SetKeyPosition(1, 1, &r);  // the read after it shows a failure
  }
  // Sends the hand-written query for `count` records after `url` and reads them.
  long DirectPage(const std::string& url, size_t count) {
    const std::string limit = std::to_string(count);
    const char* values[] = {url.c_str(), limit.c_str()};
    PGresult* r = PQexecPrepared(Direct, "page", 2, values, nullptr, nullptr, 0);
    long read = 0;
    for (int i = 0; i < PQntuples(r); ++i) {
      bench::BenchRecord rec{};
      std::strncpy(rec.Url, PQgetvalue(r, i, 2), sizeof rec.Url - 1);
      rec.NumberOfTimesToOpen = std::atoi(PQgetvalue(r, i, 3));
      read += rec.NumberOfTimesToOpen;
    }
    PQclear(r);
    return read;
  }

  long Records;
  PGconn* Direct = nullptr;
  std::unique_ptr<PgDriver> Driver;
};

Fixture* For(long records) {
  static std::map<long, std::unique_ptr<Fixture>> made;
  auto& f = made[records];
  if (!f) f = std::make_unique<Fixture>(records);
  return f.get();
}

std::string Url(long n) {
  bench::BenchRecord r;
  bench::FillUrl(r, n);
  return r.Url;
}

// Runs the driver's operation and the direct query one after the other in each
// iteration, so both meet the same load, and reports each one's mean time, their ratio
// and the driver's round trips per operation (the direct query is one by construction).
template <class DriverOp, class DirectOp>
void Measure(benchmark::State& state, DriverOp viaDriver, DirectOp direct) {
  if (Base().empty()) {
    state.SkipWithError("no server: set VORKAN42_TEST_CONNECTION");
    return;
  }
  using Clock = std::chrono::steady_clock;
  Fixture* f = For(state.range(0));
  long step = 0;
  viaDriver(*f, step);  // prepares the statements
  direct(*f, step);
  const int64_t before = PgConnection::TotalRoundTrips();
  Clock::duration driverTime{}, directTime{};
  for (auto _ : state) {
    ++step;
    const auto t0 = Clock::now();
    viaDriver(*f, step);
    const auto t1 = Clock::now();
    direct(*f, step);
    directTime += Clock::now() - t1;
    driverTime += t1 - t0;
  }
  const double n = static_cast<double>(state.iterations());
  const double driverUs = std::chrono::duration<double, std::micro>(driverTime).count() / n;
  const double directUs = std::chrono::duration<double, std::micro>(directTime).count() / n;
  state.counters["driver_us"] = driverUs;
  state.counters["direct_us"] = directUs;
  state.counters["ratio"] = directUs > 0 ? driverUs / directUs : 0;
  state.counters["trips"] = static_cast<double>(PgConnection::TotalRoundTrips() - before) / n;
}

// A page down: the 20 records after the page's last row, which moves through the file.
void BM_PageDown(benchmark::State& state) {
  std::vector<runtime::files::RunRecord> page;
  auto at = [](Fixture& f, long step) { return (step * 997) % (f.Records - static_cast<long>(PageRows)); };
  Measure(
      state,
      [&](Fixture& f, long step) {
        f.PositionAt(at(f, step));
        (void)f.Driver->ReadRun(runtime::files::RunDirection::Forward, PageRows,
                                page);  // the tests check reads
        benchmark::DoNotOptimize(page.data());
      },
      [&](Fixture& f, long step) { benchmark::DoNotOptimize(f.DirectPage(Url(at(f, step)), PageRows)); });
}

// Locating by a typed prefix: the first record at or after it.
void BM_Locate(benchmark::State& state) {
  std::vector<runtime::files::RunRecord> one;
  auto at = [](Fixture& f, long step) { return (step * 7919) % f.Records; };
  Measure(
      state,
      [&](Fixture& f, long step) {
        f.PositionAt(at(f, step));
        (void)f.Driver->ReadRun(runtime::files::RunDirection::Forward, 1, one);  // the tests check reads
        benchmark::DoNotOptimize(one.data());
      },
      [&](Fixture& f, long step) { benchmark::DoNotOptimize(f.DirectPage(Url(at(f, step)), 1)); });
}

// A thumb drag: a page from the key value at a fraction of the file.
void BM_Thumb(benchmark::State& state) {
  std::vector<runtime::files::RunRecord> page;
  auto at = [](Fixture& f, long step) { return f.Records * (step % 100) / 100; };
  Measure(
      state,
      [&](Fixture& f, long step) {
        f.PositionAt(at(f, step));
        (void)f.Driver->ReadRun(runtime::files::RunDirection::Forward, PageRows,
                                page);  // the tests check reads
        benchmark::DoNotOptimize(page.data());
      },
      [&](Fixture& f, long step) { benchmark::DoNotOptimize(f.DirectPage(Url(at(f, step)), PageRows)); });
}

constexpr long Thousand = 1000;
constexpr long Million = 1000000;

BENCHMARK(BM_PageDown)->Arg(Thousand)->Arg(Million);
BENCHMARK(BM_Locate)->Arg(Thousand)->Arg(Million);
BENCHMARK(BM_Thumb)->Arg(Thousand)->Arg(Million);

}  // namespace
