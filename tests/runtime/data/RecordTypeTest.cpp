#include "runtime/data/RecordType.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace runtime::data {
namespace {

// The layout of the address list's record: text, then a signed 32-bit count.
struct AddressRecord {
  char Url[200];
  int32_t NumberOfTimesToOpen;
};
static_assert(sizeof(AddressRecord) == 204);

const RecordType& AddressType() {
  static const RecordType type("URLLIST", sizeof(AddressRecord),
                               {{"URL:URL", offsetof(AddressRecord, Url), 200, FieldKind::CString},
                                {"URL:NUMBEROFTIMESTOOPEN", offsetof(AddressRecord, NumberOfTimesToOpen), 4,
                                 FieldKind::Long}});
  return type;
}

TEST(RecordType, FindsFieldsRegardlessOfCase) {
  EXPECT_EQ(AddressType().FindField("URL:URL"), 0);
  EXPECT_EQ(AddressType().FindField("url:NumberOfTimesToOpen"), 1);
  EXPECT_EQ(AddressType().FindField("NUMBEROFTIMESTOOPEN"), -1);
  EXPECT_EQ(AddressType().FindField(""), -1);
}

TEST(RecordType, TextOfExactlyTheFieldLengthIsKeptWhole) {
  AddressRecord rec;
  AddressType().Clear(&rec);
  FieldRef url = AddressType().Ref(&rec, 0);
  const std::string longest(199, 'u');
  ASSERT_TRUE(url.SetText(longest));
  EXPECT_EQ(url.GetText(), longest);
  EXPECT_EQ(rec.Url[199], '\0');
  ASSERT_TRUE(url.SetText(longest + "v"));
  EXPECT_EQ(url.GetText(), longest);

  FieldRef count = AddressType().Ref(&rec, 1);
  ASSERT_TRUE(count.SetText("-3"));
  EXPECT_EQ(rec.NumberOfTimesToOpen, -3);
}

TEST(RecordType, ClearEmptiesFieldsAndPadding) {
  struct Padded {
    uint8_t Flag;  // three bytes of padding follow
    int32_t Count;
    char Name[5];
  };
  const RecordType type("P", sizeof(Padded),
                        {{"P:FLAG", offsetof(Padded, Flag), 1, FieldKind::Byte},
                         {"P:COUNT", offsetof(Padded, Count), 4, FieldKind::Long},
                         {"P:NAME", offsetof(Padded, Name), 5, FieldKind::CString}});
  Padded rec;
  std::memset(&rec, 0xAB, sizeof rec);
  type.Clear(&rec);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&rec);
  for (size_t i = 0; i < sizeof rec; ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i;
}

TEST(RecordType, ClearKeepsStringMembersIntact) {
  struct WithString {
    int32_t Id;
    std::string Note;
  };
  WithString rec{7, std::string(100, 'n')};  // long enough to live on the heap
  const size_t noteOffset = static_cast<size_t>(reinterpret_cast<char*>(&rec.Note) - reinterpret_cast<char*>(&rec));
  const RecordType type("W", sizeof(WithString),
                        {{"W:ID", 0, 4, FieldKind::Long}, {"W:NOTE", noteOffset, sizeof(std::string), FieldKind::String}});
  type.Clear(&rec);
  EXPECT_EQ(rec.Id, 0);
  EXPECT_TRUE(rec.Note.empty());
  rec.Note = "still usable";
  EXPECT_EQ(type.Ref(&rec, 1).GetText(), "still usable");
}

TEST(RecordType, FieldsOutsideTheRecordAreNeverReached) {
  struct Small {
    char Text[4];
  };
  const RecordType type("S", sizeof(Small),
                        {{"S:TEXT", 0, 4, FieldKind::CString}, {"S:BEYOND", 2, 8, FieldKind::CString}});
  Small rec{};
  EXPECT_FALSE(type.Ref(&rec, 0).IsNull());
  EXPECT_TRUE(type.Ref(&rec, 1).IsNull());
  EXPECT_TRUE(type.Ref(&rec, 2).IsNull());
  EXPECT_FALSE(type.Ref(&rec, 1).SetText("overflowing"));
  type.Clear(&rec);  // must not touch bytes past the record (checked by the sanitizer build)
}

}  // namespace
}  // namespace runtime::data
