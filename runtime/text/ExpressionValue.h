#pragma once
// The value of an expression or of one of its parts: a text or a number. Numbers keep
// the exactness of their source (a Decimal field or a literal such as 12.50 is held as
// scaled digits; only Real fields and very long literals are doubles), so that a
// comparison gives the same answer as comparing the fields themselves.
//
// Comparison follows FieldRef::Compare: numeric when both sides are numbers, or when
// one side is a number and the other a text that reads as one; otherwise byte-wise
// text comparison with trailing blanks ignored.
//
// Truth: a number is true when it is not zero; a text when it holds a non-blank
// character.
//
// A plain value; each thread uses its own.

#include <cstdint>
#include <string>

#include "runtime/data/FieldRef.h"

namespace runtime::text {

class ExpressionValue {
 public:
  enum class Type : uint8_t { Text, Number };

  ExpressionValue() = default;
  static ExpressionValue FromText(std::string text);
  static ExpressionValue FromInteger(int64_t value);
  // `scaled` is the value times 10^places.
  static ExpressionValue FromDecimal(int64_t scaled, uint8_t places);
  static ExpressionValue FromReal(double value);
  // A copy of the variable's current value: texts stay texts, every number kind
  // (dates and times as their day and time numbers) becomes a number.
  static ExpressionValue FromField(const runtime::data::FieldRef& field);
  // 1 or 0.
  static ExpressionValue FromBool(bool value) { return FromInteger(value ? 1 : 0); }

  Type Kind() const { return TheType; }
  bool IsText() const { return TheType == Type::Text; }
  bool IsNumber() const { return TheType == Type::Number; }

  // The value as text: a number as its plain decimal text ("-12", "3.50").
  std::string AsText() const;
  // The value as a number: a text that is not a number gives 0; fractions truncate
  // toward zero for AsInteger.
  double AsReal() const;
  int64_t AsInteger() const;
  bool IsTrue() const;

  // <0, 0, >0 (see above).
  int Compare(const ExpressionValue& other) const;
  // The negated number (a text is read as a number first).
  ExpressionValue Negated() const;

  // A reference to the held value, for FieldRef conversions and pictures. Valid while
  // this value lives and is not changed.
  runtime::data::FieldRef Ref() const;

 private:
  Type TheType = Type::Text;
  std::string Text;
  bool IsReal = false;
  int64_t Scaled = 0;  // when !IsReal: value * 10^Places
  uint8_t Places = 0;
  double Real = 0;     // when IsReal
};

}  // namespace runtime::text
