#pragma once
// An exact decimal number held as its sign and digits, so that conversions,
// comparisons and pictures never lose precision whatever the kinds involved.

#include <optional>
#include <string>
#include <string_view>

namespace runtime::data {

struct DecimalDigits {
  bool Negative = false;
  std::string Int;   // no leading zeros; empty for a zero integer part
  std::string Frac;  // no trailing zeros

  bool IsZero() const { return Int.empty() && Frac.empty(); }
  // Drops leading zeros of Int and trailing zeros of Frac; zero is never negative.
  void Normalise();
  // "[+-]digits[.digits]" with at least one digit and nothing else; normalised.
  static std::optional<DecimalDigits> Parse(std::string_view text);
};

}  // namespace runtime::data
