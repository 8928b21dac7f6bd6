// Runs of records on each driver (local files and the server): a run reads what Next or
// Previous would, in one statement, from every kind of cursor. Read transactions on the
// local driver: a read bracket keeps one view of the file without blocking another
// station's writes (on the server a bracket holds nothing: a page is one statement,
// which reads one state of the file by itself).
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/runtime/files/KeyedFileFixture.h"

using namespace testfiles;
using runtime::files::RunDirection;
using runtime::files::RunRecord;

namespace {

using KeyedFileRunTest = DriverFixture;
INSTANTIATE_TEST_SUITE_P(Drivers, KeyedFileRunTest, ::testing::Values(LocalDriver, ServerDriver), DriverLabel);
using KeyedFileReadBracketTest = KeyedFileFixture;

int64_t Statements(KeyedFile& f) { return std::stoll(f.Send("STATEMENTS")); }

std::string Text(const RunRecord& r) {
  const auto& rec = *reinterpret_cast<const TestRecord*>(r.Record.data());
  return std::string(rec.Url) + ":" + std::to_string(rec.Count);
}

// Every record from the cursor on, read in runs of `length`, each run continued from
// its last record; checks that every run is one statement.
std::string ReadInRuns(KeyedFile& f, RunDirection direction, size_t length) {
  std::string out;
  std::vector<RunRecord> run;
  while (true) {
    const int64_t before = Statements(f);
    const int32_t rc = f.ReadRun(direction, length, run);
    EXPECT_EQ(Statements(f) - before, 1);
    if (rc != C::NoError) {
      EXPECT_EQ(rc, C::RecordNotAvailable);
      EXPECT_TRUE(run.empty());
      return out;
    }
    EXPECT_LE(run.size(), length);
    for (const RunRecord& r : run) out += (out.empty() ? "" : " ") + Text(r);
    EXPECT_EQ(f.TakeRunRecord(run.back(), direction), C::NoError);
    if (run.size() < length) return out;
  }
}

TEST_P(KeyedFileRunTest, RunsReadWhatNextAndPreviousReadFromEveryCursor) {
  auto f = Handle();
  AddRecord(*f, "c", 1, "beta");
  AddRecord(*f, "A", 5, "Alpha");
  AddRecord(*f, "b", 9, "alpha");
  AddRecord(*f, "a", 3, "BETA");
  AddRecord(*f, "d", 3, "beta");
  AddRecord(*f, "e", 3, "beta");
  for (int key : {KeyUrl, KeyTag, 0}) {
    for (RunDirection direction : {RunDirection::Forward, RunDirection::Backward}) {
      const bool forward = direction == RunDirection::Forward;
      const std::string expected = Dump(*f, key, forward);
      for (size_t length : {1u, 2u, 4u, 50u}) {
        ASSERT_EQ(f->SetKeyPosition(key, 0), C::NoError);
        EXPECT_EQ(ReadInRuns(*f, direction, length), expected) << "key " << key << " length " << length;
      }
    }
  }
  // From a boundary on the leading component of (Tag, Count descending): the group of
  // "beta" ignoring case, in descending Count and then the order added; backwards the
  // group too (it is at the boundary), then what lies before it.
  Fill(Rec(*f), "", 0, "BETA");
  ASSERT_EQ(f->SetKeyPosition(KeyTag, 1), C::NoError);
  EXPECT_EQ(ReadInRuns(*f, RunDirection::Forward, 3), "a:3 d:3 e:3 c:1");
  ASSERT_EQ(f->SetKeyPosition(KeyTag, 1), C::NoError);
  EXPECT_EQ(ReadInRuns(*f, RunDirection::Backward, 3), "c:1 e:3 d:3 a:3 A:5 b:9");

  // From a position: the record itself first, then on; and from a current record: the
  // records after it (among equal components, those added after it).
  Fill(Rec(*f), "d", 0);
  ASSERT_EQ(f->GetByKey(KeyUrl), C::NoError);
  const std::string d = f->Position(KeyTag);
  ASSERT_EQ(f->ResetToPosition(d), C::NoError);
  EXPECT_EQ(ReadInRuns(*f, RunDirection::Forward, 2), "d:3 e:3 c:1");
  ASSERT_EQ(f->ResetToPosition(d), C::NoError);
  ASSERT_EQ(f->Next(), C::NoError);
  EXPECT_EQ(ReadInRuns(*f, RunDirection::Forward, 2), "e:3 c:1");
  ASSERT_EQ(f->ResetToPosition(d), C::NoError);
  ASSERT_EQ(f->Previous(), C::NoError);
  EXPECT_EQ(ReadInRuns(*f, RunDirection::Backward, 2), "a:3 A:5 b:9");
}

TEST_P(KeyedFileRunTest, ARunLeavesCursorAndBufferAndTakingARecordActsAsTheRead) {
  auto f = Handle();
  AddRecord(*f, "a", 1);
  AddRecord(*f, "b", 2);
  AddRecord(*f, "c", 3);
  ASSERT_EQ(f->SetKeyPosition(KeyUrl, 0), C::NoError);
  ASSERT_EQ(f->Next(), C::NoError);  // "a" is current
  std::vector<RunRecord> run;
  ASSERT_EQ(f->ReadRun(RunDirection::Forward, 5, run), C::NoError);
  ASSERT_EQ(run.size(), 2u);
  EXPECT_EQ(std::string(Rec(*f).Url), "a");
  ASSERT_EQ(f->Next(), C::NoError);
  EXPECT_EQ(std::string(Rec(*f).Url), "b");

  // At the end: 33, nothing read, the buffer and the cursor as they were.
  ASSERT_EQ(f->TakeRunRecord(run.back(), RunDirection::Forward), C::NoError);
  EXPECT_EQ(f->ReadRun(RunDirection::Forward, 5, run), C::RecordNotAvailable);
  EXPECT_TRUE(run.empty());
  EXPECT_EQ(std::string(Rec(*f).Url), "c");
  ASSERT_EQ(f->Previous(), C::NoError);
  EXPECT_EQ(std::string(Rec(*f).Url), "b");

  // A watched record taken from a run is guarded like one read by Next.
  ASSERT_EQ(f->SetKeyPosition(KeyUrl, 0), C::NoError);
  ASSERT_EQ(f->ReadRun(RunDirection::Forward, 3, run), C::NoError);
  auto other = Handle(ReadWriteShared, false);
  Fill(Rec(*other), "b", 0);
  ASSERT_EQ(other->GetByKey(KeyUrl), C::NoError);
  Rec(*other).Count = 20;
  ASSERT_EQ(other->Put(), C::NoError);
  ASSERT_EQ(f->Watch(), C::NoError);
  ASSERT_EQ(f->TakeRunRecord(run[1], RunDirection::Forward), C::NoError);
  Rec(*f).Count = 21;
  EXPECT_EQ(f->Put(), C::RecordChanged);
  // Unwatched, the current record is the one taken.
  ASSERT_EQ(f->TakeRunRecord(run[2], RunDirection::Forward), C::NoError);
  Rec(*f).Count = 30;
  ASSERT_EQ(f->Put(), C::NoError);
  EXPECT_EQ(Dump(*other, KeyUrl), "a:1 b:20 c:30");
}

TEST_F(KeyedFileReadBracketTest, AReadBracketKeepsOneViewWithoutBlockingWritersAndEndsBeforeTheNext) {
  auto reader = Handle();
  AddRecord(*reader, "b", 1);
  AddRecord(*reader, "d", 1);
  auto writer = Handle(ReadWriteShared, false);
  std::vector<RunRecord> run;

  ASSERT_EQ(reader->BeginRead(), C::NoError);
  ASSERT_EQ(reader->BeginRead(), C::NoError);  // nested: one bracket
  ASSERT_EQ(reader->SetKeyPosition(KeyUrl, 0), C::NoError);
  ASSERT_EQ(reader->ReadRun(RunDirection::Forward, 5, run), C::NoError);  // reached the end
  EXPECT_EQ(run.size(), 2u);
  // Another station writes meanwhile, at once: the reader holds no lock a writer waits for.
  ASSERT_EQ(writer->Send("Recover=0"), "0");
  ASSERT_EQ(AddRecord(*writer, "a", 2), C::NoError);
  ASSERT_EQ(AddRecord(*writer, "c", 2), C::NoError);
  ASSERT_EQ(reader->SetKeyPosition(KeyUrl, 0), C::NoError);
  ASSERT_EQ(reader->ReadRun(RunDirection::Forward, 5, run), C::NoError);
  EXPECT_EQ(run.size(), 2u) << "the bracket sees the file as it was at its first read";
  EXPECT_EQ(reader->EndRead(), C::NoError);
  ASSERT_EQ(reader->ReadRun(RunDirection::Forward, 5, run), C::NoError);
  EXPECT_EQ(run.size(), 2u) << "still inside the outer bracket";
  EXPECT_EQ(reader->EndRead(), C::NoError);

  ASSERT_EQ(reader->SetKeyPosition(KeyUrl, 0), C::NoError);
  ASSERT_EQ(reader->ReadRun(RunDirection::Forward, 5, run), C::NoError);
  EXPECT_EQ(run.size(), 4u) << "the next operation sees the other station's records";

  // A write inside a bracket ends its view first: the reads after it see the write.
  ASSERT_EQ(reader->BeginRead(), C::NoError);
  ASSERT_EQ(reader->SetKeyPosition(KeyUrl, 0), C::NoError);
  ASSERT_EQ(reader->ReadRun(RunDirection::Forward, 1, run), C::NoError);
  ASSERT_EQ(AddRecord(*writer, "e", 2), C::NoError);
  ASSERT_EQ(AddRecord(*reader, "f", 2), C::NoError);
  ASSERT_EQ(reader->SetKeyPosition(KeyUrl, 0), C::NoError);
  ASSERT_EQ(reader->ReadRun(RunDirection::Forward, 10, run), C::NoError);
  EXPECT_EQ(run.size(), 6u);
  EXPECT_EQ(reader->EndRead(), C::NoError);
  EXPECT_EQ(reader->EndRead(), C::NoError) << "an end without a bracket is harmless";
}

// A page around a row: a run forward with the reads back announced, then, in the same
// bracket, a run back from one of its records. The records are those read without the
// announcement; the local driver reads both in one statement, the server in two.
std::string ReadAround(KeyedFile& f, const std::function<void()>& place, size_t length, size_t before,
                       size_t from, size_t backLength, bool announce, int64_t& statements) {
  std::vector<RunRecord> run;
  std::vector<RunRecord> back;
  EXPECT_EQ(f.BeginRead(), C::NoError);
  const int64_t start = Statements(f);
  place();
  if (announce) f.ExpectRunBefore(before);
  const int32_t rc = f.ReadRun(RunDirection::Forward, length, run);
  std::string out;
  for (const RunRecord& r : run) out += Text(r) + " ";
  out += "|";
  if (rc == C::NoError && from < run.size()) {
    EXPECT_EQ(f.TakeRunRecord(run[from], RunDirection::Forward), C::NoError);
    const std::string edge = f.Position(KeyTag);
    EXPECT_EQ(f.ResetToPosition(edge), C::NoError);
    if (f.ReadRun(RunDirection::Backward, backLength, back) == C::NoError) {
      for (const RunRecord& r : back) out += " " + Text(r);
      // Going on back from the last record read: from the announced window or the file.
      EXPECT_EQ(f.TakeRunRecord(back.back(), RunDirection::Backward), C::NoError);
      if (f.ReadRun(RunDirection::Backward, 2, back) == C::NoError) {
        out += " ;";
        for (const RunRecord& r : back) out += " " + Text(r);
      }
    }
  }
  statements = Statements(f) - start;
  EXPECT_EQ(f.EndRead(), C::NoError);
  return out;
}

TEST_P(KeyedFileRunTest, ARunAroundAPlaceReadsWhatTwoRunsReadAndLocallyInOneStatement) {
  Definition.FindField = 0;
  auto f = Handle();
  // On (Tag ignoring case, Count descending): a:9 b:9 c:5 d:5 e:5 f:3 g:3 h:1.
  for (const auto& [url, count, tag] : std::vector<std::tuple<const char*, int, const char*>>{
           {"e", 5, "beta"}, {"a", 9, "Alpha"}, {"h", 1, "gamma"}, {"c", 5, "BETA"},
           {"f", 3, "beta"}, {"b", 9, "alpha"}, {"d", 5, "Beta"}, {"g", 3, "Gamma"}}) {
    AddRecord(*f, url, count, tag);
  }
  Fill(Rec(*f), "f", 0);
  ASSERT_EQ(f->GetByKey(KeyUrl), C::NoError);
  const std::string atF = f->Position(KeyTag);
  auto onBeta = [&] {
    Fill(Rec(*f), "", 0, "BETA");
    ASSERT_EQ(f->SetKeyPosition(KeyTag, 1), C::NoError);
  };
  auto onF = [&] { ASSERT_EQ(f->ResetToPosition(atF), C::NoError); };
  struct Case {
    const char* Name;
    std::function<void()> Place;
    size_t Length, Before, From, BackLength;
    int64_t LocalWith;     // statements on the local driver, with the announcement
    int64_t LocalWithout;  // and without
  };
  const std::vector<Case> cases = {
      {"group boundary, back from its second record", onBeta, 4, 2, 1, 3, 2, 3},
      {"position, back from the first record", onF, 3, 2, 0, 3, 2, 3},
      {"position, more back than announced", onF, 3, 1, 0, 4, 3, 3},
      {"group boundary, back past the file's start", onBeta, 2, 5, 0, 6, 1, 3},
      {"position, forward past the file's end", onF, 8, 3, 2, 2, 1, 3},
  };
  for (const char* find : {"", "e"}) {  // "e": the records whose address has an "e"
    f->Send(std::string("FIND=") + find);
    for (const Case& c : cases) {
      int64_t two = 0;
      int64_t one = 0;
      const std::string expected = ReadAround(*f, c.Place, c.Length, c.Before, c.From, c.BackLength, false, two);
      EXPECT_EQ(ReadAround(*f, c.Place, c.Length, c.Before, c.From, c.BackLength, true, one), expected)
          << c.Name << " find " << find;
      if (!OnServer() && *find == '\0') {
        EXPECT_EQ(one, c.LocalWith) << c.Name;
        EXPECT_EQ(two, c.LocalWithout) << c.Name;
      }
    }
  }
  f->Send("FIND=");
}

}  // namespace

// FIND= narrows reads on either driver to the records whose address contains the text,
// ASCII letters without regard to case, in the order read, in runs and one at a time.
TEST_P(KeyedFileRunTest, FindNarrowsRunsAndStepsOnEveryDriver) {
  Definition.FindField = 0;
  auto f = Handle();
  for (const char* url : {"https://shop.example/a", "http://news.example/", "https://SHOP.example/b",
                          "https://mail.example/", "ftp://workshop.example/"}) {
    AddRecord(*f, url, 1, "t");
  }
  EXPECT_EQ(f->Send("FIND=Shop"), "Shop");
  ASSERT_EQ(f->SetKeyPosition(KeyUrl, 0), C::NoError);
  EXPECT_EQ(ReadInRuns(*f, RunDirection::Forward, 2),
            "ftp://workshop.example/:1 https://SHOP.example/b:1 https://shop.example/a:1");
  ASSERT_EQ(f->SetKeyPosition(KeyTag, 0), C::NoError);
  EXPECT_EQ(ReadInRuns(*f, RunDirection::Backward, 50),
            "ftp://workshop.example/:1 https://SHOP.example/b:1 https://shop.example/a:1");
  EXPECT_EQ(Dump(*f, KeyUrl, true), "ftp://workshop.example/:1 https://SHOP.example/b:1 https://shop.example/a:1");
  EXPECT_EQ(f->Send("FIND=nothing like it"), "nothing like it");
  EXPECT_EQ(Dump(*f, KeyUrl, true), "");
  f->Send("FIND=");
  EXPECT_EQ(Dump(*f, KeyUrl, true).find("news") != std::string::npos, true);
}
