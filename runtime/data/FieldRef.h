#pragma once
// A typed, non-owning reference to one variable or record field. Field pairs, keys,
// locators, ranges, the INI manager and the expression binder move values through it.
//
// Copy and compare convert between kinds:
//  - text to text: a CString takes at most Size-1 bytes, cut so that no UTF-8
//    character is split; a String takes everything.
//  - number to text: plain decimal text ("-12", "3.5"); Date and Time as their day and
//    time numbers.
//  - text to number: leading and trailing blanks ignored; an empty text is 0; a text
//    that is not a number, or a number that does not fit the target kind, is refused
//    (the call returns false and the target keeps its value: nothing is stored wrapped).
//  - number to number: refused when it does not fit (Decimal keeps Places digits, rounding).
// Compare: numeric when both sides are numeric or both texts read as numbers with a
// numeric side; otherwise byte-wise text comparison with trailing blanks ignored.
//
// Details of the conversions:
//  - numbers are converted through their decimal text (for a Real, the shortest text
//    that reads back as the same double), so 0.1 stored in a Real compares equal to
//    the text "0.1", and 2.675 rounds to 2.68 at two places, as written.
//  - text to an integer kind (Byte ... ULong, Date, Time) must be a whole number
//    ("12", "12.0"); "12.5" is refused. Number to an integer kind rounds half away
//    from zero, like Decimal places.
//  - a number to a CString that cannot hold all of its digits is refused: a cut
//    number would read as another value.
//  - Real accepts exponent forms ("1e3") from text; infinities and NaN are refused
//    by every other kind. GetText of a Real is its shortest exact-round-trip text
//    without an exponent.
//
// A FieldRef is as thread-safe as the variable it refers to.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/data/FieldKind.h"

namespace runtime::data {

class FieldRef {
 public:
  FieldRef() = default;
  FieldRef(void* address, FieldKind kind, size_t size, uint8_t places = 0)
      : Addr(address), TheKind(kind), TheSize(size), ThePlaces(places) {}

  static FieldRef Of(std::string& v) { return {&v, FieldKind::String, sizeof v}; }
  static FieldRef Of(uint8_t& v) { return {&v, FieldKind::Byte, 1}; }
  static FieldRef Of(int16_t& v) { return {&v, FieldKind::Short, 2}; }
  static FieldRef Of(uint16_t& v) { return {&v, FieldKind::UShort, 2}; }
  static FieldRef Of(int32_t& v) { return {&v, FieldKind::Long, 4}; }
  static FieldRef Of(uint32_t& v) { return {&v, FieldKind::ULong, 4}; }
  static FieldRef Of(double& v) { return {&v, FieldKind::Real, 8}; }
  // A 64-bit integer is a Decimal with no places.
  static FieldRef Of(int64_t& v) { return {&v, FieldKind::Decimal, 8}; }
  template <size_t N>
  static FieldRef Of(char (&v)[N]) {
    return {v, FieldKind::CString, N};
  }

  bool IsNull() const { return Addr == nullptr; }
  void* Address() const { return Addr; }
  FieldKind Kind() const { return TheKind; }
  size_t Size() const { return TheSize; }
  uint8_t Places() const { return ThePlaces; }
  bool IsText() const { return TheKind == FieldKind::CString || TheKind == FieldKind::String; }
  bool IsNumeric() const { return !IsText(); }
  bool SameVariable(const FieldRef& other) const { return Addr == other.Addr; }

  // The value as text (see the conversions above).
  std::string GetText() const;
  // Stores a text; false when a number kind refuses it (value unchanged).
  bool SetText(std::string_view text);
  // The value as a number; a text that is not a number gives 0.
  double GetReal() const;
  int64_t GetInteger() const;  // Real and Decimal truncate toward zero
  bool SetInteger(int64_t value);
  bool SetReal(double value);

  // this := from, converting; false when refused (value unchanged).
  bool Assign(const FieldRef& from);
  // <0, 0, >0 as this is less than, equal to or greater than other.
  int Compare(const FieldRef& other) const;
  // Text to empty, numbers to 0.
  void Clear();

 private:
  void* Addr = nullptr;
  FieldKind TheKind = FieldKind::CString;
  size_t TheSize = 0;
  uint8_t ThePlaces = 0;
};

}  // namespace runtime::data
