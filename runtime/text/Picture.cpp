#include "runtime/text/Picture.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "runtime/data/DateTime.h"
#include "runtime/data/DecimalDigits.h"
#include "runtime/text/AsciiCase.h"
#include "runtime/text/Utf8.h"

namespace runtime::text {

using runtime::data::DateTime;
using runtime::data::FieldKind;
using runtime::data::FieldRef;

namespace {

using runtime::data::DecimalDigits;

constexpr char PictureMark = '@';
constexpr char OverflowFill = '#';
constexpr size_t MaxNumberWidth = 255;   // wider than any entry or column
constexpr size_t MaxNumberPlaces = 30;
constexpr int LongDatePicture = 18;
constexpr int ShortDateWidth = 10;       // "2025-03-07"
constexpr int LongDateWidth = 18;        // "September 30, 2025"
constexpr int TimeWidth = 8;             // "14:05:09"
constexpr size_t MonthNameMinimum = 3;   // "Mar" is enough to name a month
constexpr size_t YearDigits = 4;
constexpr size_t MaxDayOrMonthDigits = 2;
constexpr int HundredthsPerTenth = 10;

constexpr std::array<const char*, 12> MonthNames = {"January", "February", "March",     "April",
                                                    "May",     "June",     "July",      "August",
                                                    "September", "October", "November", "December"};

char Upper(char c) {
  return AsciiCase::Upper(c);
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Reads a run of digits as a number; nothing when there are none or it overflows.
std::optional<size_t> TakeNumber(std::string_view& s, size_t maxDigits = SIZE_MAX) {
  size_t n = 0;
  while (n < s.size() && n < maxDigits && IsDigit(s[n])) ++n;
  if (n == 0) return std::nullopt;
  size_t value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + n, value);
  if (ec != std::errc{}) return std::nullopt;
  s.remove_prefix(static_cast<size_t>(end - s.data()));
  return value;
}

bool TakeChar(std::string_view& s, char upperCase) {
  if (s.empty() || Upper(s.front()) != upperCase) return false;
  s.remove_prefix(1);
  return true;
}

using Shape = Picture::Parsed;

Shape ParsePicture(std::string_view picture) {
  std::string_view s = Trim(picture);
  if (!s.empty() && s.front() == PictureMark) s.remove_prefix(1);
  Shape shape;
  if (s.empty()) return shape;
  const char letter = Upper(s.front());
  s.remove_prefix(1);
  switch (letter) {
    case 'S': {
      auto n = TakeNumber(s);
      if (!n || *n == 0 || !s.empty()) return {};
      shape.Cat = Picture::Category::Text;
      shape.Width = *n;
      return shape;
    }
    case 'N': {
      if (!s.empty() && (s.front() == '0' || s.front() == '*' || s.front() == '_')) {
        shape.Fill = s.front() == '_' ? ' ' : s.front();
        s.remove_prefix(1);
      }
      if (!s.empty() && s.front() == '-') s.remove_prefix(1);
      auto width = TakeNumber(s);
      if (!width || *width == 0 || *width > MaxNumberWidth) return {};
      shape.Width = *width;
      if (TakeChar(s, '.')) {
        auto places = TakeNumber(s);
        if (!places || *places > MaxNumberPlaces) return {};
        shape.Places = *places;
      }
      shape.BlankZero = TakeChar(s, 'B');
      if (!s.empty()) return {};
      shape.Cat = Picture::Category::Number;
      return shape;
    }
    case 'D':
    case 'T': {
      auto number = TakeNumber(s);
      if (!number) return {};
      TakeChar(s, 'B');  // dates and times of 0 are blank anyway
      if (!s.empty()) return {};
      if (letter == 'D') {
        shape.Cat = Picture::Category::Date;
        shape.Width = *number == LongDatePicture ? LongDateWidth : ShortDateWidth;
      } else {
        shape.Cat = Picture::Category::Time;
        shape.Width = TimeWidth;
      }
      return shape;
    }
    default: return {};
  }
}

std::string Overflow(const Shape& shape) { return std::string(shape.Width, OverflowFill); }

// The number a value holds: numeric kinds exactly, texts when they read as a plain
// number (blank is 0).
std::optional<DecimalDigits> NumberOf(const FieldRef& value) {
  std::string text = value.GetText();
  std::string_view t = Trim(text);
  if (value.IsText() && t.empty()) return DecimalDigits{};
  return DecimalDigits::Parse(t);
}

// Rounds half away from zero to exactly `places` digits after the point.
DecimalDigits Round(DecimalDigits d, size_t places) {
  bool up = d.Frac.size() > places && d.Frac[places] >= '5';
  d.Frac.resize(places, '0');
  if (up) {
    std::string all = d.Int + d.Frac;
    size_t i = all.size();
    while (i > 0 && all[i - 1] == '9') all[--i] = '0';
    if (i == 0) {
      all.insert(all.begin(), '1');
    } else {
      ++all[i - 1];
    }
    d.Int = all.substr(0, all.size() - places);
    d.Frac = all.substr(all.size() - places);
  }
  if (d.Int.find_first_not_of('0') == std::string::npos && d.Frac.find_first_not_of('0') == std::string::npos) {
    d.Negative = false;
    d.Int.clear();
  }
  return d;
}

// Characters the number needs without fill: sign, integer digits (at least "0"),
// point and places.
size_t NeededWidth(const DecimalDigits& rounded, size_t places) {
  return (rounded.Negative ? 1 : 0) + std::max<size_t>(1, rounded.Int.size()) + (places > 0 ? places + 1 : 0);
}

std::string FormatNumber(const DecimalDigits& value, const Shape& shape) {
  DecimalDigits d = Round(value, shape.Places);
  bool zero = d.Int.empty() && d.Frac.find_first_not_of('0') == std::string::npos;
  if (zero && shape.BlankZero) return {};
  if (NeededWidth(d, shape.Places) > shape.Width) return Overflow(shape);
  std::string body = d.Int.empty() ? "0" : d.Int;
  if (shape.Places > 0) body += "." + d.Frac;
  std::string sign = d.Negative ? "-" : "";
  size_t pad = shape.Width - (sign.size() + body.size());
  switch (shape.Fill) {
    case '0': return sign + std::string(pad, '0') + body;
    case '*': return std::string(pad, '*') + sign + body;
    default: return sign + body;
  }
}

// Whether a value is of an integer kind (its text is its plain decimal digits).
bool HoldsWholeNumber(const FieldRef& value) {
  if (value.IsNull() || !value.IsNumeric()) return false;
  return value.Kind() != FieldKind::Real && value.Kind() != FieldKind::Decimal;
}

// FormatNumber for a whole number, without its digits taken apart and put together
// again: the same text.
std::string FormatWholeNumber(int64_t value, const Shape& shape) {
  const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  if (magnitude == 0 && shape.BlankZero) return {};
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, magnitude);
  const auto length = static_cast<size_t>(end - digits);  // "0" for zero, as the body shows it
  const bool negative = value < 0;
  const size_t fraction = shape.Places > 0 ? shape.Places + 1 : 0;
  const size_t needed = (negative ? 1 : 0) + length + fraction;
  if (needed > shape.Width) return Overflow(shape);
  const size_t pad = shape.Width - needed;
  std::string out;
  out.reserve(shape.Fill == ' ' ? needed : shape.Width);
  if (shape.Fill == '*') out.append(pad, '*');
  if (negative) out += '-';
  if (shape.Fill == '0') out.append(pad, '0');
  out.append(digits, length);
  if (shape.Places > 0) {
    out += '.';
    out.append(shape.Places, '0');
  }
  return out;
}

// A day or time number held by a value; nothing when it holds no whole number.
std::optional<int64_t> WholeNumberOf(const FieldRef& value) {
  if (value.IsNumeric() && value.Kind() != FieldKind::Real && value.Kind() != FieldKind::Decimal) {
    return value.GetInteger();
  }
  auto d = NumberOf(value);
  if (!d || !d->Frac.empty() || d->Int.size() > std::numeric_limits<int32_t>::digits10) return std::nullopt;
  int64_t magnitude = d->Int.empty() ? 0 : std::stoll(d->Int);
  return d->Negative ? -magnitude : magnitude;
}

std::string TwoDigits(int v) {
  char buf[4];
  std::snprintf(buf, sizeof buf, "%02d", v % 100);
  return buf;
}

std::string FormatDate(const FieldRef& value, const Shape& shape, bool longForm) {
  auto day = WholeNumberOf(value);
  if (!day) return Overflow(shape);
  if (*day == DateTime::NoDate) return {};
  if (*day < DateTime::FirstDay || *day > DateTime::LastDay) return Overflow(shape);
  auto parts = DateTime::SplitDate(static_cast<int32_t>(*day));
  char buf[32];
  if (longForm) {
    std::snprintf(buf, sizeof buf, "%s %d, %04d", MonthNames[static_cast<size_t>(parts->Month - 1)], parts->Day,
                  parts->Year);
  } else {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", parts->Year, parts->Month, parts->Day);
  }
  return buf;
}

std::string FormatTime(const FieldRef& value, const Shape& shape) {
  auto time = WholeNumberOf(value);
  if (!time) return Overflow(shape);
  if (*time == DateTime::NoTime) return {};
  if (*time < DateTime::Midnight || *time > DateTime::LastTime) return Overflow(shape);
  auto parts = DateTime::SplitTime(static_cast<int32_t>(*time));
  return TwoDigits(parts->Hours) + ":" + TwoDigits(parts->Minutes) + ":" + TwoDigits(parts->Seconds);
}

// A month named in full or by its first three or more letters.
std::optional<int> TakeMonthName(std::string_view& s) {
  size_t n = 0;
  while (n < s.size() && Upper(s[n]) >= 'A' && Upper(s[n]) <= 'Z') ++n;
  if (n < MonthNameMinimum) return std::nullopt;
  for (size_t m = 0; m < MonthNames.size(); ++m) {
    std::string_view name = MonthNames[m];
    if (n > name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < n && same; ++i) same = Upper(s[i]) == Upper(name[i]);
    if (same) {
      s.remove_prefix(n);
      return static_cast<int>(m + 1);
    }
  }
  return std::nullopt;
}

void SkipBlanks(std::string_view& s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
}

// "2025-03-07" (also with "/" or "."), or for the long form "March 7, 2025".
std::optional<int32_t> ParseDate(std::string_view s, bool longForm) {
  std::string_view rest = s;
  int year = 0, month = 0, day = 0;
  if (longForm && !rest.empty() && !IsDigit(rest.front())) {
    auto m = TakeMonthName(rest);
    SkipBlanks(rest);
    auto d = TakeNumber(rest, MaxDayOrMonthDigits);
    if (!m || !d) return std::nullopt;
    if (!rest.empty() && rest.front() == ',') rest.remove_prefix(1);
    SkipBlanks(rest);
    const size_t before = rest.size();
    auto y = TakeNumber(rest, YearDigits);
    if (!y || before - rest.size() != YearDigits) return std::nullopt;
    year = static_cast<int>(*y), month = *m, day = static_cast<int>(*d);
  } else {
    const size_t before = rest.size();
    auto y = TakeNumber(rest, YearDigits);
    if (!y || before - rest.size() != YearDigits || rest.empty()) return std::nullopt;
    const char separator = rest.front();
    if (separator != '-' && separator != '/' && separator != '.') return std::nullopt;
    rest.remove_prefix(1);
    auto m = TakeNumber(rest, MaxDayOrMonthDigits);
    if (!m || rest.empty() || rest.front() != separator) return std::nullopt;
    rest.remove_prefix(1);
    auto d = TakeNumber(rest, MaxDayOrMonthDigits);
    if (!d) return std::nullopt;
    year = static_cast<int>(*y), month = static_cast<int>(*m), day = static_cast<int>(*d);
  }
  if (!rest.empty()) return std::nullopt;
  int32_t date = DateTime::DateOf(year, month, day);
  if (date == DateTime::NoDate) return std::nullopt;
  return date;
}

// "14:05", "14:05:09" or "14:05:09.5" (a fraction of a second, to hundredths).
std::optional<int32_t> ParseTime(std::string_view s) {
  auto h = TakeNumber(s, MaxDayOrMonthDigits);
  if (!h || s.empty() || s.front() != ':') return std::nullopt;
  s.remove_prefix(1);
  const size_t minuteStart = s.size();
  auto m = TakeNumber(s, MaxDayOrMonthDigits);
  if (!m || minuteStart - s.size() != MaxDayOrMonthDigits) return std::nullopt;
  size_t seconds = 0, hundredths = 0;
  if (!s.empty() && s.front() == ':') {
    s.remove_prefix(1);
    const size_t secondStart = s.size();
    auto sec = TakeNumber(s, MaxDayOrMonthDigits);
    if (!sec || secondStart - s.size() != MaxDayOrMonthDigits) return std::nullopt;
    seconds = *sec;
    if (!s.empty() && s.front() == '.') {
      s.remove_prefix(1);
      const size_t fractionStart = s.size();
      auto f = TakeNumber(s, MaxDayOrMonthDigits);
      if (!f) return std::nullopt;
      hundredths = fractionStart - s.size() == 1 ? *f * HundredthsPerTenth : *f;
    }
  }
  if (!s.empty()) return std::nullopt;
  int32_t time = DateTime::TimeOf(static_cast<int>(*h), static_cast<int>(*m), static_cast<int>(seconds),
                                  static_cast<int>(hundredths));
  if (time == DateTime::NoTime) return std::nullopt;
  return time;
}

bool DeformatNumber(std::string_view text, const Shape& shape, FieldRef& target) {
  std::string_view t = Trim(text);
  if (shape.Fill == '*') {
    while (!t.empty() && t.front() == '*') t.remove_prefix(1);
    t = Trim(t);
  }
  DecimalDigits d;
  if (!t.empty()) {
    auto parsed = DecimalDigits::Parse(t);
    if (!parsed || parsed->Frac.size() > shape.Places) return false;
    d = *parsed;
  }
  if (NeededWidth(d, shape.Places) > shape.Width) return false;
  std::string canonical = (d.Negative ? "-" : "") + (d.Int.empty() ? std::string("0") : d.Int);
  if (!d.Frac.empty()) canonical += "." + d.Frac;
  if (target.Kind() == FieldKind::CString && canonical.size() >= target.Size()) return false;
  return target.SetText(canonical);
}

// Only characters that can never make a number are refused while typing: a digit or a
// point too many is let through and refused with a message when the entry is left, as
// a dropped keystroke would turn "12.5" into 125.
bool PartialNumber(std::string_view t, const Shape& shape) {
  t = Trim(t);
  if (shape.Fill == '*') {
    while (!t.empty() && t.front() == '*') t.remove_prefix(1);
  }
  if (!t.empty() && (t.front() == '-' || t.front() == '+')) t.remove_prefix(1);
  while (!t.empty() && IsDigit(t.front())) t.remove_prefix(1);
  if (!t.empty() && t.front() == '.') {
    t.remove_prefix(1);
    while (!t.empty() && IsDigit(t.front())) t.remove_prefix(1);
  }
  return t.empty();
}

bool IsLongDate(const Shape& shape) {
  return shape.Cat == Picture::Category::Date && shape.Width == static_cast<size_t>(LongDateWidth);
}

bool PartialDateOrTime(std::string_view t, const Shape& shape) {
  if (t.size() > shape.Width) return false;
  const bool longDate = IsLongDate(shape);
  return std::all_of(t.begin(), t.end(), [&](char c) {
    if (IsDigit(c)) return true;
    if (shape.Cat == Picture::Category::Time) return c == ':' || c == '.';
    if (c == '-' || c == '/' || c == '.') return true;
    return longDate && ((Upper(c) >= 'A' && Upper(c) <= 'Z') || c == ' ' || c == ',');
  });
}

}  // namespace

Picture::Parsed Picture::Parse(std::string_view picture) { return ParsePicture(picture); }

Picture::Category Picture::Classify(std::string_view picture) { return ParsePicture(picture).Cat; }

std::string Picture::Format(const FieldRef& value, std::string_view picture) {
  return Format(value, ParsePicture(picture));
}

std::string Picture::Format(const FieldRef& value, const Parsed& shape) {
  switch (shape.Cat) {
    case Category::Plain: return value.GetText();
    case Category::Text: {
      std::string text = value.GetText();
      // A number's digits are not cut either: a shorter number would read as another value.
      if (value.IsNumeric() && text.size() > shape.Width) return Overflow(shape);
      text.resize(Utf8::PrefixLength(text, shape.Width));
      return text;
    }
    case Category::Number: {
      if (HoldsWholeNumber(value)) return FormatWholeNumber(value.GetInteger(), shape);
      auto d = NumberOf(value);
      return d ? FormatNumber(*d, shape) : Overflow(shape);
    }
    case Category::Date: return FormatDate(value, shape, IsLongDate(shape));
    case Category::Time: return FormatTime(value, shape);
  }
  return value.GetText();
}

std::string Picture::Format(std::string_view text, std::string_view picture) {
  std::string copy(text);
  return Format(FieldRef::Of(copy), picture);
}

std::string Picture::Format(int64_t value, std::string_view picture) {
  return Format(FieldRef::Of(value), picture);
}

std::string Picture::Format(double value, std::string_view picture) { return Format(FieldRef::Of(value), picture); }

bool Picture::Deformat(std::string_view text, std::string_view picture, FieldRef target) {
  if (target.IsNull()) return false;
  const Shape shape = ParsePicture(picture);
  switch (shape.Cat) {
    case Category::Plain: return target.SetText(text);
    // A text longer than the picture is refused, never stored cut: the cut text would
    // be another address, name or value.
    case Category::Text: return text.size() <= shape.Width && target.SetText(text);
    case Category::Number: return DeformatNumber(text, shape, target);
    case Category::Date:
    case Category::Time: {
      std::string_view t = Trim(text);
      if (t.empty()) return target.SetInteger(0);
      auto value = shape.Cat == Category::Date ? ParseDate(t, IsLongDate(shape)) : ParseTime(t);
      return value && target.SetInteger(*value);
    }
  }
  return false;
}

int Picture::Width(std::string_view picture) {
  const Shape shape = ParsePicture(picture);
  return shape.Cat == Category::Plain ? 0 : static_cast<int>(std::min<size_t>(shape.Width, INT32_MAX));
}

bool Picture::Accepts(std::string_view picture, std::string_view partialText) {
  const Shape shape = ParsePicture(picture);
  switch (shape.Cat) {
    case Category::Plain: return true;
    // Too long a text is let through and refused with a message when the entry is left.
    case Category::Text: return true;
    case Category::Number: return PartialNumber(partialText, shape);
    case Category::Date:
    case Category::Time: return PartialDateOrTime(partialText, shape);
  }
  return true;
}

}  // namespace runtime::text
