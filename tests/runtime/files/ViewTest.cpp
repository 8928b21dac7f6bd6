// Views over a keyed file: orders through keys and sorted, filters, positioning at the
// start, at buffer values and at positions, reading at both ends, opening twice, bad
// texts, and that a keyed page reads only the records it shows.
#include "runtime/files/View.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "runtime/core/RuntimeError.h"
#include "runtime/files/FileCallback.h"
#include "runtime/files/FileOpcode.h"
#include "runtime/files/Transaction.h"
#include "runtime/files/ViewProperty.h"
#include "tests/runtime/files/KeyedFileFixture.h"

namespace {

using runtime::core::RuntimeError;
using runtime::files::FileCallback;
using runtime::files::FileOpcode;
using runtime::files::View;
using runtime::files::ViewProperty;
using testfiles::C;
using testfiles::KeyedFile;
using testfiles::ReadWriteShared;

class ViewTest : public testfiles::KeyedFileFixture {
 protected:
  void SetUp() override {
    KeyedFileFixture::SetUp();
    File = Handle();
    // Added in this order: the file's own order.
    AddRecord(*File, "b.example", 2, "beta");
    AddRecord(*File, "A.example", 5, "Alpha");
    AddRecord(*File, "c.example", 1, "alpha");
    AddRecord(*File, "a.example", 3, "Beta");
    TheView.Init(*File);
    ASSERT_EQ(TheView.Open(ReadWriteDenyWrite), C::NoError);
  }

  std::string Url() { return Rec(*File).Url; }

  // The urls read from the start (forward) or from the end (backward).
  std::string Dump(bool forward = true) {
    EXPECT_EQ(TheView.Reset(), C::NoError);
    std::string out;
    while ((forward ? TheView.Next() : TheView.Previous()) == C::NoError) out += (out.empty() ? "" : " ") + Url();
    EXPECT_EQ(TheView.ErrorCode(), C::RecordNotAvailable);
    EXPECT_EQ(RuntimeError::Code(), C::RecordNotAvailable);
    return out;
  }

  static std::string Reversed(const std::string& words) {
    std::string out, word;
    for (char c : words + " ") {
      if (c != ' ') {
        word += c;
        continue;
      }
      out = word + (out.empty() ? "" : " ") + out;
      word.clear();
    }
    return out;
  }

  static constexpr uint8_t ReadWriteDenyWrite = 0x22;
  std::unique_ptr<KeyedFile> File;
  View TheView;
};

TEST_F(ViewTest, OrdersReadThroughTheirKeyOrSorted) {
  struct Case {
    const char* Order;
    std::optional<int> Key;  // nothing: read sorted
    const char* Expected;
  };
  const Case cases[] = {
      {"", 0, "b.example A.example c.example a.example"},
      {"URL:URL", testfiles::KeyUrl, "A.example a.example b.example c.example"},
      {"+url:url", testfiles::KeyUrl, "A.example a.example b.example c.example"},
      {"UPPER(URL:TAG),-URL:COUNT", testfiles::KeyTag, "A.example c.example a.example b.example"},
      // Keys built from the definition name their fields plainly, whatever their case rule.
      {"URL:TAG,-URL:COUNT", testfiles::KeyTag, "A.example c.example a.example b.example"},
      {" UPPER(URL:TAG) ", testfiles::KeyTag, "A.example c.example a.example b.example"},
      // No key gives these: read sorted, ties in the order the records were added.
      {"-URL:URL", std::nullopt, "c.example b.example a.example A.example"},
      {"-UPPER(URL:URL)", std::nullopt, "c.example b.example A.example a.example"},
      {"URL:TAG,URL:COUNT", std::nullopt, "A.example a.example c.example b.example"},
      {"URL:COUNT", std::nullopt, "c.example b.example a.example A.example"},
      {"SUB(URL:URL,1,1),-URL:COUNT", std::nullopt, "A.example a.example b.example c.example"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(TheView.SetOrder(c.Order), C::NoError) << c.Order;
    EXPECT_EQ(TheView.OrderKey(), c.Key) << c.Order;
    EXPECT_EQ(TheView.Order(), c.Order);
    EXPECT_EQ(Dump(true), c.Expected) << c.Order;
    EXPECT_EQ(Dump(false), Reversed(c.Expected)) << c.Order;
  }
}

TEST_F(ViewTest, FiltersSkipRecordsInBothDirections) {
  struct Case {
    const char* Order;
    const char* Filter;
    const char* Expected;
  };
  const Case cases[] = {
      {"URL:URL", "URL:COUNT >= 2 AND URL:COUNT <= 3", "a.example b.example"},
      {"-URL:URL", "URL:COUNT >= 2 AND URL:COUNT <= 3", "b.example a.example"},
      {"URL:URL", "UPPER(URL:TAG) = 'ALPHA'", "A.example c.example"},
      {"URL:COUNT", "INSTRING('A',UPPER(URL:TAG),1,1) <> 0", "c.example b.example a.example A.example"},
      {"URL:URL", "URL:COUNT > 99", ""},
      {"URL:URL", "", "A.example a.example b.example c.example"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(TheView.SetOrder(c.Order), C::NoError);
    ASSERT_EQ(TheView.SetFilter(c.Filter), C::NoError) << c.Filter;
    EXPECT_EQ(TheView.Filter(), c.Filter);
    EXPECT_EQ(Dump(true), c.Expected) << c.Order << " / " << c.Filter;
    EXPECT_EQ(Dump(false), Reversed(c.Expected)) << c.Order << " / " << c.Filter;
  }
}

TEST_F(ViewTest, ReadingPastTheEndsKeepsTheBufferAndTurnsBack) {
  for (const char* order : {"URL:URL", "-URL:COUNT"}) {
    ASSERT_EQ(TheView.SetOrder(order), C::NoError);
    // The filter rejects the records beyond the ends, so the last read skips some.
    ASSERT_EQ(TheView.SetFilter("URL:TAG <> 'beta' AND URL:TAG <> 'Alpha'"), C::NoError);
    ASSERT_EQ(TheView.Reset(), C::NoError);
    ASSERT_EQ(TheView.Next(), C::NoError);
    const std::string first = Url();
    ASSERT_EQ(TheView.Next(), C::NoError);
    const std::string last = Url();
    const std::string lastPosition = TheView.Position();
    EXPECT_EQ(TheView.Next(), C::RecordNotAvailable) << order;
    EXPECT_EQ(Url(), last) << order;
    EXPECT_EQ(TheView.Position(), lastPosition) << order;
    EXPECT_EQ(TheView.Previous(), C::NoError) << order;
    EXPECT_EQ(Url(), first) << order;
    EXPECT_EQ(TheView.Previous(), C::RecordNotAvailable) << order;
    EXPECT_EQ(Url(), first) << order;
    EXPECT_EQ(TheView.Next(), C::NoError) << order;
    EXPECT_EQ(Url(), last) << order;
  }
}

TEST_F(ViewTest, ResetToTheBufferValuesOfLeadingComponents) {
  struct Case {
    const char* Order;
    const char* Url;
    int32_t Count;
    const char* Tag;
    size_t Components;
    const char* NextUrl;      // "" for none
    const char* PreviousUrl;  // "" for none
  };
  const Case cases[] = {
      {"URL:URL", "b", 0, "", 1, "b.example", "a.example"},
      {"URL:URL", "b.example", 0, "", 1, "b.example", "b.example"},
      {"URL:URL", "d", 0, "", 1, "", "c.example"},
      {"URL:URL", "", 0, "", 0, "A.example", "c.example"},
      // Ignoring case, counts descending within a tag.
      {"URL:TAG,-URL:COUNT", "", 3, "alpha", 2, "c.example", "A.example"},
      {"URL:TAG,-URL:COUNT", "", 0, "BETA", 1, "a.example", "b.example"},
      // Sorted reading positions the same way.
      {"URL:COUNT", "", 3, "", 1, "a.example", "a.example"},
      {"URL:COUNT", "", 4, "", 1, "A.example", "a.example"},
      {"-URL:URL", "b", 0, "", 1, "a.example", "b.example"},
      {"-URL:URL", "z", 0, "", 1, "c.example", ""},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(TheView.SetOrder(c.Order), C::NoError);
    for (bool forward : {true, false}) {
      testfiles::Fill(Rec(*File), c.Url, c.Count, c.Tag);
      ASSERT_EQ(TheView.Reset(c.Components), C::NoError) << c.Order;
      // Positioning leaves the caller's values in the buffer.
      EXPECT_EQ(Url(), c.Url);
      const int32_t rc = forward ? TheView.Next() : TheView.Previous();
      const std::string expected = forward ? c.NextUrl : c.PreviousUrl;
      if (expected.empty()) {
        EXPECT_EQ(rc, C::RecordNotAvailable) << c.Order << " " << c.Url << c.Tag;
      } else {
        EXPECT_EQ(rc, C::NoError) << c.Order << " " << c.Url << c.Tag;
        EXPECT_EQ(Url(), expected) << c.Order << " " << c.Url << c.Tag << (forward ? " next" : " previous");
      }
    }
  }
}

TEST_F(ViewTest, ResetToAPositionOfThisOrderAnotherOrderOrADeletedRecord) {
  for (const char* order : {"URL:URL", "-URL:COUNT"}) {
    ASSERT_EQ(TheView.SetOrder(order), C::NoError);
    ASSERT_EQ(TheView.Reset(), C::NoError);
    ASSERT_EQ(TheView.Next(), C::NoError);
    ASSERT_EQ(TheView.Next(), C::NoError);
    const std::string second = Url();
    const std::string position = TheView.Position();
    ASSERT_EQ(TheView.Next(), C::NoError);
    const std::string third = Url();
    ASSERT_EQ(TheView.ResetToPosition(position), C::NoError);
    EXPECT_EQ(Url(), third) << "positioning leaves the buffer alone";
    ASSERT_EQ(TheView.Next(), C::NoError);
    EXPECT_EQ(Url(), second) << order;
    ASSERT_EQ(TheView.ResetToPosition(position), C::NoError);
    ASSERT_EQ(TheView.Previous(), C::NoError);
    EXPECT_EQ(Url(), second) << order;
  }

  // A position taken in the file's own order, used in the url order.
  ASSERT_EQ(TheView.SetOrder(""), C::NoError);
  ASSERT_EQ(TheView.Reset(), C::NoError);
  ASSERT_EQ(TheView.Next(), C::NoError);  // b.example, added first
  const std::string ownOrder = TheView.Position();
  ASSERT_EQ(TheView.SetOrder("URL:URL"), C::NoError);
  ASSERT_EQ(TheView.ResetToPosition(ownOrder), C::NoError);
  ASSERT_EQ(TheView.Next(), C::NoError);
  EXPECT_EQ(Url(), "b.example");
  ASSERT_EQ(TheView.Next(), C::NoError);
  EXPECT_EQ(Url(), "c.example");

  // The record of a position is deleted by another station: the view goes on after it.
  ASSERT_EQ(TheView.Reset(), C::NoError);
  ASSERT_EQ(TheView.Next(), C::NoError);
  ASSERT_EQ(TheView.Next(), C::NoError);
  ASSERT_EQ(TheView.Next(), C::NoError);  // b.example
  const std::string gone = TheView.Position();
  auto other = Handle(ReadWriteShared, false);
  testfiles::Fill(Rec(*other), "b.example", 0, "");
  ASSERT_EQ(other->GetByKey(testfiles::KeyUrl), C::NoError);
  ASSERT_EQ(other->Delete(), C::NoError);
  ASSERT_EQ(TheView.ResetToPosition(gone), C::NoError);
  ASSERT_EQ(TheView.Next(), C::NoError);
  EXPECT_EQ(Url(), "c.example");
  ASSERT_EQ(TheView.ResetToPosition(gone), C::NoError);
  ASSERT_EQ(TheView.Previous(), C::NoError);
  EXPECT_EQ(Url(), "a.example");
}

TEST_F(ViewTest, SortedReadingSkipsRecordsDeletedOrChangedSince) {
  ASSERT_EQ(TheView.SetOrder("URL:COUNT"), C::NoError);
  ASSERT_EQ(TheView.SetFilter("URL:COUNT < 5"), C::NoError);
  ASSERT_EQ(TheView.Reset(), C::NoError);
  auto other = Handle(ReadWriteShared, false);
  testfiles::Fill(Rec(*other), "b.example", 0, "");
  ASSERT_EQ(other->GetByKey(testfiles::KeyUrl), C::NoError);
  ASSERT_EQ(other->Delete(), C::NoError);
  testfiles::Fill(Rec(*other), "a.example", 0, "");
  ASSERT_EQ(other->GetByKey(testfiles::KeyUrl), C::NoError);
  Rec(*other).Count = 50;
  ASSERT_EQ(other->Put(), C::NoError);
  ASSERT_EQ(TheView.Next(), C::NoError);
  EXPECT_EQ(Url(), "c.example");
  EXPECT_EQ(TheView.Next(), C::RecordNotAvailable);
}

TEST_F(ViewTest, OpenTwiceCloseAndAFileThatIsNotOpen) {
  EXPECT_EQ(TheView.Open(ReadWriteDenyWrite), C::AlreadyOpen);
  EXPECT_EQ(RuntimeError::Code(), C::AlreadyOpen);
  EXPECT_TRUE(TheView.IsOpen());
  EXPECT_EQ(Dump(), "b.example A.example c.example a.example");
  EXPECT_EQ(TheView.Close(), C::NoError);
  EXPECT_EQ(TheView.Next(), C::FileNotOpen);
  EXPECT_EQ(TheView.Reset(), C::FileNotOpen);
  // Open again: at the start of the order.
  ASSERT_EQ(TheView.Open(ReadWriteDenyWrite), C::NoError);
  ASSERT_EQ(TheView.Next(), C::NoError);
  EXPECT_EQ(Url(), "b.example");

  KeyedFile closed;
  ASSERT_EQ(closed.Init(Definition), C::NoError);
  View view;
  view.Init(closed);
  EXPECT_EQ(view.Open(ReadWriteDenyWrite), C::FileNotOpen);
  EXPECT_FALSE(view.IsOpen());
  view.Teardown();
  view.Teardown();
}

TEST_F(ViewTest, AnEmptyFileHasNoRecordAtEitherEnd) {
  ASSERT_EQ(File->Close(), C::NoError);
  std::filesystem::remove(Path());
  File = Handle();
  TheView.Init(*File);
  ASSERT_EQ(TheView.Open(ReadWriteDenyWrite), C::NoError);
  for (const char* order : {"URL:URL", "URL:COUNT"}) {
    ASSERT_EQ(TheView.SetOrder(order), C::NoError);
    EXPECT_EQ(Dump(true), "");
    EXPECT_EQ(Dump(false), "");
    EXPECT_EQ(TheView.Position(), "");
    EXPECT_EQ(TheView.ErrorCode(), C::RecordNotAvailable);
  }
}

TEST_F(ViewTest, BadTextsAreRefusedWithThePlaceAndTheViewGoesOnWithoutThem) {
  ASSERT_EQ(TheView.SetOrder("URL:URL"), C::NoError);
  ASSERT_EQ(TheView.SetFilter("URL:COUNT > 2"), C::NoError);
  EXPECT_EQ(TheView.SetFilter("URL:COUNT > "), View::ErrorBadExpression);
  EXPECT_EQ(RuntimeError::Code(), View::ErrorBadExpression);
  EXPECT_NE(RuntimeError::Text().find("position 13"), std::string::npos) << RuntimeError::Text();
  EXPECT_EQ(TheView.Filter(), "");
  EXPECT_EQ(Dump(), "A.example a.example b.example c.example");

  EXPECT_EQ(TheView.SetOrder("URL:URL,-URL:NOPE"), View::ErrorBadExpression);
  EXPECT_NE(RuntimeError::Text().find("unknown name 'URL:NOPE' at position 10"), std::string::npos)
      << RuntimeError::Text();
  EXPECT_EQ(TheView.Order(), "");
  EXPECT_EQ(TheView.OrderKey(), 0);
  EXPECT_EQ(TheView.SetOrder("URL:URL,"), View::ErrorBadExpression);
  EXPECT_EQ(Dump(), "b.example A.example c.example a.example");
}

TEST_F(ViewTest, PropertiesTheViewManagerReads) {
  EXPECT_EQ(TheView.SetProperty(ViewProperty::Order, "-URL:COUNT"), C::NoError);
  EXPECT_EQ(TheView.SetProperty(ViewProperty::Filter, "URL:COUNT < 5"), C::NoError);
  EXPECT_EQ(TheView.Property(ViewProperty::Order), "-URL:COUNT");
  EXPECT_EQ(TheView.Property(ViewProperty::Filter), "URL:COUNT < 5");
  EXPECT_EQ(Dump(), "a.example b.example c.example");
  EXPECT_EQ(TheView.Property(ViewProperty::FileCount), "1");
  EXPECT_EQ(TheView.Property(ViewProperty::File, 1), "UrlList");
  EXPECT_EQ(TheView.File(1), File.get());
  EXPECT_EQ(TheView.Property(ViewProperty::FieldCount), "3");
  EXPECT_EQ(TheView.Property(ViewProperty::FieldFile, 3), "1");
  EXPECT_EQ(TheView.Property(ViewProperty::FieldNumber, 3), "3");
  // The view's fields are the record buffer's.
  EXPECT_TRUE(TheView.Field(2).SameVariable(runtime::data::FieldRef::Of(Rec(*File).Count)));
  EXPECT_TRUE(TheView.Field(4).IsNull());
  EXPECT_EQ(TheView.SetProperty(ViewProperty::FetchSize, "60"), C::NoError);
  EXPECT_EQ(TheView.Property(ViewProperty::FetchSize), "60");
  EXPECT_EQ(TheView.Property(12345), "");
  EXPECT_EQ(TheView.ErrorCode(), C::NotSupported);
  TheView.SetBuffer(25, 3, 1, 30);
  EXPECT_EQ(TheView.PageSize(), 25);
  EXPECT_EQ(TheView.TimeOut(), 30);
}

// Counts the reads that reach the file.
class ReadCounter : public FileCallback {
 public:
  uint8_t BeforeFileOperation(int32_t opcode, Block&) override {
    if (opcode == FileOpcode::Next || opcode == FileOpcode::Previous || opcode == FileOpcode::GetByPosition) ++Reads;
    return 1;
  }
  uint8_t AfterFileOperation(int32_t, Block&) override { return 1; }
  int Reads = 0;
};

TEST_F(ViewTest, AKeyedPageReadsOnlyItsRecordsWhileASortedOneReadsTheFile) {
  constexpr int Records = 500;
  constexpr int Page = 20;
  ASSERT_EQ(runtime::files::Transaction::Begin(10, {File.get()}), C::NoError);
  for (int i = 0; i < Records; ++i) AddRecord(*File, testfiles::StationUrl(i), i, "t");
  ASSERT_EQ(runtime::files::Transaction::Commit(), C::NoError);
  ReadCounter counter;
  File->AddCallback(&counter);

  ASSERT_EQ(TheView.SetOrder("URL:URL"), C::NoError);
  testfiles::Fill(Rec(*File), testfiles::StationUrl(250), 0, "");
  ASSERT_EQ(TheView.Reset(1), C::NoError);
  for (int i = 0; i < Page; ++i) ASSERT_EQ(TheView.Next(), C::NoError);
  EXPECT_EQ(Url(), testfiles::StationUrl(269));
  EXPECT_EQ(counter.Reads, Page);

  counter.Reads = 0;
  ASSERT_EQ(TheView.SetOrder("-URL:URL"), C::NoError);
  ASSERT_EQ(TheView.Reset(1), C::NoError);
  for (int i = 0; i < Page; ++i) ASSERT_EQ(TheView.Next(), C::NoError);
  EXPECT_EQ(Url(), testfiles::StationUrl(250));
  EXPECT_GT(counter.Reads, Records);
  File->RemoveCallback(&counter);
}

}  // namespace
