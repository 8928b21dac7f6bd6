#include "runtime/text/Picture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/data/DateTime.h"

namespace runtime::text {
namespace {

using runtime::data::DateTime;
using runtime::data::FieldKind;
using runtime::data::FieldRef;

struct IntFormat {
  int64_t Value;
  const char* Picture;
  const char* Shown;
};

TEST(PictureFormat, Numbers) {
  const std::vector<IntFormat> cases = {
      {42, "@n9", "42"},
      {42, "N9", "42"},
      {42, "@N9", "42"},
      {-12, "@n9", "-12"},
      {-12, "@n-9", "-12"},
      {42, "@n_9", "42"},
      {42, "@n09", "000000042"},
      {-12, "@n09", "-00000012"},
      {-12, "@n*9", "******-12"},
      {5, "@n9.2", "5.00"},
      {0, "@n9", "0"},
      {0, "@n9b", ""},
      {0, "@n9.2B", ""},
      {999999999, "@n9", "999999999"},
      {1000000000, "@n9", "#########"},  // never a cut number
      {-99999999, "@n9", "-99999999"},
      {-100000000, "@n9", "#########"},
      {1000000, "@n9.2", "#########"},
      {999999, "@n9.2", "999999.00"},
      {2147483647, "@n12", "2147483647"},
  };
  for (const IntFormat& c : cases) EXPECT_EQ(Picture::Format(c.Value, c.Picture), c.Shown) << c.Value << " " << c.Picture;
}

// Integer kinds take a shorter way to their text: it must be the text the same number
// gets when it comes as digits, under every kind of number picture, and the same
// through a picture parsed once.
TEST(PictureFormat, WholeNumbersOfEveryIntegerKindShowAsTheirDigitsDo) {
  const std::vector<int64_t> values = {0,   1,   -1,  9,          10,          -10,       42,         255,
                                       -12, 999, 1000, 32767,    -32768,      65535,     99999999,   -99999999,
                                       100000000, 999999999, 1000000000, 2147483647, -2147483648, 4294967295};
  const std::vector<const char*> pictures = {"@n9",  "@n09",  "@n*9", "@n-9", "@n_9", "@n9.2", "@n3",   "@n1",
                                             "@n9b", "@n2b",  "@n*5.1", "@n09.3b", "@n012", "@n12.3", "@n-4", "@n10"};
  struct Kind {
    FieldKind Kind;
    size_t Size;
    int64_t Low, High;
  };
  const std::vector<Kind> kinds = {{FieldKind::Byte, 1, 0, 255},         {FieldKind::Short, 2, -32768, 32767},
                                   {FieldKind::UShort, 2, 0, 65535},     {FieldKind::Long, 4, INT32_MIN, INT32_MAX},
                                   {FieldKind::ULong, 4, 0, UINT32_MAX}, {FieldKind::Date, 4, INT32_MIN, INT32_MAX},
                                   {FieldKind::Time, 4, INT32_MIN, INT32_MAX}};
  for (const Kind& k : kinds) {
    for (int64_t v : values) {
      if (v < k.Low || v > k.High) continue;
      unsigned char storage[8] = {};
      FieldRef field(storage, k.Kind, k.Size);
      ASSERT_TRUE(field.SetInteger(v)) << v;
      const std::string digits = std::to_string(v);
      for (const char* picture : pictures) {
        const std::string expected = Picture::Format(std::string_view(digits), picture);
        EXPECT_EQ(Picture::Format(field, picture), expected) << v << " " << picture;
        EXPECT_EQ(Picture::Format(field, Picture::Parse(picture)), expected) << v << " " << picture;
      }
    }
  }
}

TEST(PictureFormat, RoundsHalfAwayFromZeroAsWritten) {
  EXPECT_EQ(Picture::Format(2.345, "@n9.2"), "2.35");
  EXPECT_EQ(Picture::Format(-2.345, "@n9.2"), "-2.35");
  EXPECT_EQ(Picture::Format(0.5, "@n9"), "1");
  EXPECT_EQ(Picture::Format(-0.004, "@n9.2"), "0.00");  // no "-0.00"
  EXPECT_EQ(Picture::Format(999999.995, "@n9.2"), "#########");
  EXPECT_EQ(Picture::Format(999999.994, "@n9.2"), "999999.99");
  int64_t raw = -12345;  // -123.45
  EXPECT_EQ(Picture::Format(FieldRef(&raw, FieldKind::Decimal, 8, 2), "@n9.1"), "-123.5");
}

TEST(PictureFormat, TextValuesUnderANumberPicture) {
  EXPECT_EQ(Picture::Format(std::string_view(" 17 "), "@n9"), "17");
  EXPECT_EQ(Picture::Format(std::string_view(""), "@n9"), "0");
  EXPECT_EQ(Picture::Format(std::string_view("abc"), "@n9"), "#########");
}

TEST(PictureFormat, TextPicturesCutByBytesOnCharacterBoundaries) {
  EXPECT_EQ(Picture::Format(std::string_view("h\xC3\xA9llo!"), "@s5"), "h\xC3\xA9ll");
  EXPECT_EQ(Picture::Format(std::string_view("ab\xE2\x82\xAC"), "@s4"), "ab");
  const std::string address(199, 'a');
  EXPECT_EQ(Picture::Format(std::string_view(address), "@s199"), address);
  EXPECT_EQ(Picture::Format(std::string_view(address + "bcd"), "@S199"), address);
  EXPECT_EQ(Picture::Format(int64_t{123}, "@s3"), "123");
  EXPECT_EQ(Picture::Format(int64_t{1234}, "@s3"), "###");
}

TEST(PictureFormat, UnknownPicturesShowPlainText) {
  for (const char* picture : {"@x7", "", "@", "@s", "@s0", "@n", "@n9x", "@e12.3", "@p##-##p", "@d", "@n9.2.1"}) {
    EXPECT_EQ(Picture::Format(std::string_view("as typed"), picture), "as typed") << picture;
    EXPECT_EQ(Picture::Classify(picture), Picture::Category::Plain) << picture;
    EXPECT_EQ(Picture::Width(picture), 0) << picture;
  }
  EXPECT_EQ(Picture::Format(3.5, "@x"), "3.5");
}

TEST(PictureFormat, DatesAndTimes) {
  int32_t date = DateTime::DateOf(2025, 3, 7);
  FieldRef d(&date, FieldKind::Date, 4);
  EXPECT_EQ(Picture::Format(d, "@d17"), "2025-03-07");
  EXPECT_EQ(Picture::Format(d, "D17"), "2025-03-07");
  EXPECT_EQ(Picture::Format(d, "@D6"), "2025-03-07");
  EXPECT_EQ(Picture::Format(d, "@d18"), "March 7, 2025");
  EXPECT_EQ(Picture::Format(int64_t{DateTime::DateOf(1, 1, 1)}, "@d17"), "0001-01-01");
  EXPECT_EQ(Picture::Format(int64_t{DateTime::NoDate}, "@d17"), "");
  EXPECT_EQ(Picture::Format(int64_t{-5}, "@d17"), "##########");
  EXPECT_EQ(Picture::Format(int64_t{DateTime::LastDay + 1}, "@d18"), "##################");

  int32_t time = DateTime::TimeOf(14, 5, 9, 50);
  FieldRef t(&time, FieldKind::Time, 4);
  EXPECT_EQ(Picture::Format(t, "@t8"), "14:05:09");
  EXPECT_EQ(Picture::Format(t, "T8"), "14:05:09");
  EXPECT_EQ(Picture::Format(int64_t{DateTime::Midnight}, "@t8"), "00:00:00");
  EXPECT_EQ(Picture::Format(int64_t{DateTime::LastTime}, "@t8"), "23:59:59");
  EXPECT_EQ(Picture::Format(int64_t{DateTime::NoTime}, "@t8"), "");
  EXPECT_EQ(Picture::Format(int64_t{DateTime::LastTime + 1}, "@t8"), "########");
}

struct DeformatCase {
  const char* Text;
  const char* Picture;
  FieldKind Kind;
  bool Stored;
  int64_t Value;  // the target's value afterwards; 77 when refused
};

TEST(PictureDeformat, StoresOnlyWhatThePictureMeans) {
  const int32_t march7 = DateTime::DateOf(2025, 3, 7);
  const int32_t teaTime = DateTime::TimeOf(14, 5, 9);
  const std::vector<DeformatCase> cases = {
      {"42", "@n9", FieldKind::Long, true, 42},
      {" -12 ", "@n9", FieldKind::Long, true, -12},
      {"+5", "@n9", FieldKind::Long, true, 5},
      {"", "@n9", FieldKind::Long, true, 0},
      {"3.00", "@n9", FieldKind::Long, true, 3},
      {"1.5", "@n9", FieldKind::Long, false, 77},
      {"1,5", "@n9", FieldKind::Long, false, 77},
      {"1 000", "@n9", FieldKind::Long, false, 77},
      {"abc", "@n9", FieldKind::Long, false, 77},
      {"12abc", "@n9", FieldKind::Long, false, 77},
      {"-", "@n9", FieldKind::Long, false, 77},
      {"999999999", "@n9", FieldKind::Long, true, 999999999},
      {"1234567890", "@n9", FieldKind::Long, false, 77},  // wider than the picture
      {"-123456789", "@n9", FieldKind::Long, false, 77},
      {"3000000000", "@n12", FieldKind::Long, false, 77},  // fits the picture, not the variable
      {"300", "@n9", FieldKind::Byte, false, 77},
      {"-00000012", "@n09", FieldKind::Long, true, -12},
      {"*****-12", "@n*9", FieldKind::Long, true, -12},
      {"3.14", "@n9.2", FieldKind::Decimal, true, 314},
      {"3.145", "@n9.2", FieldKind::Decimal, false, 77},
      {"2025-03-07", "@d17", FieldKind::Date, true, march7},
      {"2025/3/7", "D17", FieldKind::Date, true, march7},
      {" 2025-03-07 ", "@d17", FieldKind::Date, true, march7},
      {"2025-02-30", "@d17", FieldKind::Date, false, 77},
      {"25-03-07", "@d17", FieldKind::Date, false, 77},
      {"2025-03/07", "@d17", FieldKind::Date, false, 77},
      {"March 7, 2025", "@d18", FieldKind::Date, true, march7},
      {"mar 7 2025", "@d18", FieldKind::Date, true, march7},
      {"2025-03-07", "@d18", FieldKind::Date, true, march7},
      {"Ma 7, 2025", "@d18", FieldKind::Date, false, 77},
      {"", "@d17", FieldKind::Date, true, DateTime::NoDate},
      {"14:05:09", "@t8", FieldKind::Time, true, teaTime},
      {"14:05", "T8", FieldKind::Time, true, DateTime::TimeOf(14, 5, 0)},
      {"14:05:09.5", "@t8", FieldKind::Time, true, DateTime::TimeOf(14, 5, 9, 50)},
      {"24:00:00", "@t8", FieldKind::Time, false, 77},
      {"9:5:00", "@t8", FieldKind::Time, false, 77},
      {"", "@t8", FieldKind::Time, true, DateTime::NoTime},
  };
  for (const DeformatCase& c : cases) {
    int32_t i32 = 77;
    uint8_t u8 = 77;
    int64_t dec = 7700;
    FieldRef target = c.Kind == FieldKind::Byte      ? FieldRef::Of(u8)
                      : c.Kind == FieldKind::Decimal ? FieldRef(&dec, FieldKind::Decimal, 8, 2)
                                                     : FieldRef(&i32, c.Kind, 4);
    EXPECT_EQ(Picture::Deformat(c.Text, c.Picture, target), c.Stored) << '"' << c.Text << "\" " << c.Picture;
    int64_t after = c.Kind == FieldKind::Byte ? u8 : c.Kind == FieldKind::Decimal ? dec : i32;
    if (c.Kind == FieldKind::Decimal && !c.Stored) after /= 100;
    EXPECT_EQ(after, c.Value) << '"' << c.Text << "\" " << c.Picture;
  }
}

TEST(PictureDeformat, TextTargets) {
  char url[200];
  FieldRef r = FieldRef::Of(url);
  // A text longer than the picture is refused whole: cut, it would be another address.
  ASSERT_TRUE(Picture::Deformat(std::string(199, 'x'), "@s199", r));
  EXPECT_FALSE(Picture::Deformat(std::string(200, 'y'), "@s199", r));
  EXPECT_EQ(r.GetText(), std::string(199, 'x'));
  ASSERT_TRUE(Picture::Deformat("h\xC3\xA9ll", "@s5", r));
  EXPECT_FALSE(Picture::Deformat("h\xC3\xA9llo", "@s5", r));
  EXPECT_EQ(r.GetText(), "h\xC3\xA9ll");

  std::string s = "before";
  EXPECT_TRUE(Picture::Deformat("as typed", "@unknown", FieldRef::Of(s)));
  EXPECT_EQ(s, "as typed");
  EXPECT_TRUE(Picture::Deformat("-00012.50", "@n09.2", FieldRef::Of(s)));
  EXPECT_EQ(s, "-12.5");
  char small[3] = "ab";
  EXPECT_FALSE(Picture::Deformat("1234", "@n9", FieldRef::Of(small)));  // a cut number is refused
  EXPECT_STREQ(small, "ab");
}

TEST(PictureDeformat, WhatFormatShowsReadsBackUnchanged) {
  const std::vector<const char*> numberPictures = {"@n9", "@n-9", "@n09", "@n*9", "@n12.2", "@n012.2", "@n*12.2b"};
  for (int64_t raw : {int64_t{0}, int64_t{1}, int64_t{-1}, int64_t{99}, int64_t{-12345}, int64_t{99999999}}) {
    for (const char* picture : numberPictures) {
      int64_t value = raw;
      FieldRef source(&value, FieldKind::Decimal, 8, 2);
      std::string shown = Picture::Format(source, picture);
      if (shown.find('#') != std::string::npos) continue;
      int64_t back = 555;
      ASSERT_TRUE(Picture::Deformat(shown, picture, FieldRef(&back, FieldKind::Decimal, 8, 2))) << shown;
      // Pictures without places show whole numbers, so compare at the shown precision.
      std::string again = Picture::Format(FieldRef(&back, FieldKind::Decimal, 8, 2), picture);
      EXPECT_EQ(again, shown) << picture;
    }
  }
  for (int32_t day : {DateTime::FirstDay, DateTime::DateOf(2000, 2, 29), DateTime::DateOf(2025, 9, 30),
                      DateTime::LastDay}) {
    for (const char* picture : {"@d17", "@d18"}) {
      int32_t back = 0;
      ASSERT_TRUE(Picture::Deformat(Picture::Format(int64_t{day}, picture), picture,
                                    FieldRef(&back, FieldKind::Date, 4)));
      EXPECT_EQ(back, day) << picture;
    }
  }
  int32_t back = 0;
  ASSERT_TRUE(Picture::Deformat(Picture::Format(int64_t{DateTime::TimeOf(23, 59, 59)}, "@t8"), "@t8",
                                FieldRef(&back, FieldKind::Time, 4)));
  EXPECT_EQ(back, DateTime::TimeOf(23, 59, 59));
}

TEST(PictureWidth, DisplayWidths) {
  struct Case {
    const char* Picture;
    int Width;
    Picture::Category Category;
  };
  const std::vector<Case> cases = {
      {"@s199", 199, Picture::Category::Text},  {"S255", 255, Picture::Category::Text},
      {"@n9", 9, Picture::Category::Number},    {"@n-9", 9, Picture::Category::Number},
      {"@n9.2", 9, Picture::Category::Number},  {"@n_12b", 12, Picture::Category::Number},
      {"@d17", 10, Picture::Category::Date},    {"@D18", 18, Picture::Category::Date},
      {"@t8", 8, Picture::Category::Time},      {" @n9 ", 9, Picture::Category::Number},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Picture::Width(c.Picture), c.Width) << c.Picture;
    EXPECT_EQ(Picture::Classify(c.Picture), c.Category) << c.Picture;
  }
  // The long date's width holds its longest rendering.
  EXPECT_EQ(Picture::Format(int64_t{DateTime::DateOf(2025, 9, 30)}, "@d18").size(), 18u);
}

TEST(PictureAccepts, WhatAnEntryMayHoldWhileTyping) {
  struct Case {
    const char* Picture;
    const char* Partial;
    bool Accepted;
  };
  const std::vector<Case> cases = {
      {"@n9", "", true},
      {"@n9", "-", true},
      {"@n9", "123456789", true},
      {"@n9", "1234567890", true},
      {"@n9", "-12345678", true},
      {"@n9", "-123456789", true},
      {"@n9", "0000000012", true},
      {"@n9", "12.5", true},
      {"@n9", "abc", false},
      {"@n9", "1e5", false},
      {"@n9.2", "1.", true},
      {"@n9.2", "123456.7", true},
      {"@n9.2", "1234567", true},
      {"@n9.2", "1.2.", false},
      {"@n*9", "****-12", true},
      {"@s5", "h\xC3\xA9ll", true},
      {"@s5", "h\xC3\xA9llo", true},
      {"@d17", "2025-0", true},
      {"@d17", "2025-03-07", true},
      {"@d17", "2025-03-07x", false},
      {"@d17", "2025-03-071", false},
      {"@d18", "Sept", true},
      {"@t8", "14:0", true},
      {"@t8", "14:05:09.5", false},
      {"@t8", "14h", false},
      {"@whatever", "anything at all", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Picture::Accepts(c.Picture, c.Partial), c.Accepted) << c.Picture << " \"" << c.Partial << '"';
  }
  // Too many digits, places or bytes are let through while typing and refused whole
  // when the entry is left: a dropped keystroke would make "12.5" into 125.
  EXPECT_TRUE(Picture::Accepts("@s199", std::string(250, 'a')));
}

}  // namespace
}  // namespace runtime::text
