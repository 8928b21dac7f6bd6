// What a browse costs a user at 1 thousand, 100 thousand and 1 million records: the
// first page, a page down, the jump to the end, locating by a typed letter and a drag
// of the thumb. The browse runs on the benchmark's thread with its window open; the
// events it posts to itself are drained after each step (the window's own follow-up is
// not measured). Counters: the display queue's rows (a page, whatever the file's size)
// and how much the resident set grew while the benchmark ran.
//
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build-rel --target bench_BrowseBench
//   build-rel/bench/bench_BrowseBench
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

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
#include "runtime/files/KeyedFile.h"
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

// One file of `records` records with a browse window over it, built once per size.
struct BrowseRig {
  explicit BrowseRig(int64_t records) : Def(Definition(records)) {
    File.Init(Def, &Buffer);
    Files.File = &File;
    Files.Buffer = {&Buffer, &Type(), sizeof(Record)};
    Files.Errors = &Env().Errors;
    Files.SetUp();
    Files.Init(&File, &Env().Errors);
    Files.Create = 1;
    Files.RegisterKey(1, "By name");
    Relations.Init(&Files, false);
    Relations.Open(framework::data::Walk::Top);
    Files.EnsureUsable(framework::data::UseType::Record);
    if (File.Records() < records) {
      File.BeginTransaction(TransactionSeconds);
      for (int64_t i = 0; i < records; ++i) {
        File.ClearBuffer();
        FieldRef::Of(Buffer.Name).SetText(NameOf(i));
        Buffer.Count = static_cast<int32_t>(i);
        File.Add();
      }
      File.CommitTransaction();
    }
    TheView.Init(File);

    Controller.Init();
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
    Browse.UseWaitCursor = 0;
    Browse.RegisterAlertKeys();
    Browse.ReapplyOrder(true);
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

BrowseRig& Rig(int64_t records) {
  // Never destroyed: at exit the runtime's own statics (window model, name scopes) that
  // a rig's tear-down would touch may already be gone; the process ends anyway.
  static auto& rigs = *new std::map<int64_t, std::unique_ptr<BrowseRig>>();
  std::unique_ptr<BrowseRig>& rig = rigs[records];
  if (!rig) rig = std::make_unique<BrowseRig>(records);
  return *rig;
}

// Runs `step` per iteration and reports the queue's rows and the growth of the resident set.
template <class Step>
void Measure(benchmark::State& state, Step step) {
  BrowseRig& rig = Rig(state.range(0));
  const long before = ResidentKilobytes();
  for (auto _ : state) {
    step(rig);
    rig.Drain();
  }
  state.counters["queue_rows"] = static_cast<double>(rig.Queue.Records());
  state.counters["rss_growth_kB"] = static_cast<double>(ResidentKilobytes() - before);
  state.counters["rss_kB"] = static_cast<double>(ResidentKilobytes());
}

void FirstPage(benchmark::State& state) {
  Measure(state, [](BrowseRig& rig) {
    rig.Browse.ListQueue->ClearRows();
    rig.Browse.CurrentChoice = 0;
    rig.Browse.ReloadPage(BrowseManager::ReloadKeepRow);
  });
}

void PageDown(benchmark::State& state) {
  Measure(state, [](BrowseRig& rig) {
    rig.Browse.OnScroll(Event::PageDown);
    if (rig.Browse.ItemsToFill > 0) rig.Browse.OnScroll(Event::ScrollTop);  // at the end: start again
  });
}

void JumpToEnd(benchmark::State& state) {
  Measure(state, [](BrowseRig& rig) {
    rig.Browse.OnScroll(Event::ScrollBottom);
    rig.Browse.OnScroll(Event::ScrollTop);
  });
}

void LocateByLetter(benchmark::State& state) {
  int32_t letter = 0;
  Measure(state, [&](BrowseRig& rig) {
    WindowModel::SetKeyCode(runtime::ui::Key::Shift + runtime::ui::Key::A + letter);
    letter = (letter + 7) % 26;  // never the next row's initial: always a search
    rig.Browse.HandleEvent({.Number = Event::AlertKey, .Control = rig.List});
  });
}

void ThumbDrag(benchmark::State& state) {
  int32_t position = 2;
  Measure(state, [&](BrowseRig& rig) {
    WindowModel::SetPropInt(rig.Controller.MyWindow, rig.List, Prop::ThumbPosition, position);
    position = position % 97 + 2;
    rig.Browse.HandleEvent({.Number = Event::ScrollDrag, .Control = rig.List});
  });
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(FirstPage)->Apply(Sizes);
BENCHMARK(PageDown)->Apply(Sizes);
BENCHMARK(JumpToEnd)->Apply(Sizes);
BENCHMARK(LocateByLetter)->Apply(Sizes);
BENCHMARK(ThumbDrag)->Apply(Sizes);
