#include "runtime/data/FieldRef.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace runtime::data {
namespace {

// One variable of every kind, so a table row can name its kind and get a reference.
struct Vars {
  char Text[6] = {};
  std::string Str;
  uint8_t Byte = 0;
  int16_t Short = 0;
  uint16_t UShort = 0;
  int32_t Long = 0;
  uint32_t ULong = 0;
  double Real = 0;
  int64_t Dec2 = 0;  // Decimal with 2 places
  int32_t Date = 0;
  int32_t Time = 0;

  FieldRef Ref(FieldKind k) {
    switch (k) {
      case FieldKind::CString: return FieldRef::Of(Text);
      case FieldKind::String: return FieldRef::Of(Str);
      case FieldKind::Byte: return FieldRef::Of(Byte);
      case FieldKind::Short: return FieldRef::Of(Short);
      case FieldKind::UShort: return FieldRef::Of(UShort);
      case FieldKind::Long: return FieldRef::Of(Long);
      case FieldKind::ULong: return FieldRef::Of(ULong);
      case FieldKind::Real: return FieldRef::Of(Real);
      case FieldKind::Decimal: return FieldRef(&Dec2, FieldKind::Decimal, 8, 2);
      case FieldKind::Date: return FieldRef(&Date, FieldKind::Date, 4);
      case FieldKind::Time: return FieldRef(&Time, FieldKind::Time, 4);
    }
    return {};
  }
};

struct TextCase {
  FieldKind Kind;
  const char* Text;
  bool Stored;
  const char* After;  // GetText afterwards; a refused text leaves the "77" set before
};

TEST(FieldRefSetText, ConvertsOrRefusesWithoutWrapping) {
  const std::vector<TextCase> cases = {
      {FieldKind::Long, " 42 ", true, "42"},
      {FieldKind::Long, "", true, "0"},
      {FieldKind::Long, "+7", true, "7"},
      {FieldKind::Long, "12.0", true, "12"},
      {FieldKind::Long, "12.5", false, "77"},
      {FieldKind::Long, "abc", false, "77"},
      {FieldKind::Long, "1,5", false, "77"},
      {FieldKind::Long, "2147483647", true, "2147483647"},
      {FieldKind::Long, "2147483648", false, "77"},
      {FieldKind::Long, "-2147483648", true, "-2147483648"},
      {FieldKind::Long, "99999999999999999999999", false, "77"},
      {FieldKind::Byte, "255", true, "255"},
      {FieldKind::Byte, "256", false, "77"},
      {FieldKind::Byte, "-1", false, "77"},
      {FieldKind::ULong, "4294967295", true, "4294967295"},
      {FieldKind::ULong, "-1", false, "77"},
      {FieldKind::Decimal, "1.005", true, "1.01"},
      {FieldKind::Decimal, "-1.005", true, "-1.01"},
      {FieldKind::Decimal, "-0.001", true, "0.00"},
      {FieldKind::Decimal, "92233720368547758.07", true, "92233720368547758.07"},
      {FieldKind::Decimal, "92233720368547758.08", false, "77.00"},
      {FieldKind::Real, "1e3", true, "1000"},
      {FieldKind::Real, " -0.25", true, "-0.25"},
      {FieldKind::Real, "nan", false, "77"},
      {FieldKind::Real, "1e999", false, "77"},
      {FieldKind::Date, "730120", true, "730120"},
      {FieldKind::CString, "abcde", true, "abcde"},
      {FieldKind::CString, "abcdef", true, "abcde"},
      {FieldKind::String, "  kept as is ", true, "  kept as is "},
  };
  for (const TextCase& c : cases) {
    Vars v;
    FieldRef r = v.Ref(c.Kind);
    ASSERT_TRUE(r.SetText("77"));
    EXPECT_EQ(r.SetText(c.Text), c.Stored) << c.Text;
    EXPECT_EQ(r.GetText(), c.After) << c.Text;
  }
}

TEST(FieldRefSetText, CStringCutNeverSplitsACharacter) {
  struct Case {
    const char* Text;
    const char* Kept;
  };
  // Room for 5 bytes of text.
  const std::vector<Case> cases = {
      {"abcd\xC3\xA9", "abcd"},               // é would need bytes 5 and 6
      {"ab\xE2\x82\xAC" "x", "ab\xE2\x82\xAC"},  // € ends exactly at byte 5
      {"a\xE2\x82\xAC\xE2\x82\xAC", "a\xE2\x82\xAC"},
      {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
  };
  for (const Case& c : cases) {
    char buf[6];
    std::memset(buf, 'Z', sizeof buf);
    FieldRef r = FieldRef::Of(buf);
    ASSERT_TRUE(r.SetText(c.Text));
    EXPECT_EQ(r.GetText(), c.Kept);
    // The rest of the field is zeroed so equal values have equal stored images.
    for (size_t i = std::strlen(c.Kept); i < sizeof buf; ++i) EXPECT_EQ(buf[i], '\0');
  }
}

TEST(FieldRefSetText, CStringWithoutTerminatorReadsOnlyItsOwnBytes) {
  struct {
    char Field[4];
    char After[4];
  } rec;
  std::memcpy(rec.Field, "abcd", 4);
  std::memcpy(rec.After, "XYZ", 4);
  EXPECT_EQ(FieldRef::Of(rec.Field).GetText(), "abcd");
}

struct AssignCase {
  FieldKind From;
  const char* FromText;
  FieldKind To;
  bool Stored;
  const char* After;  // target's text; "77" when refused
};

TEST(FieldRefAssign, ConvertsBetweenKindsAndRefusesWhatDoesNotFit) {
  const std::vector<AssignCase> cases = {
      {FieldKind::Real, "3.5", FieldKind::Long, true, "4"},
      {FieldKind::Real, "-2.5", FieldKind::Long, true, "-3"},
      {FieldKind::Real, "1e10", FieldKind::Long, false, "77"},
      {FieldKind::Real, "1.005", FieldKind::Decimal, true, "1.01"},
      {FieldKind::Real, "0.1", FieldKind::String, true, "0.1"},
      {FieldKind::Decimal, "123.45", FieldKind::Long, true, "123"},
      {FieldKind::Decimal, "-0.05", FieldKind::String, true, "-0.05"},
      {FieldKind::Decimal, "2.5", FieldKind::Real, true, "2.5"},
      {FieldKind::Long, "7", FieldKind::Decimal, true, "7.00"},
      {FieldKind::Long, "-1", FieldKind::ULong, false, "77"},
      {FieldKind::Long, "300", FieldKind::Byte, false, "77"},
      {FieldKind::ULong, "4294967295", FieldKind::Long, false, "77"},
      {FieldKind::ULong, "4294967295", FieldKind::Real, true, "4294967295"},
      {FieldKind::Long, "-12", FieldKind::String, true, "-12"},
      {FieldKind::Long, "12345", FieldKind::CString, true, "12345"},
      {FieldKind::Long, "123456", FieldKind::CString, false, "77"},  // a cut number reads as another
      {FieldKind::String, "2147483648", FieldKind::Long, false, "77"},
      {FieldKind::String, "hello world", FieldKind::CString, true, "hello"},
      {FieldKind::String, "x", FieldKind::Short, false, "77"},
  };
  for (const AssignCase& c : cases) {
    Vars from, to;
    ASSERT_TRUE(from.Ref(c.From).SetText(c.FromText)) << c.FromText;
    FieldRef target = to.Ref(c.To);
    ASSERT_TRUE(target.SetText("77"));
    EXPECT_EQ(target.Assign(from.Ref(c.From)), c.Stored) << c.FromText;
    EXPECT_EQ(target.GetText(), c.After) << c.FromText;
  }
}

struct CompareCase {
  FieldKind A;
  const char* AText;
  FieldKind B;
  const char* BText;
  int Expected;
};

TEST(FieldRefCompare, NumericWhenANumberIsInvolvedOtherwiseText) {
  const std::vector<CompareCase> cases = {
      {FieldKind::Long, "5", FieldKind::Real, "5", 0},
      {FieldKind::String, "10", FieldKind::Long, "9", 1},    // as numbers
      {FieldKind::String, "10", FieldKind::String, "9", -1},  // two texts stay texts
      {FieldKind::String, "abc", FieldKind::Long, "5", 1},    // "abc" > "5" as text
      {FieldKind::String, "", FieldKind::Long, "0", 0},
      {FieldKind::Real, "0.1", FieldKind::String, "0.1", 0},
      {FieldKind::Real, "0.1", FieldKind::Decimal, "0.1", 0},
      {FieldKind::Decimal, "1.5", FieldKind::Long, "1", 1},
      {FieldKind::Decimal, "1", FieldKind::Long, "1", 0},
      {FieldKind::Decimal, "-0.5", FieldKind::Long, "0", -1},
      {FieldKind::Long, "-3", FieldKind::ULong, "2", -1},
      {FieldKind::CString, "abc  ", FieldKind::String, "abc", 0},
      {FieldKind::CString, "abc", FieldKind::String, "abd", -1},
      {FieldKind::String, "\xC3\xA9", FieldKind::String, "z", 1},  // bytes compare unsigned
      {FieldKind::String, "a", FieldKind::String, "a\t", -1},       // only blanks are trailing
  };
  for (const CompareCase& c : cases) {
    Vars va, vb;
    ASSERT_TRUE(va.Ref(c.A).SetText(c.AText));
    ASSERT_TRUE(vb.Ref(c.B).SetText(c.BText));
    EXPECT_EQ(va.Ref(c.A).Compare(vb.Ref(c.B)), c.Expected) << c.AText << " vs " << c.BText;
    EXPECT_EQ(vb.Ref(c.B).Compare(va.Ref(c.A)), -c.Expected) << c.BText << " vs " << c.AText;
  }
}

TEST(FieldRefCompare, LargeValuesCompareExactly) {
  int64_t a = std::numeric_limits<int64_t>::max();
  int64_t b = a - 1;
  FieldRef ra = FieldRef::Of(a);
  FieldRef rb = FieldRef::Of(b);
  std::string text = "9223372036854775806";
  // A double cannot tell these apart; the comparison must.
  EXPECT_GT(ra.Compare(FieldRef::Of(text)), 0);
  EXPECT_EQ(rb.Compare(FieldRef::Of(text)), 0);
  double real = 9223372036854775807.0;
  EXPECT_GT(FieldRef::Of(real).Compare(ra), 0);  // the double is 2^63
}

TEST(FieldRefNumbers, ReadAndWriteAtTheEdges) {
  Vars v;
  v.Real = -3.7;
  EXPECT_EQ(v.Ref(FieldKind::Real).GetInteger(), -3);
  v.Real = 1e30;
  EXPECT_EQ(v.Ref(FieldKind::Real).GetInteger(), std::numeric_limits<int64_t>::max());
  v.Dec2 = -375;
  EXPECT_EQ(v.Ref(FieldKind::Decimal).GetInteger(), -3);
  EXPECT_DOUBLE_EQ(v.Ref(FieldKind::Decimal).GetReal(), -3.75);
  v.Str = "not a number";
  EXPECT_EQ(v.Ref(FieldKind::String).GetInteger(), 0);
  EXPECT_EQ(v.Ref(FieldKind::String).GetReal(), 0.0);

  EXPECT_FALSE(v.Ref(FieldKind::Decimal).SetInteger(std::numeric_limits<int64_t>::max() / 10));
  EXPECT_EQ(v.Dec2, -375);
  EXPECT_TRUE(v.Ref(FieldKind::Decimal).SetReal(2.675));  // written 2.675, so 2.68
  EXPECT_EQ(v.Dec2, 268);
  EXPECT_FALSE(v.Ref(FieldKind::Long).SetReal(std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(v.Ref(FieldKind::Short).SetInteger(40000));

  int64_t lowest = std::numeric_limits<int64_t>::min();
  EXPECT_EQ(FieldRef(&lowest, FieldKind::Decimal, 8, 2).GetText(), "-92233720368547758.08");
}

TEST(FieldRefClear, EveryKindToEmptyOrZero) {
  Vars v;
  for (FieldKind k : {FieldKind::CString, FieldKind::String, FieldKind::Byte, FieldKind::Short, FieldKind::UShort,
                      FieldKind::Long, FieldKind::ULong, FieldKind::Real, FieldKind::Decimal, FieldKind::Date,
                      FieldKind::Time}) {
    FieldRef r = v.Ref(k);
    ASSERT_TRUE(r.SetText("12"));
    r.Clear();
    EXPECT_EQ(r.GetText(), k == FieldKind::CString || k == FieldKind::String ? ""
                           : k == FieldKind::Decimal                       ? "0.00"
                                                                           : "0");
  }
  for (char c : v.Text) EXPECT_EQ(c, '\0');
}

}  // namespace
}  // namespace runtime::data
