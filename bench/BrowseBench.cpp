// What a browse costs a user at 1 thousand, 100 thousand and 1 million records: the
// first page, a page down, a refill around a row, the jump to the end, locating by a
// typed letter, a drag of the thumb and an insert. The browse runs on the benchmark's
// thread with its window open; the events it posts to itself are drained after each
// step (the window's own follow-up is not measured).
//
// Each operation is measured against its baseline, taken in the same loop on the same
// file: the plain keyset query a hand-written SQLite program would run for it (the
// same key and collation, prepared once, the rows copied out), or for an insert a
// plain single-row commit. The time reported is the browse's; the counters give
//   raw_us      the baseline's time per operation,
//   ratio       the browse's time over the baseline's,
//   statements  SQL statements the browse ran per operation (raw_statements: the
//               baseline's),
//   queue_rows  the display queue's rows (a page, whatever the file's size),
//   rss_kB / rss_growth_kB  the resident set, and how much it grew during the run.
// Each file is written by a child process, so this process holds only what the browse
// and the baseline read. BrowseMemory (the browse alone; run it per size in a process
// of its own) gives the memory a browse of each size takes.
//
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DVK_BUILD_TESTS=OFF && cmake --build build-rel --target bench_BrowseBench
//   build-rel/bench/bench_BrowseBench --benchmark_filter='/(1000|1000000)/' --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
//   for n in 1000 100000 1000000; do build-rel/bench/bench_BrowseBench --benchmark_filter="BrowseMemory/$n/"; done
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "framework/browse/BrowseManager.h"
#include "framework/browse/LetterLocator.h"
#include "framework/browse/StringStep.h"
#include "framework/data/FileManager.h"
#include "framework/data/FileUsageRegistry.h"
#include "framework/data/RelationManager.h"
#include "framework/data/UseType.h"
#include "framework/error/ErrorManager.h"
#include "framework/error/ErrorStatus.h"
#include "framework/window/WindowController.h"
#include "runtime/core/PerThread.h"
#include "runtime/core/ThreadContext.h"
#include "runtime/data/RecordQueue.h"
#include "runtime/data/RecordType.h"
#include "runtime/files/FileMode.h"
#include "runtime/files/KeyedFile.h"
#include "runtime/files/SqliteDriver.h"
#include "runtime/files/View.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventQueues.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"

namespace {

using framework::browse::BrowseManager;
using runtime::data::FieldRef;
using runtime::ui::Event;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

constexpr int32_t PageRows = 20;
constexpr int32_t TransactionSeconds = 60;

struct Record {
  char Name[40];
  int32_t Count;
};
struct Row {
  char Name[40];
  int32_t Count;
  char Position[1024];
};

const runtime::data::RecordType& Type() {
  using runtime::data::FieldDesc;
  using runtime::data::FieldKind;
  static const runtime::data::RecordType type(
      "BenchRecord", sizeof(Record),
      {FieldDesc{"BEN:NAME", offsetof(Record, Name), sizeof(Record::Name), FieldKind::CString, 0},
       FieldDesc{"BEN:COUNT", offsetof(Record, Count), sizeof(int32_t), FieldKind::Long, 0}});
  return type;
}

runtime::files::FileDefinition Definition(int64_t records) {
  runtime::files::FileDefinition d;
  d.Label = "Bench";
  d.Prefix = "BEN";
  d.FileName = "BENCH" + std::to_string(records);
  d.Record = &Type();
  runtime::files::KeyDefinition key;
  key.Name = "BEN:KEYNAME";
  key.Components = {{0, runtime::files::KeyOrder::Ascending}};
  key.Case = runtime::files::KeyCase::NoCase;
  key.Role = runtime::files::KeyRole::Primary;
  d.Keys = {key};
  return d;
}

// Names spread over every initial: "A0000017", "B0000018" ...
std::string NameOf(int64_t i) {
  char text[32];
  std::snprintf(text, sizeof text, "%c%07lld", static_cast<char>('A' + i % 26), static_cast<long long>(i));
  return text;
}

long ResidentKilobytes() {
  long pages = 0, resident = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
  std::fclose(statm);
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

runtime::core::PerThread<framework::error::ErrorStatus>& Status() {
  static runtime::core::PerThread<framework::error::ErrorStatus> status;
  return status;
}

class QuietErrors : public framework::error::ErrorManager {
 public:
  int32_t ShowMessageBox(const std::string&, const std::string&, const std::string&, int32_t, int32_t defaultButton,
                         int32_t) override {
    return defaultButton;
  }
};

// The process-wide set-up: a folder of its own, the error manager, this thread's registry.
struct Environment {
  Environment() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorkan42-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    Folder = pattern;
    std::filesystem::current_path(Folder);
    Errors.Construct();
    Errors.Init(Status());
    framework::data::FileUsageRegistry::Current().Init();
  }
  std::filesystem::path Folder;
  QuietErrors Errors;
};

Environment& Env() {
  static Environment environment;
  return environment;
}

// Writes the file of `records` records in a child process, so that the memory the
// writing takes (SQLite's page cache filled by a million inserts, the journal) is not
// counted in this process: what the browse holds is its own.
void BuildFileApart(int64_t records) {
  Env();  // the child writes into the benchmark's own folder
  const pid_t child = fork();
  if (child < 0) std::abort();
  if (child == 0) {
    const runtime::files::FileDefinition def = Definition(records);
    Record buffer{};
    runtime::files::KeyedFile file;
    bool ok = file.Init(def, &buffer) == 0 && file.Create() == 0 &&
              file.Open(runtime::files::FileMode::ReadWrite | runtime::files::FileMode::DenyNone) == 0 &&
              file.BeginTransaction(TransactionSeconds) == 0;
    for (int64_t i = 0; ok && i < records; ++i) {
      file.ClearBuffer();
      FieldRef::Of(buffer.Name).SetText(NameOf(i));
      buffer.Count = static_cast<int32_t>(i);
      ok = file.Add() == 0;
    }
    ok = ok && file.CommitTransaction() == 0 && file.Close() == 0;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) std::abort();
}

// One file of `records` records with a browse window over it, built once per size.
struct BrowseRig {
  explicit BrowseRig(int64_t records) : Def(Definition(records)) {
    BuildFileApart(records);
    File.Init(Def, &Buffer);
    Files.File = &File;
    Files.Buffer = {&Buffer, &Type(), sizeof(Record)};
    Files.Errors = &Env().Errors;
    Files.SetUp();
    Files.Init(&File, &Env().Errors);
    Files.Create = 1;
    Files.RegisterKey(1, "By name");
    Relations.Init(&Files, framework::data::Logout::Off);
    if (Relations.Open(framework::data::Walk::Top) != framework::error::LevelQuiet) std::abort();
    if (Files.EnsureUsable(framework::data::UseType::Record) != framework::error::LevelQuiet) std::abort();
    if (File.Records() != records) std::abort();
    TheView.Init(File);

    if (Controller.Init() != framework::window::WindowController::EventGoOn) std::abort();
    runtime::ui::WindowBuilder b("BenchBrowse");
    b.Caption("Bench").Size(300, 200);
    b.List(0, "?List", "120L(2)|M~Name~@s39@40R(2)|M~Count~@n9@").At(4, 4, 290, 150);
    Controller.Open(b.Build(), 0);
    List = WindowModel::ControlNumber(Controller.MyWindow, "?List");
    WindowModel::SetPropInt(Controller.MyWindow, List, Prop::Items, PageRows);
    WindowModel::SetPropInt(Controller.MyWindow, List, Prop::VScroll, 1);

    Browse.Init(List, FieldRef::Of(Queue.Buffer.Position), Controller, Relations, Queue, TheView);
    Step.Init(framework::browse::StringStep::ControlLetters, framework::browse::StringStep::LookupRunTime);
    Browse.AddOrder(&Step, 1);
    Browse.AttachLocator(&Locator);
    Locator.Init(0, FieldRef::Of(Buffer.Name), true, Browse);
    Browse.MapColumnField(FieldRef::Of(Buffer.Name), FieldRef::Of(Queue.Buffer.Name));
    Browse.MapColumnField(FieldRef::Of(Buffer.Count), FieldRef::Of(Queue.Buffer.Count));
    Browse.UseWaitCursor = false;
    Browse.RegisterAlertKeys();
    Browse.ReapplyOrder(framework::window::ResetMode::Forced);
    Drain();
  }

  // Forgets the events the browse posted to its own window.
  void Drain() const {
    const int32_t thread = runtime::core::CurrentThreadNumber();
    while (runtime::ui::EventQueues::Next(thread, Controller.MyWindow, std::chrono::steady_clock::now())) {
    }
  }

  runtime::files::FileDefinition Def;
  Record Buffer{};
  runtime::files::KeyedFile File;
  framework::data::FileManager Files;
  framework::data::RelationManager Relations;
  runtime::files::View TheView;
  runtime::data::RecordQueue<Row> Queue;
  framework::window::WindowController Controller;
  BrowseManager Browse;
  framework::browse::LetterLocator Locator;
  framework::browse::StringStep Step;
  int32_t List = 0;
};

// The resident set just before each size's rig was made (the file written apart).
std::map<int64_t, long>& ResidentBeforeRig() {
  static auto& before = *new std::map<int64_t, long>();
  return before;
}

BrowseRig& Rig(int64_t records) {
  // Never destroyed: at exit the runtime's own statics (window model, name scopes) that
  // a rig's tear-down would touch may already be gone; the process ends anyway.
  static auto& rigs = *new std::map<int64_t, std::unique_ptr<BrowseRig>>();
  std::unique_ptr<BrowseRig>& rig = rigs[records];
  if (!rig) {
    ResidentBeforeRig()[records] = ResidentKilobytes();
    rig = std::make_unique<BrowseRig>(records);
  }
  return *rig;
}

// The baseline: a hand-written keyset reader on the same file, with its own
// connection, the driver's collation and statements prepared once. Rows are copied
// out as a program would copy them to its list.
class RawKeyset {
 public:
  explicit RawKeyset(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &Db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) std::abort();
    runtime::files::SqliteDriver::RegisterCollations(Db);
    sqlite3_exec(Db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    const std::string select = "SELECT vk_id,vk_version,\"BEN:NAME\",\"BEN:COUNT\" FROM vk_records ";
    const std::string up = "ORDER BY \"BEN:NAME\" COLLATE VK_UPPER ASC LIMIT ?";
    const std::string down = "ORDER BY \"BEN:NAME\" COLLATE VK_UPPER DESC LIMIT ?";
    First = Prepare(select + up);
    After = Prepare(select + "WHERE \"BEN:NAME\" COLLATE VK_UPPER > ? " + up);
    AtOrAfter = Prepare(select + "WHERE \"BEN:NAME\" COLLATE VK_UPPER >= ? " + up);
    Before = Prepare(select + "WHERE \"BEN:NAME\" COLLATE VK_UPPER < ? " + down);
    Insert = Prepare("INSERT INTO vk_records(\"BEN:NAME\",\"BEN:COUNT\") VALUES(?,?)");
  }
  RawKeyset(const RawKeyset&) = delete;
  RawKeyset& operator=(const RawKeyset&) = delete;

  // Reads up to `rows` rows after (or at or after, or before) `key`; returns how many.
  int FirstPage(int rows) { return Read(First, nullptr, rows); }
  int PageAfter(const std::string& key, int rows) { return Read(After, &key, rows); }
  int PageFrom(const std::string& key, int rows) { return Read(AtOrAfter, &key, rows); }
  int PageBefore(const std::string& key, int rows) { return Read(Before, &key, rows); }
  void Add(const std::string& name) {
    ++Statements;
    sqlite3_bind_text(Insert, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(Insert, 2, 1);
    if (sqlite3_step(Insert) != SQLITE_DONE) std::abort();
    sqlite3_reset(Insert);
  }
  const std::string& LastKey() const { return Last; }
  int64_t Statements = 0;

 private:
  sqlite3_stmt* Prepare(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(Db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) std::abort();
    return stmt;
  }
  int Read(sqlite3_stmt* stmt, const std::string* key, int rows) {
    ++Statements;
    int param = 1;
    if (key != nullptr) sqlite3_bind_text(stmt, param++, key->c_str(), static_cast<int>(key->size()), SQLITE_STATIC);
    sqlite3_bind_int(stmt, param, rows);
    int n = 0;
    while (n < rows && sqlite3_step(stmt) == SQLITE_ROW) {
      Row& r = Page[static_cast<size_t>(n++)];
      const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2));
      std::snprintf(r.Name, sizeof r.Name, "%s", name != nullptr ? name : "");
      r.Count = sqlite3_column_int(stmt, 3);
    }
    sqlite3_reset(stmt);
    if (n > 0) Last = Page[static_cast<size_t>(n - 1)].Name;
    return n;
  }

  sqlite3* Db = nullptr;
  sqlite3_stmt* First = nullptr;
  sqlite3_stmt* After = nullptr;
  sqlite3_stmt* AtOrAfter = nullptr;
  sqlite3_stmt* Before = nullptr;
  sqlite3_stmt* Insert = nullptr;
  std::array<Row, 64> Page{};
  std::string Last;
};

RawKeyset& Raw(int64_t records) {
  static auto& raws = *new std::map<int64_t, std::unique_ptr<RawKeyset>>();
  std::unique_ptr<RawKeyset>& raw = raws[records];
  if (!raw) raw = std::make_unique<RawKeyset>(Rig(records).File.Name());
  return *raw;
}

int64_t BrowseStatements(BrowseRig& rig) { return std::stoll(rig.File.Send("STATEMENTS")); }

using Clock = std::chrono::steady_clock;

// Runs the browse's `step` and the baseline's `raw` in turns, one of each per
// iteration, timing each; the browse's time is the benchmark's.
template <class Step, class RawStep>
void Measure(benchmark::State& state, Step step, RawStep raw) {
  BrowseRig& rig = Rig(state.range(0));
  RawKeyset& baseline = Raw(state.range(0));
  const long before = ResidentKilobytes();
  double browseSeconds = 0, rawSeconds = 0;
  int64_t browseStatements = 0;
  const int64_t rawStatementsBefore = baseline.Statements;
  for (auto _ : state) {
    const int64_t statementsBefore = BrowseStatements(rig);
    const auto t0 = Clock::now();
    step(rig);
    const auto t1 = Clock::now();
    browseStatements += BrowseStatements(rig) - statementsBefore;
    rig.Drain();
    const auto t2 = Clock::now();
    raw(rig, baseline);
    const auto t3 = Clock::now();
    const double seconds = std::chrono::duration<double>(t1 - t0).count();
    browseSeconds += seconds;
    rawSeconds += std::chrono::duration<double>(t3 - t2).count();
    state.SetIterationTime(seconds);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["raw_us"] = rawSeconds * 1e6 / n;
  state.counters["ratio"] = rawSeconds > 0 ? browseSeconds / rawSeconds : 0;
  state.counters["statements"] = static_cast<double>(browseStatements) / n;
  state.counters["raw_statements"] = static_cast<double>(baseline.Statements - rawStatementsBefore) / n;
  state.counters["queue_rows"] = static_cast<double>(rig.Queue.Records());
  state.counters["rss_growth_kB"] = static_cast<double>(ResidentKilobytes() - before);
  state.counters["rss_kB"] = static_cast<double>(ResidentKilobytes());
}

std::string RowName(BrowseRig& rig, size_t row) {
  rig.Queue.Get(row);
  return rig.Queue.Buffer.Name;
}

void FirstPage(benchmark::State& state) {
  Measure(
      state,
      [](BrowseRig& rig) {
        rig.Browse.ListQueue->ClearRows();
        rig.Browse.CurrentChoice = 0;
        rig.Browse.ReloadPage(BrowseManager::ReloadKeepRow);
      },
      [](BrowseRig&, RawKeyset& raw) { raw.FirstPage(PageRows); });
}

void PageDown(benchmark::State& state) {
  Measure(
      state,
      [](BrowseRig& rig) {
        rig.Browse.OnScroll(Event::PageDown);
        if (rig.Browse.ItemsToFill > 0) rig.Browse.OnScroll(Event::ScrollTop);  // at the end: start again
      },
      [](BrowseRig&, RawKeyset& raw) {
        if (raw.LastKey().empty() || raw.PageAfter(raw.LastKey(), PageRows) < PageRows) raw.FirstPage(PageRows);
      });
}

// The page rebuilt around its middle row, kept on its line (as after a change made
// through the form): the rows from it down, then the rows above it.
void Refill(benchmark::State& state) {
  constexpr int32_t Middle = PageRows / 2;
  Measure(
      state,
      [](BrowseRig& rig) {
        rig.Browse.ListQueue->GetRow(Middle);
        rig.TheView.ResetToPosition(rig.Browse.ListQueue->GetRowPosition());
        rig.Browse.CurrentChoice = Middle;
        rig.Browse.ReloadPage(BrowseManager::ReloadAroundView);
      },
      [](BrowseRig& rig, RawKeyset& raw) {
        const std::string key = RowName(rig, Middle);
        raw.PageFrom(key, PageRows - Middle + 1);
        raw.PageBefore(key, Middle - 1);
      });
}

void JumpToEnd(benchmark::State& state) {
  Measure(
      state,
      [](BrowseRig& rig) {
        rig.Browse.OnScroll(Event::ScrollBottom);
        rig.Browse.OnScroll(Event::ScrollTop);
      },
      [](BrowseRig&, RawKeyset& raw) {
        raw.PageBefore("\xff", PageRows);
        raw.FirstPage(PageRows);
      });
}

void LocateByLetter(benchmark::State& state) {
  int32_t letter = 0;
  int32_t rawLetter = 0;
  Measure(
      state,
      [&](BrowseRig& rig) {
        WindowModel::SetKeyCode(runtime::ui::Key::Shift + runtime::ui::Key::A + letter);
        letter = (letter + 7) % 26;  // never the next row's initial: always a search
        rig.Browse.HandleEvent({.Number = Event::AlertKey, .Control = rig.List});
      },
      [&](BrowseRig&, RawKeyset& raw) {
        raw.PageFrom(std::string(1, static_cast<char>('A' + rawLetter)), PageRows);
        rawLetter = (rawLetter + 7) % 26;
      });
}

// The baseline seeks to the same key values as the browse: the thumb step's value for
// each position.
void ThumbDrag(benchmark::State& state) {
  int32_t position = 2;
  int32_t rawPosition = 2;
  Measure(
      state,
      [&](BrowseRig& rig) {
        WindowModel::SetPropInt(rig.Controller.MyWindow, rig.List, Prop::ThumbPosition, position);
        position = position % 97 + 2;
        rig.Browse.HandleEvent({.Number = Event::ScrollDrag, .Control = rig.List});
      },
      [&](BrowseRig& rig, RawKeyset& raw) {
        raw.PageFrom(rig.Step.PercentToValue(rawPosition), PageRows);
        rawPosition = rawPosition % 97 + 2;
      });
}

// An insert through the file manager (checks, duplicate test, commit) against a plain
// single-row INSERT; both commit with full synchronous writes.
void Insert(benchmark::State& state) {
  // Numbered across repetitions, so no name is added twice.
  static int64_t n = 0;
  static int64_t rawN = 0;
  Measure(
      state,
      [](BrowseRig& rig) {
        rig.File.ClearBuffer();
        FieldRef::Of(rig.Buffer.Name).SetText("ZZ-BROWSE-" + std::to_string(n++));
        rig.Buffer.Count = 1;
        if (rig.Files.Insert() != framework::error::LevelQuiet) std::abort();
      },
      [](BrowseRig&, RawKeyset& raw) { raw.Add("ZZ-RAW-" + std::to_string(rawN++)); });
}

// The browse alone, without a baseline: a round of paging down and up, locating by
// every letter, dragging the thumb and jumping to either end. Run it in a process of
// its own per size (--benchmark_filter='BrowseMemory/1000$'): rss_kB is then the
// process with one browse, and browse_kB what opening and browsing the file added
// (its connection's page cache, the window, the display queue).
void BrowseMemory(benchmark::State& state) {
  BrowseRig& rig = Rig(state.range(0));
  constexpr int32_t Pages = 50;
  constexpr int32_t ThumbSteps = 97;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    for (int32_t page = 0; page < Pages; ++page) rig.Browse.OnScroll(Event::PageDown);
    for (int32_t page = 0; page < Pages; ++page) rig.Browse.OnScroll(Event::PageUp);
    for (int32_t letter = 0; letter < 26; ++letter) {
      WindowModel::SetKeyCode(runtime::ui::Key::Shift + runtime::ui::Key::A + (letter * 7) % 26);
      rig.Browse.HandleEvent({.Number = Event::AlertKey, .Control = rig.List});
      rig.Drain();
    }
    for (int32_t step = 0; step < ThumbSteps; ++step) {
      WindowModel::SetPropInt(rig.Controller.MyWindow, rig.List, Prop::ThumbPosition, step + 2);
      rig.Browse.HandleEvent({.Number = Event::ScrollDrag, .Control = rig.List});
      rig.Drain();
    }
    rig.Browse.OnScroll(Event::ScrollBottom);
    rig.Browse.OnScroll(Event::ScrollTop);
    rig.Drain();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
  }
  const long now = ResidentKilobytes();
  state.counters["rss_kB"] = static_cast<double>(now);
  state.counters["browse_kB"] = static_cast<double>(now - ResidentBeforeRig()[state.range(0)]);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond)->UseManualTime();
}

}  // namespace

BENCHMARK(FirstPage)->Apply(Sizes);
BENCHMARK(PageDown)->Apply(Sizes);
BENCHMARK(Refill)->Apply(Sizes);
BENCHMARK(JumpToEnd)->Apply(Sizes);
BENCHMARK(LocateByLetter)->Apply(Sizes);
BENCHMARK(ThumbDrag)->Apply(Sizes);
BENCHMARK(Insert)->Apply(Sizes);
BENCHMARK(BrowseMemory)->Apply(Sizes);
