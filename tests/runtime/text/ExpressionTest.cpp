// The expression language: filters and values on bound variables, errors with their
// positions, refusal of absurd nesting, garbage input, and the per-thread name scopes.
#include "runtime/text/Expression.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "runtime/data/DateTime.h"
#include "runtime/data/FieldRef.h"
#include "runtime/text/ExpressionScope.h"
#include "runtime/text/Picture.h"

namespace {

using runtime::data::FieldKind;
using runtime::data::FieldRef;
using runtime::text::Expression;
using runtime::text::ExpressionError;
using runtime::text::ExpressionScope;
using runtime::text::ExpressionValue;

std::string Repeat(const std::string& s, size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

// Variables named as a record's fields would be, bound in a scope of their own.
class ExpressionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::strcpy(A, "x");
    std::strcpy(Url, "https://Shop.example/O'Neil");
    std::strcpy(Name, "O'Neil");
    ExpressionScope::Push();
    ExpressionScope::Bind("A", FieldRef::Of(A));
    ExpressionScope::Bind("B", FieldRef::Of(B));
    ExpressionScope::Bind("C", FieldRef(&C, FieldKind::Decimal, sizeof C, 2));
    ExpressionScope::Bind("URL:URL", FieldRef::Of(Url));
    ExpressionScope::Bind("PER:NAME", FieldRef::Of(Name));
    ExpressionScope::Bind("R", FieldRef::Of(R));
    ExpressionScope::Bind("D", FieldRef(&D, FieldKind::Date, sizeof D));
  }
  void TearDown() override { ExpressionScope::Pop(); }

  static std::string Value(const std::string& text) {
    ExpressionValue v;
    ExpressionError e = Expression::Evaluate(text, v);
    EXPECT_FALSE(e.IsError()) << text << ": " << e.Describe();
    return v.AsText();
  }

  char A[20] = {};
  int32_t B = 5;
  int64_t C = 150;  // 1.50
  char Url[100] = {};
  char Name[30] = {};
  double R = 0.1;
  int32_t D = 0;
};

TEST_F(ExpressionTest, FiltersOnBoundVariables) {
  struct Case {
    const char* Text;
    bool Expected;
  };
  const Case cases[] = {
      // The text the view manager builds for a range and a standard filter.
      {"A = 'x' AND B >= 1 AND B <= 9 AND (C > 0)", true},
      {"A = 'x' AND B >= 6 AND B <= 9 AND (C > 0)", false},
      {"PER:NAME = 'O''Neil'", true},
      {"UPPER(PER:NAME) = UPPER('O''Neil')", true},
      {"PER:NAME = 'O''NEIL'", false},
      // ~ as negation: of a comparison, and of an expression.
      {"B ~= 5", false},
      {"B ~= 4", true},
      {"B ~< 5", true},
      {"B ~> 4", false},
      {"B ~<= 4", true},
      {"~(B = 5)", false},
      {"~B = 4", true},
      {"NOT B = 5", false},
      {"NOT NOT B = 5", true},
      {"B <> 5", false},
      {"B = 4 OR B = 5 AND A = 'x'", true},
      {"(B = 4 OR B = 5) AND A = 'y'", false},
      // Keywords and names in any case.
      {"a = 'x' and b >= 1 oR not b = 5", true},
      {"upper(url:url) = 'HTTPS://SHOP.EXAMPLE/O''NEIL'", true},
      // Comparisons as FieldRef compares: numbers with numbers and numeric texts,
      // texts byte-wise with trailing blanks ignored.
      {"B = '5'", true},
      {"B = ' 5.0 '", true},
      {"C = 1.5", true},
      {"C > 1.499", true},
      {"R = 0.1", true},
      {"'10' > '9'", false},
      {"'abc   ' = 'abc'", true},
      {"-B < 0", true},
      {"-(B) = -5", true},
      {"(B > 1) = 1", true},
      // Query-by-example shapes.
      {"INSTRING('SHOP',UPPER(URL:URL),1,1) <> 0", true},
      {"INSTRING('shop',URL:URL,1,1) <> 0", false},
      {"SUB(URL:URL,1,5) = 'https'", true},
      {"SUB(LEFT(B),1,1) = '5'", true},
      {"(B <= 5)", true},
      {"FORMAT(B,@n05) = '00005'", true},
      // A server-side condition counts as met when evaluated here.
      {" ''=SQL(Name LIKE 'a%' AND (x))", true},
      {"''=SQL(  ')' ) AND B = 5", true},
      // Truth of plain values.
      {"A", true},
      {"'   '", false},
      {"0", false},
      {"0.01", true},
  };
  for (const Case& c : cases) {
    Expression e;
    ExpressionError error = e.Parse(c.Text);
    ASSERT_FALSE(error.IsError()) << c.Text << ": " << error.Describe();
    EXPECT_EQ(e.Accepts(), c.Expected) << c.Text;
  }
}

TEST_F(ExpressionTest, FunctionValues) {
  struct Case {
    const char* Text;
    const char* Expected;
  };
  const Case cases[] = {
      {"UPPER('O''Neil')", "O'NEIL"},
      {"LOWER('AbC')", "abc"},
      {"UPPER(B)", "5"},
      {"INSTRING('DEF','ABCDEFGHIJ',1,1)", "4"},
      {"INSTRING('DEF','ABCDEFGHIJ',3,1)", "2"},  // the third-sized piece it starts in
      {"INSTRING('DEF','ABCDEFGHIJ',2,1)", "0"},  // never tried at position 4
      {"INSTRING('DEF','ABCDEFGHIJ')", "4"},
      {"INSTRING('A','ABAB',-1,4)", "3"},
      {"INSTRING('','ABC',1,1)", "0"},
      {"INSTRING('A','ABC',0,1)", "0"},
      {"INSTRING('ABCD','ABC',1,1)", "0"},
      {"SUB('ABCDE',2,3)", "BCD"},
      {"SUB('ABCDE',-2,2)", "DE"},
      {"SUB('ABCDE',2)", "BCDE"},
      {"SUB('ABC',5,1)", ""},
      {"SUB('ABC',0,2)", "AB"},
      {"SUB('ABC',2,-1)", ""},
      {"SUB('ABC',-9999999999999,2)", "AB"},
      {"LEFT('  12')", "12  "},
      {"LEFT('  ab',3)", "ab "},
      {"LEFT('ab',4)", "ab  "},
      {"LEFT('abc',2)", "ab"},
      {"LEFT('\xC3\xA9t\xC3\xA9',1)", " "},  // never half a character
      {"FORMAT(-12,@n09)", "-00000012"},
      {"FORMAT('12',@n05)", "00012"},
      {"-1.25", "-1.25"},
      {"12.50", "12.50"},
      {"SQL(anything at all)", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Value(c.Text), c.Expected) << c.Text;
  }
  // FORMAT shows a Decimal and a date exactly as the picture does.
  EXPECT_EQ(Value("FORMAT(C,@n-9.2)"),
            runtime::text::Picture::Format(FieldRef(&C, FieldKind::Decimal, sizeof C, 2), "@n-9.2"));
  D = 739317;
  EXPECT_EQ(Value("FORMAT(D,@D17)"), runtime::text::Picture::Format(FieldRef(&D, FieldKind::Date, sizeof D), "@D17"));
  EXPECT_NE(Value("FORMAT(D,@D17)"), "739317");
  // Too many digits for an exact number: read as a real.
  ExpressionValue big;
  ASSERT_FALSE(Expression::Evaluate("123456789012345678901234", big).IsError());
  EXPECT_DOUBLE_EQ(big.AsReal(), 123456789012345678901234.0);
}

TEST_F(ExpressionTest, ReadsTheVariablesWhenEvaluated) {
  Expression e;
  ASSERT_FALSE(e.Parse("A = 'x' AND B > 3").IsError());
  EXPECT_TRUE(e.Accepts());
  B = 2;
  EXPECT_FALSE(e.Accepts());
  B = 4;
  std::strcpy(A, "y");
  EXPECT_FALSE(e.Accepts());
}

TEST_F(ExpressionTest, BadTextsGiveThePlaceAndReason) {
  struct Case {
    const char* Text;
    size_t Position;
    const char* MessagePart;
  };
  const Case cases[] = {
      {"A = ", 5, "value is expected"},
      {"A = 'x", 5, "not closed"},
      {"(A = 'x'", 9, "expected ')'"},
      {"FOO = 1", 1, "unknown name 'FOO'"},
      {"A = BAR(1)", 5, "unknown function 'BAR'"},
      {"SUB('a')", 1, "SUB takes 2 to 3 values"},
      {"UPPER('a','b')", 1, "UPPER takes 1 value"},
      {"A = 'x' B", 9, "after the end"},
      {"A << 1", 3, "unknown operator '<<'"},
      {"A ~ 1", 3, "comparison must follow"},
      {"A = 1 AND", 10, "value is expected"},
      {"A # 1", 3, "unexpected character '#'"},
      {"FORMAT(B, @)", 11, "picture expected"},
      {"SQL(a", 1, "not closed"},
      {"AND B = 1", 1, "value is expected before AND"},
      {"SUB('abc',1,", 13, "value is expected"},
      {")", 1, "value is expected"},
  };
  for (const Case& c : cases) {
    Expression e;
    ExpressionError error = e.Parse(c.Text);
    EXPECT_TRUE(error.IsError()) << c.Text;
    EXPECT_EQ(error.Position, c.Position) << c.Text << ": " << error.Describe();
    EXPECT_NE(error.Message.find(c.MessagePart), std::string::npos) << c.Text << ": " << error.Message;
    EXPECT_TRUE(e.IsEmpty()) << c.Text;
  }
}

TEST_F(ExpressionTest, AbsurdNestingIsRefusedAndReasonableNestingIsNot) {
  const std::string tooDeep[] = {
      Repeat("(", 100000) + "1" + Repeat(")", 100000),
      Repeat("NOT ", 100000) + "1",
      Repeat("-", 100000) + "1",
      Repeat("~", 100000) + "1",
      Repeat("UPPER(", 100000) + "'a'" + Repeat(")", 100000),
      "1" + Repeat(" = 1", 1000),
  };
  for (const std::string& text : tooDeep) {
    Expression e;
    ExpressionError error = e.Parse(text);
    EXPECT_TRUE(error.IsError()) << text.substr(0, 20);
    EXPECT_NE(error.Message.find("nested too deeply"), std::string::npos) << error.Message;
  }
  Expression fine;
  ASSERT_FALSE(fine.Parse(Repeat("(", 100) + "B = 5" + Repeat(")", 100)).IsError());
  EXPECT_TRUE(fine.Accepts());
  // A long flat list of conditions is not nesting.
  ASSERT_FALSE(fine.Parse(Repeat("B = 1 OR ", 20000) + "B = 5").IsError());
  EXPECT_TRUE(fine.Accepts());
}

TEST_F(ExpressionTest, GarbageNeverCrashes) {
  const std::string pieces[] = {"(", ")", "'", "''", ",", " ", "A", "B", "AND", "OR", "NOT", "~", "=", "<", ">",
                                "-", "+", "@", "@n9", "1", "2.5", ".", "UPPER(", "SUB(", "INSTRING(", "LEFT(",
                                "FORMAT(", "SQL(", "URL:URL", "\xC3\xA9", "#", "\n", "0", "C"};
  std::mt19937 random(20240607);
  std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
  std::uniform_int_distribution<size_t> length(0, 30);
  size_t parsed = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    for (size_t n = length(random); n > 0; --n) text += pieces[pick(random)];
    Expression e;
    ExpressionError error = e.Parse(text);
    if (error.IsError()) {
      EXPECT_GE(error.Position, 1u) << text;
      EXPECT_LE(error.Position, text.size() + 1) << text;
      EXPECT_FALSE(error.Message.empty()) << text;
    } else {
      ++parsed;
      (void)e.Evaluate();
    }
  }
  EXPECT_GT(parsed, 0u);
}

TEST_F(ExpressionTest, OrderComponentsAreRecognisedAsFields) {
  FieldRef field;
  bool upper = true;
  Expression e;
  ASSERT_FALSE(e.Parse("url:url").IsError());
  ASSERT_TRUE(e.IsField(field, upper));
  EXPECT_TRUE(field.SameVariable(FieldRef::Of(Url)));
  EXPECT_FALSE(upper);
  ASSERT_FALSE(e.Parse("UPPER(URL:URL)").IsError());
  ASSERT_TRUE(e.IsField(field, upper));
  EXPECT_TRUE(upper);
  ASSERT_FALSE(e.Parse("SUB(URL:URL,1,2)").IsError());
  EXPECT_FALSE(e.IsField(field, upper));
  ASSERT_FALSE(e.Parse("UPPER('x')").IsError());
  EXPECT_FALSE(e.IsField(field, upper));
}

TEST_F(ExpressionTest, AResolverComesBeforeTheScope) {
  int32_t other = 7;
  Expression e;
  auto resolver = [&other](std::string_view name) -> std::optional<FieldRef> {
    if (name == "B") return FieldRef::Of(other);
    return std::nullopt;
  };
  ASSERT_FALSE(e.Parse("B = 7 AND A = 'x'", resolver).IsError());
  EXPECT_TRUE(e.Accepts());
}

TEST(ExpressionScopeTest, InnerScopesHideOuterNamesUntilPopped) {
  int32_t outer = 1, inner = 2;
  const size_t depth = ExpressionScope::Depth();
  ExpressionScope::Push();
  ExpressionScope::Bind("LOC:N", FieldRef::Of(outer));
  ExpressionScope::Push();
  ExpressionScope::Bind("loc:n", FieldRef::Of(inner));
  ExpressionValue v;
  ASSERT_FALSE(Expression::Evaluate("LOC:N", v).IsError());
  EXPECT_EQ(v.AsInteger(), 2);
  EXPECT_TRUE(ExpressionScope::Pop());
  ASSERT_FALSE(Expression::Evaluate("LOC:N", v).IsError());
  EXPECT_EQ(v.AsInteger(), 1);
  EXPECT_TRUE(ExpressionScope::Unbind("Loc:N"));
  EXPECT_TRUE(Expression::Evaluate("LOC:N", v).IsError());
  EXPECT_TRUE(ExpressionScope::Pop());
  EXPECT_EQ(ExpressionScope::Depth(), depth);
  // The base scope stays.
  while (ExpressionScope::Pop()) {
  }
  EXPECT_FALSE(ExpressionScope::Pop());
}

TEST(ExpressionScopeThreadTest, EachThreadHasItsOwnNames) {
  int32_t mine = 1;
  ExpressionScope::Push();
  ExpressionScope::Bind("T:V", FieldRef::Of(mine));
  bool otherSees = true;
  std::thread other([&otherSees] {
    ExpressionValue v;
    otherSees = !Expression::Evaluate("T:V", v).IsError();
  });
  other.join();
  EXPECT_FALSE(otherSees);
  ExpressionValue v;
  EXPECT_FALSE(Expression::Evaluate("T:V", v).IsError());
  ExpressionScope::Pop();
}

}  // namespace
