// "Another station" for the data layer tests, run in the test's working folder:
//   DataStation number <count>      adds <count> automatically numbered COUNTER records
//   DataStation edit <A> <N>        reads the EDITS record with key <A>, sets N, writes it
// Exit status 0 when everything went through; 1 otherwise. Messages are silent (a
// question takes its default answer, Yes).

#include <cstdlib>
#include <string>

#include "framework/data/FileManager.h"
#include "framework/data/UseType.h"
#include "framework/error/ErrorManager.h"
#include "runtime/core/PerThread.h"
#include "runtime/data/FieldRef.h"
#include "tests/framework/data/TestDataFiles.h"

namespace {

using datatest::AbcRecord;

runtime::core::PerThread<framework::error::ErrorStatus> Status;

int Run(int argc, char** argv) {
  if (argc < 3) return 1;
  const std::string mode = argv[1];
  framework::error::ErrorManager errors;
  errors.Construct();
  errors.Init(Status);
  errors.Silent = true;

  const bool numbering = mode == "number";
  const runtime::files::FileDefinition& definition =
      numbering ? datatest::CounterDefinition() : datatest::SharedEditDefinition();
  AbcRecord record{};
  runtime::files::KeyedFile file;
  if (file.Init(definition, &record) != 0) return 1;
  framework::data::FileManager manager;
  manager.File = &file;
  manager.Buffer = {&record, &datatest::AbcType(), sizeof record};
  manager.Errors = &errors;
  manager.SetUp();
  manager.Init(&file, &errors);
  manager.RegisterKey(1, "Counter", numbering ? 1 : 0);
  if (manager.Open() != 0) return 1;
  if (manager.EnsureUsable(framework::data::UseType::Window) != 0) return 1;

  int failures = 0;
  if (numbering) {
    const int count = std::atoi(argv[2]);
    for (int i = 0; i < count; ++i) {
      file.ClearBuffer();
      runtime::data::FieldRef::Of(record.A).SetText("station");
      if (manager.Insert() != 0) ++failures;
    }
  } else {
    if (argc < 4) return 1;
    runtime::data::FieldRef::Of(record.A).SetText(argv[2]);
    if (manager.Fetch(1) != 0) return 1;
    record.N = std::atoi(argv[3]);
    if (manager.Update() != 0) ++failures;
  }
  manager.Close();
  manager.Teardown();
  errors.Shutdown();
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) { return Run(argc, argv); }
