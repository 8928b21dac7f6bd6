#include "runtime/data/DecimalDigits.h"

namespace runtime::data {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void DecimalDigits::Normalise() {
  size_t lead = Int.find_first_not_of('0');
  Int.erase(0, lead == std::string::npos ? Int.size() : lead);
  size_t last = Frac.find_last_not_of('0');
  Frac.erase(last == std::string::npos ? 0 : last + 1);
  if (IsZero()) Negative = false;
}

std::optional<DecimalDigits> DecimalDigits::Parse(std::string_view s) {
  DecimalDigits d;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    d.Negative = s.front() == '-';
    s.remove_prefix(1);
  }
  size_t i = 0;
  while (i < s.size() && IsDigit(s[i])) d.Int.push_back(s[i++]);
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) d.Frac.push_back(s[i++]);
  }
  if (i != s.size() || (d.Int.empty() && d.Frac.empty())) return std::nullopt;
  d.Normalise();
  return d;
}

}  // namespace runtime::data
