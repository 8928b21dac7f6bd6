// Keyed files on each driver (local files and the server): storage round trips, key
// orders, the cursor, watched writes, duplicate keys, refused layouts and read-only
// files.
#include <sqlite3.h>
#include <sys/stat.h>

#include <vector>

#include "runtime/files/FileProperty.h"
#include "tests/runtime/files/KeyedFileFixture.h"

using namespace testfiles;
using runtime::core::RuntimeError;
using runtime::files::KeyEnd;

namespace {

using KeyedFileTest = DriverFixture;
INSTANTIATE_TEST_SUITE_P(Drivers, KeyedFileTest, ::testing::Values(LocalDriver, ServerDriver), DriverLabel);

TEST_P(KeyedFileTest, WriteCloseReopenAndCompare) {
  const std::string longest(199, 'u');
  {
    auto f = Handle();
    ASSERT_EQ(AddRecord(*f, "http://b", 2, "x"), C::NoError);
    ASSERT_EQ(AddRecord(*f, longest, 7, "y"), C::NoError);
    ASSERT_EQ(AddRecord(*f, "http://a", -1, ""), C::NoError);
    EXPECT_EQ(f->Records(), 3);
    EXPECT_EQ(f->Close(), C::NoError);
  }
  auto f = Handle(ReadWriteShared, false);
  EXPECT_EQ(Dump(*f, KeyUrl), "http://a:-1 http://b:2 " + longest + ":7");
  Fill(Rec(*f), longest, 0);
  ASSERT_EQ(f->GetByKey(KeyUrl), C::NoError);
  EXPECT_EQ(std::string(Rec(*f).Url), longest);  // 199 characters and the terminating NUL
  EXPECT_EQ(Rec(*f).Count, 7);
  EXPECT_EQ(std::string(Rec(*f).Tag), "y");
}

TEST_P(KeyedFileTest, KeysOrderAsDefined) {
  auto f = Handle();
  // Tag ignores case and allows duplicates; Count sorts descending within a tag.
  AddRecord(*f, "c", 1, "beta");
  AddRecord(*f, "A", 5, "Alpha");
  AddRecord(*f, "b", 9, "alpha");
  AddRecord(*f, "a", 3, "BETA");
  AddRecord(*f, "d", 3, "beta");
  struct Case {
    int Key;
    bool Forward;
    std::string Expected;
  };
  const std::vector<Case> cases = {
      {KeyUrl, true, "A:5 a:3 b:9 c:1 d:3"},               // bytewise: upper case first
      {KeyUrl, false, "d:3 c:1 b:9 a:3 A:5"},
      {KeyTag, true, "b:9 A:5 a:3 d:3 c:1"},               // duplicates in the order added
      {KeyTag, false, "c:1 d:3 a:3 A:5 b:9"},
      {0, true, "c:1 A:5 b:9 a:3 d:3"},                    // the file's own order
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Dump(*f, c.Key, c.Forward), c.Expected) << "key " << c.Key << (c.Forward ? " forward" : " backward");
  }
}

TEST_P(KeyedFileTest, KeysThatIgnoreCaseOrderAsUpperCaseText) {
  // Between "Z" and "a" lie "[", "\\", "]", "^", "_" and "`": folded to upper case they sort
  // after the letters, as the program's UPPER(...) comparisons and ranges expect.
  auto f = Handle();
  AddRecord(*f, "1", 1, "a_b");
  AddRecord(*f, "2", 1, "aZb");
  AddRecord(*f, "3", 1, "a[b");
  AddRecord(*f, "4", 1, "AAB");
  EXPECT_EQ(Dump(*f, KeyTag), "4:1 2:1 3:1 1:1");
  Fill(Rec(*f), "", 0, "AZZ");
  f->SetComponentToEnd(KeyTag, 2, KeyEnd::First);
  ASSERT_EQ(f->SetKeyPosition(KeyTag, 1), C::NoError);
  ASSERT_EQ(f->Next(), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "3");  // "A[B" is the first at or after "AZZ"
}

TEST_P(KeyedFileTest, AKeyUniqueOnTheExactTextOrdersWithoutCaseButHoldsBothSpellings) {
  Definition.Keys[0].Case = runtime::files::KeyCase::NoCase;
  Definition.Keys[0].Uniqueness = runtime::files::KeyUniqueness::ExactText;
  auto f = Handle();
  ASSERT_EQ(AddRecord(*f, "b", 1), C::NoError);
  ASSERT_EQ(AddRecord(*f, "Abc", 2), C::NoError);
  ASSERT_EQ(AddRecord(*f, "abc", 3), C::NoError);
  EXPECT_EQ(AddRecord(*f, "abc", 4), C::DuplicateKey);
  EXPECT_EQ(Dump(*f, KeyUrl), "Abc:2 abc:3 b:1");
  Fill(Rec(*f), "abc", 0);
  ASSERT_EQ(f->GetByKey(KeyUrl), C::NoError);
  EXPECT_EQ(Rec(*f).Count, 3);
  EXPECT_FALSE(f->WouldDuplicate(KeyUrl));
  std::snprintf(Rec(*f).Url, sizeof Rec(*f).Url, "Abc");
  EXPECT_TRUE(f->WouldDuplicate(KeyUrl));
  EXPECT_EQ(f->Put(), C::DuplicateKey);
  std::snprintf(Rec(*f).Url, sizeof Rec(*f).Url, "ABC");
  EXPECT_FALSE(f->WouldDuplicate(KeyUrl));
}

TEST_P(KeyedFileTest, SetKeyPositionThenNextAndPreviousAtBothEnds) {
  auto f = Handle();
  for (const char* u : {"b", "d", "f"}) AddRecord(*f, u, 0);

  // At the buffer's value: Next reads it or the one after, Previous it or the one before.
  Fill(Rec(*f), "c", 0);
  ASSERT_EQ(f->SetKeyPosition(KeyUrl, 1), C::NoError);
  ASSERT_EQ(f->Next(), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "d");
  ASSERT_EQ(f->Previous(), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "b");
  EXPECT_EQ(f->Previous(), C::RecordNotAvailable);
  EXPECT_STREQ(Rec(*f).Url, "b");  // a failed read leaves the buffer alone
  ASSERT_EQ(f->Next(), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "d");

  Fill(Rec(*f), "d", 0);
  ASSERT_EQ(f->SetKeyPosition(KeyUrl, 1), C::NoError);
  ASSERT_EQ(f->Previous(), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "d");

  // Past the last value: nothing after, the last before.
  Fill(Rec(*f), "z", 0);
  ASSERT_EQ(f->SetKeyPosition(KeyUrl, 1), C::NoError);
  EXPECT_EQ(f->Next(), C::RecordNotAvailable);
  ASSERT_EQ(f->SetKeyPosition(KeyUrl, 1), C::NoError);
  ASSERT_EQ(f->Previous(), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "f");
  EXPECT_EQ(f->Next(), C::RecordNotAvailable);

  // At the start: Previous reads the last record (how automatic numbering finds the top).
  ASSERT_EQ(f->SetKeyPosition(KeyUrl, 0), C::NoError);
  ASSERT_EQ(f->Previous(), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "f");
}

TEST_P(KeyedFileTest, HighestComponentValueFindsTheLastOfAGroup) {
  auto f = Handle();
  AddRecord(*f, "1", 4, "g");
  AddRecord(*f, "2", 9, "g");
  AddRecord(*f, "3", 1, "h");
  // Count sorts descending in KeyTag, so its last value there is the lowest count.
  Fill(Rec(*f), "", 0, "G");
  f->SetComponentToEnd(KeyTag, 2, KeyEnd::Last);
  EXPECT_EQ(Rec(*f).Count, INT32_MIN);
  ASSERT_EQ(f->SetKeyPosition(KeyTag, 2), C::NoError);
  ASSERT_EQ(f->Previous(), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "1");
  EXPECT_EQ(Rec(*f).Count, 4);
}

TEST_P(KeyedFileTest, DuplicateKeyIsRefusedAndReported) {
  auto f = Handle();
  ASSERT_EQ(AddRecord(*f, "same", 1), C::NoError);
  ASSERT_EQ(AddRecord(*f, "other", 2), C::NoError);
  EXPECT_EQ(AddRecord(*f, "same", 3), C::DuplicateKey);
  EXPECT_EQ(RuntimeError::Code(), C::DuplicateKey);
  EXPECT_EQ(f->Records(), 2);

  // Changing "other" into "same" clashes too; the record itself never does.
  Fill(Rec(*f), "other", 0);
  ASSERT_EQ(f->GetByKey(KeyUrl), C::NoError);
  EXPECT_FALSE(f->WouldDuplicate(KeyUrl));
  std::snprintf(Rec(*f).Url, sizeof Rec(*f).Url, "same");
  EXPECT_TRUE(f->WouldDuplicate(KeyUrl));
  EXPECT_FALSE(f->WouldDuplicate(KeyTag));  // allows duplicates
  EXPECT_EQ(f->FirstDuplicateKey(), KeyUrl);
  EXPECT_EQ(f->Put(), C::DuplicateKey);
  // With the current record forgotten (an insert), the record's own key clashes.
  std::snprintf(Rec(*f).Url, sizeof Rec(*f).Url, "other");
  f->ForgetCurrent();
  EXPECT_TRUE(f->WouldDuplicate(KeyUrl));
  EXPECT_EQ(f->Put(), C::RecordNotAvailable);
}

TEST_P(KeyedFileTest, WatchedPutAndDeleteFailWhenChangedElsewhere) {
  auto mine = Handle();
  auto theirs = Handle(ReadWriteShared, false);
  AddRecord(*mine, "x", 1);
  AddRecord(*mine, "y", 1);

  Fill(Rec(*mine), "x", 0);
  ASSERT_EQ(mine->Watch(), C::NoError);
  ASSERT_EQ(mine->GetByKey(KeyUrl), C::NoError);
  Fill(Rec(*theirs), "x", 0);
  ASSERT_EQ(theirs->GetByKey(KeyUrl), C::NoError);
  Rec(*theirs).Count = 50;
  ASSERT_EQ(theirs->Put(), C::NoError);

  Rec(*mine).Count = 2;
  EXPECT_EQ(mine->Put(), C::RecordChanged);
  EXPECT_EQ(mine->Delete(), C::RecordChanged);
  // Re-read with the watch armed again: the other station's version, and now it puts.
  const std::string at = mine->Position(KeyUrl);
  ASSERT_EQ(mine->Watch(), C::NoError);
  ASSERT_EQ(mine->GetByPosition(at), C::NoError);
  EXPECT_EQ(Rec(*mine).Count, 50);
  Rec(*mine).Count = 51;
  EXPECT_EQ(mine->Put(), C::NoError);
  Rec(*mine).Count = 52;
  EXPECT_EQ(mine->Put(), C::NoError);  // our own put does not count as a change elsewhere

  // Unwatched writes are last-writer-wins; a watched record deleted elsewhere is 89.
  Fill(Rec(*mine), "y", 0);
  ASSERT_EQ(mine->Watch(), C::NoError);
  ASSERT_EQ(mine->GetByKey(KeyUrl), C::NoError);
  Fill(Rec(*theirs), "y", 0);
  ASSERT_EQ(theirs->GetByKey(KeyUrl), C::NoError);
  ASSERT_EQ(theirs->Delete(), C::NoError);
  EXPECT_EQ(mine->Put(), C::RecordChanged);
  EXPECT_EQ(Dump(*theirs, KeyUrl), "x:52");
}

TEST_P(KeyedFileTest, PositionsReadAndResetEvenAfterTheRecordIsGone) {
  auto f = Handle();
  for (const char* u : {"a", "b", "c", "d"}) AddRecord(*f, u, 0);
  Fill(Rec(*f), "b", 0);
  ASSERT_EQ(f->GetByKey(KeyUrl), C::NoError);
  const std::string b = f->Position(KeyUrl);
  ASSERT_FALSE(b.empty());
  EXPECT_LE(b.size(), KeyedFile::MaxPositionLength);

  f->ClearBuffer();
  ASSERT_EQ(f->GetByPosition(b), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "b");
  ASSERT_EQ(f->ResetToPosition(b), C::NoError);
  ASSERT_EQ(f->Next(), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "b");
  ASSERT_EQ(f->Next(), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "c");

  // Delete "b": reading its position fails, resetting to it lands between a and c.
  Fill(Rec(*f), "b", 0);
  ASSERT_EQ(f->GetByKey(KeyUrl), C::NoError);
  ASSERT_EQ(f->Delete(), C::NoError);
  EXPECT_EQ(f->Delete(), C::RecordNotAvailable);
  EXPECT_EQ(f->GetByPosition(b), C::NotFound);
  ASSERT_EQ(f->ResetToPosition(b), C::NoError);
  ASSERT_EQ(f->Previous(), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "a");
  ASSERT_EQ(f->ResetToPosition(b), C::NoError);
  ASSERT_EQ(f->Next(), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "c");

  for (const std::string bad : {"", "garbage", "K9|i1", "K1|i1|tb|textra", "K1|x"}) {
    EXPECT_EQ(f->ResetToPosition(bad), C::RecordNotAvailable) << bad;
  }
}

TEST_P(KeyedFileTest, SavedStateBringsBackBufferCursorAndWatch) {
  auto f = Handle();
  auto other = Handle(ReadWriteShared, false);
  for (const char* u : {"a", "b", "c"}) AddRecord(*f, u, 0);
  Fill(Rec(*f), "b", 0);
  ASSERT_EQ(f->Watch(), C::NoError);
  ASSERT_EQ(f->GetByKey(KeyUrl), C::NoError);
  const int32_t state = f->SaveState();
  ASSERT_GT(state, 0);

  ASSERT_EQ(f->SetKeyPosition(KeyUrl, 0), C::NoError);
  ASSERT_EQ(f->Next(), C::NoError);  // "a"
  ASSERT_EQ(f->RestoreState(state), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "b");
  ASSERT_EQ(f->Next(), C::NoError);
  EXPECT_STREQ(Rec(*f).Url, "c");

  ASSERT_EQ(f->RestoreState(state), C::NoError);
  Fill(Rec(*other), "b", 0);
  ASSERT_EQ(other->GetByKey(KeyUrl), C::NoError);
  ASSERT_EQ(other->Put(), C::NoError);
  EXPECT_EQ(f->Put(), C::RecordChanged);  // the watch came back with the state

  f->FreeState(state);
  EXPECT_EQ(f->RestoreState(state), C::RecordNotAvailable);
}

TEST_P(KeyedFileTest, ChangedLayoutIsRefusedAndTheFileLeftUntouched) {
  { Handle(); }
  const std::string before = Stored();
  ASSERT_FALSE(before.empty());

  std::vector<runtime::files::FileDefinition> changed(3, Definition);
  changed[0].Keys[0].Case = runtime::files::KeyCase::NoCase;
  changed[1].Keys.pop_back();
  static const runtime::data::RecordType wider("Wider", sizeof(TestRecord),
                                               {{"URL:URL", 0, 200, runtime::data::FieldKind::CString, 0}});
  changed[2].Record = &wider;
  changed[2].Keys.resize(1);
  for (size_t i = 0; i < changed.size(); ++i) {
    KeyedFile f;
    ASSERT_EQ(f.Init(changed[i]), C::NoError);
    f.SetName(Base());
    EXPECT_EQ(f.Open(ReadWriteShared), C::InvalidFileStructure) << i;
    EXPECT_EQ(f.Create(), C::InvalidFileStructure) << i;
    EXPECT_FALSE(f.IsOpen());
  }
  EXPECT_EQ(Stored(), before);
}

TEST_P(KeyedFileTest, DamagedOrForeignFilesAreRefusedWithoutACrash) {
  if (OnServer()) {
    // Someone else's table of the same name, with and without a layout of ours.
    Server->Exec("CREATE TABLE urllist(x int); INSERT INTO urllist VALUES (7)");
    for (int withLayout = 0; withLayout < 2; ++withLayout) {
      KeyedFile f;
      ASSERT_EQ(f.Init(Definition), C::NoError);
      f.SetName(Base());
      EXPECT_EQ(f.Open(ReadWriteShared), C::InvalidFileStructure) << withLayout;
      EXPECT_EQ(f.Create(), C::InvalidFileStructure) << withLayout;
      Server->Exec("CREATE TABLE vk_layout(name text PRIMARY KEY, value text NOT NULL); "
                   "INSERT INTO vk_layout VALUES ('urllist', 'pgformat=1;size=1')");
    }
    EXPECT_EQ(Server->Exec("SELECT string_agg(x::text, ',') FROM urllist"), "7");
    return;
  }
  struct Case {
    const char* Name;
    std::string Contents;
  };
  const std::vector<Case> cases = {
      {"garbage", std::string(4096, 'x')},
      {"empty", ""},
      {"truncated header", "SQLite format 3"},
  };
  for (const Case& c : cases) {
    { std::ofstream(Path(), std::ios::binary) << c.Contents; }
    KeyedFile f;
    ASSERT_EQ(f.Init(Definition), C::NoError);
    f.SetName(Base());
    const int32_t code = f.Open(ReadWriteShared);
    EXPECT_TRUE(code == C::InvalidFileStructure || code == C::DriverError) << c.Name << ": " << code;
    EXPECT_EQ(Bytes(Path()), c.Contents) << c.Name;
  }
  // A database of someone else's.
  std::filesystem::remove(Path());
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(Path().c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  KeyedFile f;
  ASSERT_EQ(f.Init(Definition), C::NoError);
  f.SetName(Base());
  EXPECT_EQ(f.Open(ReadWriteShared), C::InvalidFileStructure);
}

TEST_P(KeyedFileTest, ReadOnlyFileDeniesWriteAccessButOpensReadOnly) {
  { AddRecord(*Handle(), "kept", 1); }
  if (OnServer()) {
    // A role that may read the list but not change it.
    const std::string reader = Server->SchemaName() + "_reader";
    Server->Exec("DROP ROLE IF EXISTS " + reader + "; CREATE ROLE " + reader + " LOGIN; GRANT USAGE ON SCHEMA " +
                 Server->SchemaName() + " TO " + reader + "; GRANT SELECT ON ALL TABLES IN SCHEMA " +
                 Server->SchemaName() + " TO " + reader);
    ASSERT_EQ(Server->Error, "");
    UseRole(reader);
  } else {
    ASSERT_EQ(chmod(Path().c_str(), 0444), 0);
  }
  KeyedFile f;
  ASSERT_EQ(f.Init(Definition), C::NoError);
  f.SetName(Base());
  EXPECT_EQ(f.Open(ReadWriteShared), C::AccessDenied);
  ASSERT_EQ(f.Open(ReadOnlyShared), C::NoError);
  EXPECT_EQ(Dump(f, KeyUrl), "kept:1");
  EXPECT_EQ(AddRecord(f, "new", 1), C::AccessDenied);
}

TEST_P(KeyedFileTest, MissingFileAndMissingKeyIndex) {
  KeyedFile f;
  ASSERT_EQ(f.Init(Definition), C::NoError);
  f.SetName(Base());
  EXPECT_EQ(f.Open(ReadWriteShared), C::NotFound);
  EXPECT_EQ(f.Next(), C::FileNotOpen);
  ASSERT_EQ(f.Create(), C::NoError);
  ASSERT_EQ(f.Open(ReadWriteShared), C::NoError);
  EXPECT_EQ(f.Open(ReadWriteShared), C::AlreadyOpen);
  EXPECT_EQ(f.Name(), Name());
  ASSERT_EQ(f.Close(), C::NoError);

  if (OnServer()) {
    Server->Exec("DROP INDEX urllist_key2");
    ASSERT_EQ(Server->Error, "");
  } else {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Path().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "DROP INDEX \"URL:KEYTAG\"", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
  EXPECT_EQ(f.Open(ReadWriteShared), C::KeyFileInvalid);
  ASSERT_EQ(f.BuildKeys(), C::NoError);
  EXPECT_EQ(f.Open(ReadWriteShared), C::NoError);
}

TEST_P(KeyedFileTest, PropertiesAndOptionsTheManagersRead) {
  auto f = Handle();
  using P = runtime::files::FileProperty;
  struct Case {
    int Key;
    int32_t Property;
    int32_t Index;
    std::string Expected;
  };
  const std::vector<Case> cases = {
      {0, P::Label, 0, Name()},        {0, P::FieldCount, 0, "3"},   {0, P::FieldName, 3, "URL:TAG"},
      {0, P::KeyCount, 0, "2"},        {0, P::PerThread, 0, "1"},    {0, P::MemoCount, 0, "0"},
      {0, P::Records, 0, "0"},         {0, P::Transaction, 0, "0"},  {1, P::Label, 0, "URL:KEYURL"},
      {1, P::Primary, 0, "1"},         {1, P::Duplicates, 0, "0"},   {2, P::Duplicates, 0, "1"},
      {2, P::NoCase, 0, "1"},          {2, P::Components, 0, "2"},   {2, P::ComponentField, 2, "2"},
      {2, P::ComponentAscending, 2, "0"}, {2, P::KeyFlags, 0, "3"},
  };
  for (const Case& c : cases) {
    const std::string got = c.Key == 0 ? f->Property(c.Property, c.Index) : f->KeyProperty(c.Key, c.Property, c.Index);
    EXPECT_EQ(got, c.Expected) << "key " << c.Key << " property " << c.Property;
    EXPECT_EQ(RuntimeError::Code(), C::NoError);
  }
  EXPECT_EQ(f->Property(12345), "");
  EXPECT_EQ(RuntimeError::Code(), C::NotSupported);

  EXPECT_EQ(f->Send("Recover=3"), "3");
  EXPECT_EQ(RuntimeError::Code(), C::NoError);
  EXPECT_EQ(f->Send("QUICKSCAN=on"), "on");
  EXPECT_EQ(f->Send("quickscan=OFF"), "off");
  f->Send("FROBNICATE=1");
  EXPECT_EQ(RuntimeError::Code(), C::NotSupported);
}

}  // namespace
