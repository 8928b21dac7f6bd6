// The filter text a query builds from example values: every operator form, the
// wildcards, case-free comparisons, quoting, ranges in both modes, and the limits.
// The texts are what the view evaluates, so each one is also checked to parse in
// the runtime's filter language.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/query/QbeForm.h"
#include "framework/query/QbeQuery.h"
#include "runtime/data/FieldRef.h"
#include "runtime/text/Expression.h"
#include "runtime/text/Picture.h"

namespace framework::query {
namespace {

class FixedModeForm : public QbeForm {
 public:
  explicit FixedModeForm(int32_t mode) : TheMode(mode) {}
  int32_t Mode() const override { return TheMode; }
  bool Ask(QbeQuery&) override { return false; }
  int32_t TheMode;
};

// Url (string), Count (number), Added (short date), Name (case-free string).
void AddTestFields(QbeQuery& query) {
  query.AddField("Url", "Address", "@s200");
  query.AddField("Count", "Count", "@n9");
  query.AddField("Added", "Added", "@d6");
  query.AddField("UPPER(Name)", "Name", "@s20");
}

// The test fields as variables the filter language can read.
struct Variables {
  std::string Url;
  int32_t Count = 0;
  int32_t Added = 0;
  std::string Name;
  std::optional<runtime::data::FieldRef> operator()(std::string_view name) {
    if (name == "Url") return runtime::data::FieldRef::Of(Url);
    if (name == "Count") return runtime::data::FieldRef::Of(Count);
    if (name == "Added") return runtime::data::FieldRef::Of(Added);
    if (name == "Name") return runtime::data::FieldRef::Of(Name);
    return std::nullopt;
  }
};

bool Parses(const std::string& filter) {
  Variables variables;
  runtime::text::Expression expression;
  return !expression.Parse(filter, [&](std::string_view name) { return variables(name); }).IsError();
}

enum Field : size_t { Url = 1, Count = 2, Added = 3, Name = 4 };

struct Case {
  Field Which;
  std::string Middle;
  std::string Expected;
};

TEST(QbeFilterTest, OneValueGivesTheConditionOfItsOperatorForm) {
  const std::vector<Case> cases = {
      // Wildcards on a string.
      {Url, "*shop", "INSTRING('shop',Url,1,1) <> 0"},
      {Url, "shop*", "SUB(Url,1,4) = 'shop'"},
      {Url, "*", ""},
      // Plain and operator-prefixed values; "<" and ">" take "=" from the single value.
      {Url, "shop", "(Url = 'shop')"},
      {Url, "=shop", "(Url = 'shop')"},
      {Url, "<>shop", "(Url <> 'shop')"},
      {Url, "=<>shop", "(Url <> 'shop')"},
      {Url, "~shop", "(Url ~= 'shop')"},
      {Url, "=<m", "(Url <= 'm')"},
      {Url, "<m", "(Url <= 'm')"},
      {Url, ">m", "(Url >= 'm')"},
      // A NUL byte is text, never an operator character (it once became part of "<=").
      {Url, std::string("\0<m", 3), "(Url = '" + std::string("\0<m", 3) + "')"},
      // Quotes are doubled.
      {Url, "O'Neil", "(Url = 'O''Neil')"},
      {Url, "*it's", "INSTRING('it''s',Url,1,1) <> 0"},
      // Case-free: a caret, before or after the wildcard, or an UPPER field.
      {Url, "^shop", "(UPPER(Url) = 'SHOP')"},
      {Url, "^*shop", "INSTRING('SHOP',UPPER(Url),1,1) <> 0"},
      {Url, "*^shop", "INSTRING('SHOP',UPPER(Url),1,1) <> 0"},
      {Url, "^shop*", "SUB(UPPER(Url),1,4) = 'SHOP'"},
      {Name, "smith", "(UPPER(Name) = 'SMITH')"},
      {Name, "smi*", "SUB(UPPER(Name),1,3) = 'SMI'"},
      // Numbers: written as typed, compared through their picture for wildcards.
      {Count, "5", "(Count = 5)"},
      {Count, "<5", "(Count <= 5)"},
      {Count, "~5", "(Count ~= 5)"},
      {Count, "<>", "(Count <> 0)"},
      // A number is written as typed (blanks included).
      {Count, " -2.5", "(Count =  -2.5)"},
      {Count, "1*", "SUB(LEFT(FORMAT(Count,@n9)),1,1) = '1'"},
      {Count, "*2", "INSTRING('2',FORMAT(Count,@n9),1,1) <> 0"},
      // A text that is no number is read through the picture.
      {Count, "many", "(Count = 0)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Middle);
    QbeQuery query;
    query.Init(nullptr, nullptr, "Test");
    AddTestFields(query);
    query.Fields->At(c.Which).Middle = c.Middle;
    EXPECT_EQ(query.BuildFilter(), c.Expected);
    EXPECT_EQ(query.QueryText(), c.Expected);
    if (!c.Expected.empty()) {
      EXPECT_TRUE(Parses(c.Expected));
    }
  }
}

TEST(QbeFilterTest, ABareComparisonOnANumberKeepsItsEmptyValue) {
  QbeQuery query;
  query.Init(nullptr, nullptr, "Test");
  AddTestFields(query);
  query.Fields->At(Count).Middle = ">";
  // The view refuses this text (and says so); it never becomes a comparison with 0.
  EXPECT_EQ(query.BuildFilter(), "(Count >= )");
  EXPECT_FALSE(Parses(query.BuildFilter()));
}

TEST(QbeFilterTest, ADateIsComparedAsItsDayNumber) {
  QbeQuery query;
  query.Init(nullptr, nullptr, "Test");
  AddTestFields(query);
  query.Fields->At(Added).Middle = ">=2025-03-07";
  int32_t day = 0;
  ASSERT_TRUE(runtime::text::Picture::Deformat("2025-03-07", "@d6", runtime::data::FieldRef::Of(day)));
  EXPECT_EQ(query.BuildFilter(), "(Added >= " + std::to_string(day) + ")");
}

struct RangeCase {
  int32_t Mode;
  std::string Low, Middle, High;
  std::string Expected;
};

TEST(QbeFilterTest, RangesGiveTwoConditionsOrFoldInSingleMode) {
  const std::vector<RangeCase> cases = {
      {QbeForm::ModeRanges, "3", "", "7", "(Count > 3) AND (Count < 7)"},
      {QbeForm::ModeRanges, "3", "x", "7", "(Count >= 3) AND (Count <= 7)"},
      {QbeForm::ModeRanges, "3", "", "", "(Count > 3)"},
      {QbeForm::ModeRanges, "", "", "7", "(Count < 7)"},
      {QbeForm::ModeRanges, "", "x", "7", "(Count <= 7)"},
      // Operators typed into a range end are merged with the range's own.
      {QbeForm::ModeRanges, "=3", "", "", "(Count >= 3)"},
      // One value per field: the low end is the value.
      {QbeForm::ModeSingle, "3", "", "7", "(Count = 3)"},
      {QbeForm::ModeSingle, "3", "<9", "7", "(Count <= 9)"},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(c.Low + "|" + c.Middle + "|" + c.High + " mode " + std::to_string(c.Mode));
    FixedModeForm form(c.Mode);
    QbeQuery query;
    query.Init(nullptr, nullptr, "Test");
    query.Form = &form;
    AddTestFields(query);
    QbeField& field = query.Fields->At(Count);
    field.Low = c.Low;
    field.Middle = c.Middle;
    field.High = c.High;
    EXPECT_EQ(query.BuildFilter(), c.Expected);
    if (c.Mode == QbeForm::ModeSingle) {
      // The folded value is written back: the form shows what was applied.
      EXPECT_TRUE(field.Low.empty());
      EXPECT_TRUE(field.High.empty());
      EXPECT_FALSE(field.Middle.empty());
    }
  }
}

TEST(QbeFilterTest, FieldsAreJoinedInOrderAndClearValuesEmptiesThem) {
  QbeQuery query;
  query.Init(nullptr, nullptr, "Test");
  AddTestFields(query);
  EXPECT_EQ(query.BuildFilter(), "");
  query.Fields->At(Name).Middle = "^sm*";
  query.Fields->At(Url).Middle = "*shop";
  query.Fields->At(Count).Low = "1";
  query.Fields->At(Count).High = "9";
  EXPECT_EQ(query.BuildFilter(),
            "INSTRING('shop',Url,1,1) <> 0 AND (Count > 1) AND (Count < 9) AND SUB(UPPER(Name),1,2) = 'SM'");
  query.ClearValues();
  EXPECT_EQ(query.BuildFilter(), "");
}

TEST(QbeFilterTest, LongValuesAndFiltersAreCut) {
  QbeQuery query;
  query.Init(nullptr, nullptr, "Test");
  for (int i = 0; i < 8; ++i) query.AddField("F" + std::to_string(i), "F", "@s999");
  for (size_t i = 1; i <= query.Fields->Records(); ++i) query.Fields->At(i).Middle = std::string(2000, 'a');
  const std::string filter = query.BuildFilter();
  EXPECT_EQ(filter.size(), QbeQuery::FilterLimit);
  // The first condition holds its value cut to the value limit.
  EXPECT_EQ(filter.substr(0, 8), "(F0 = 'a");
  EXPECT_EQ(filter.find("')"), 8 + QbeQuery::ConditionValueLimit - 1);
}

}  // namespace
}  // namespace framework::query
