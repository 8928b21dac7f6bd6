// "Another station" for the keyed-file tests: a second process working on the test
// file. Every change it makes is acknowledged on standard output ("A n" added,
// "P n" put) only after the call returned success, so a test that kills it knows
// which changes must be on disk ("R 0" first says the file is open). With
// VORKAN42_CONNECTION set, the file is on that server, as it would be for the program.
//
//   KeyedFileStation <file> append <from>        add and then update records from
//                                                <from> on, until killed (bounded)
//   KeyedFileStation <file> add <from> <count>   add <count> records, exit 0 when all succeed
//   KeyedFileStation <file> bump <n>             add 100 to record n's count
//   KeyedFileStation <file> increment <records> <rounds>
//                                                add 1 to the count of records 0 to
//                                                <records>-1, <rounds> times, each as a
//                                                watched read and put, read again when
//                                                another station changed it first
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/files/DatabaseChoice.h"
#include "runtime/files/FileMode.h"
#include "runtime/files/KeyedFile.h"
#include "tests/runtime/files/TestFiles.h"

namespace {

using C = runtime::core::RuntimeErrorCode;
using runtime::files::FileMode;
using testfiles::TestRecord;

constexpr long AppendLimit = 100000;  // an unkilled station still ends
constexpr int Failed = 1;
constexpr int Usage = 2;

void Acknowledge(char what, long n) {
  const std::string line = std::string(1, what) + " " + std::to_string(n) + "\n";
  // One write per line, unbuffered: the line is in the pipe before the next change starts.
  if (::write(STDOUT_FILENO, line.data(), line.size()) != static_cast<ssize_t>(line.size())) std::_Exit(Failed);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Usage;
  runtime::files::DatabaseChoice::Apply(runtime::files::DatabaseChoice::Resolve(""));
  runtime::files::FileDefinition definition = testfiles::TestDefinition();
  definition.DriverName = "";  // wherever the program's files are
  runtime::files::KeyedFile file;
  if (file.Init(definition) != C::NoError) return Failed;
  file.SetName(argv[1]);
  if (file.Create() != C::NoError || file.Open(FileMode::ReadWrite | FileMode::DenyNone) != C::NoError) return Failed;
  TestRecord& rec = file.As<TestRecord>();
  const std::string command = argv[2];
  const long from = std::atol(argv[3]);

  if (command == "append") {
    Acknowledge('R', 0);  // ready: the file is open
    for (long n = from; n < from + AppendLimit; ++n) {
      testfiles::Fill(rec, testfiles::StationUrl(n), 0);
      if (file.Add() != C::NoError) return Failed;
      Acknowledge('A', n);
      rec.Count = 1;
      if (file.Put() != C::NoError) return Failed;
      Acknowledge('P', n);
    }
    return 0;
  }
  if (command == "add" && argc == 5) {
    const long count = std::atol(argv[4]);
    for (long n = from; n < from + count; ++n) {
      testfiles::Fill(rec, testfiles::StationUrl(n), 0);
      if (file.Add() != C::NoError) return Failed;
    }
    return 0;
  }
  if (command == "bump") {
    testfiles::Fill(rec, testfiles::StationUrl(from), 0);
    if (file.GetByKey(testfiles::KeyUrl) != C::NoError) return Failed;
    rec.Count += 100;
    return file.Put() == C::NoError ? 0 : Failed;
  }
  if (command == "increment" && argc == 5) {
    const long rounds = std::atol(argv[4]);
    for (long round = 0; round < rounds; ++round) {
      for (long n = 0; n < from; ++n) {
        for (;;) {
          testfiles::Fill(rec, testfiles::StationUrl(n), 0);
          if (file.Watch() != C::NoError || file.GetByKey(testfiles::KeyUrl) != C::NoError) return Failed;
          rec.Count += 1;
          const int32_t code = file.Put();
          if (code == C::NoError) break;
          if (code != C::RecordChanged && code != C::RecordHeld) return Failed;
        }
      }
    }
    return 0;
  }
  return Usage;
}
