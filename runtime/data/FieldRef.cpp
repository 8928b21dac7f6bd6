#include "runtime/data/FieldRef.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <system_error>

#include "runtime/data/DecimalDigits.h"
#include "runtime/text/Utf8.h"

namespace runtime::data {
namespace {

// Room for the longest shortest-round-trip fixed text of a double (about 330 chars).
constexpr size_t RealTextBuffer = 512;
constexpr int DecimalBase = 10;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view TrimTrailingBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Kinds stored as a whole number of their own width.
bool IsIntegerKind(FieldKind k) {
  switch (k) {
    case FieldKind::Byte:
    case FieldKind::Short:
    case FieldKind::UShort:
    case FieldKind::Long:
    case FieldKind::ULong:
    case FieldKind::Date:
    case FieldKind::Time:
      return true;
    default:
      return false;
  }
}

struct IntRange {
  int64_t Min;
  int64_t Max;
};

IntRange RangeOf(FieldKind k) {
  switch (k) {
    case FieldKind::Byte: return {0, std::numeric_limits<uint8_t>::max()};
    case FieldKind::Short: return {std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()};
    case FieldKind::UShort: return {0, std::numeric_limits<uint16_t>::max()};
    case FieldKind::ULong: return {0, std::numeric_limits<uint32_t>::max()};
    case FieldKind::Long:
    case FieldKind::Date:
    case FieldKind::Time:
      return {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    default: return {std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()};
  }
}

// The bytes a numeric kind occupies (record fields may be unaligned, so values move by memcpy).
size_t NaturalSize(FieldKind k) {
  switch (k) {
    case FieldKind::Byte: return sizeof(uint8_t);
    case FieldKind::Short:
    case FieldKind::UShort: return sizeof(int16_t);
    case FieldKind::Long:
    case FieldKind::ULong:
    case FieldKind::Date:
    case FieldKind::Time: return sizeof(int32_t);
    case FieldKind::Real: return sizeof(double);
    case FieldKind::Decimal: return sizeof(int64_t);
    default: return 0;
  }
}

template <class T>
T Load(const void* addr) {
  T v;
  std::memcpy(&v, addr, sizeof v);
  return v;
}

template <class T>
void Store(void* addr, T v) {
  std::memcpy(addr, &v, sizeof v);
}

// REQUIRES: an integer kind or Decimal (the raw scaled value).
int64_t ReadInteger(const void* addr, FieldKind k) {
  switch (k) {
    case FieldKind::Byte: return Load<uint8_t>(addr);
    case FieldKind::Short: return Load<int16_t>(addr);
    case FieldKind::UShort: return Load<uint16_t>(addr);
    case FieldKind::ULong: return Load<uint32_t>(addr);
    case FieldKind::Long:
    case FieldKind::Date:
    case FieldKind::Time: return Load<int32_t>(addr);
    case FieldKind::Decimal: return Load<int64_t>(addr);
    default: return 0;
  }
}

// REQUIRES: an integer kind or Decimal, and `v` within RangeOf(k).
void WriteInteger(void* addr, FieldKind k, int64_t v) {
  switch (k) {
    case FieldKind::Byte: Store(addr, static_cast<uint8_t>(v)); break;
    case FieldKind::Short: Store(addr, static_cast<int16_t>(v)); break;
    case FieldKind::UShort: Store(addr, static_cast<uint16_t>(v)); break;
    case FieldKind::ULong: Store(addr, static_cast<uint32_t>(v)); break;
    case FieldKind::Long:
    case FieldKind::Date:
    case FieldKind::Time: Store(addr, static_cast<int32_t>(v)); break;
    case FieldKind::Decimal: Store(addr, v); break;
    default: break;
  }
}

std::optional<DecimalDigits> FromDouble(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  char buffer[RealTextBuffer];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed);
  if (ec != std::errc{}) return std::nullopt;
  return DecimalDigits::Parse(std::string_view(buffer, static_cast<size_t>(end - buffer)));
}

std::optional<double> ParseDouble(std::string_view s) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc{} || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

// A text as a number: blanks around it ignored, empty is 0, exponent forms accepted.
std::optional<DecimalDigits> ParseNumber(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) return DecimalDigits{};
  if (auto plain = DecimalDigits::Parse(text)) return plain;
  if (auto real = ParseDouble(text)) return FromDouble(*real);
  return std::nullopt;
}

DecimalDigits FromScaled(int64_t raw, unsigned places) {
  DecimalDigits d;
  d.Negative = raw < 0;
  // Through the unsigned magnitude so that the most negative value has a text too.
  uint64_t magnitude = d.Negative ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  std::string digits = std::to_string(magnitude);
  if (digits.size() <= places) digits.insert(0, places - digits.size() + 1, '0');
  d.Int = digits.substr(0, digits.size() - places);
  d.Frac = digits.substr(digits.size() - places);
  d.Normalise();
  return d;
}

// Plain text with at least `places` digits after the point ("-0.05", "12", "3.50").
std::string ToText(const DecimalDigits& d, size_t places = 0) {
  std::string s;
  if (d.Negative) s.push_back('-');
  s += d.Int.empty() ? "0" : d.Int;
  std::string frac = d.Frac;
  if (frac.size() < places) frac.append(places - frac.size(), '0');
  if (!frac.empty()) s += "." + frac;
  return s;
}

// value * 10^places rounded half away from zero; nothing when it leaves int64.
std::optional<int64_t> Scaled(const DecimalDigits& d, unsigned places) {
  std::string digits = d.Int + d.Frac.substr(0, std::min<size_t>(places, d.Frac.size()));
  if (d.Frac.size() < places) digits.append(places - d.Frac.size(), '0');
  bool roundUp = d.Frac.size() > places && d.Frac[places] >= '5';
  uint64_t magnitude = 0;
  for (char c : digits) {
    if (__builtin_mul_overflow(magnitude, static_cast<uint64_t>(DecimalBase), &magnitude) ||
        __builtin_add_overflow(magnitude, static_cast<uint64_t>(c - '0'), &magnitude)) {
      return std::nullopt;
    }
  }
  if (roundUp && __builtin_add_overflow(magnitude, uint64_t{1}, &magnitude)) return std::nullopt;
  constexpr uint64_t MaxPositive = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (d.Negative) {
    if (magnitude > MaxPositive + 1) return std::nullopt;
    return magnitude == MaxPositive + 1 ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(magnitude);
  }
  if (magnitude > MaxPositive) return std::nullopt;
  return static_cast<int64_t>(magnitude);
}

int CompareDigits(const DecimalDigits& a, const DecimalDigits& b) {
  if (a.Negative != b.Negative) return a.Negative ? -1 : 1;
  int magnitude = 0;
  if (a.Int.size() != b.Int.size()) {
    magnitude = a.Int.size() < b.Int.size() ? -1 : 1;
  } else if (int c = a.Int.compare(b.Int); c != 0) {
    magnitude = c < 0 ? -1 : 1;
  } else if (int f = a.Frac.compare(b.Frac); f != 0) {
    magnitude = f < 0 ? -1 : 1;
  }
  return a.Negative ? -magnitude : magnitude;
}

int Sign(int64_t a, int64_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

int CompareText(std::string_view a, std::string_view b) {
  int c = TrimTrailingBlanks(a).compare(TrimTrailingBlanks(b));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

std::string FieldRef::GetText() const {
  if (IsNull()) return {};
  switch (TheKind) {
    case FieldKind::CString:
      return std::string(static_cast<const char*>(Addr), strnlen(static_cast<const char*>(Addr), TheSize));
    case FieldKind::String: return *static_cast<const std::string*>(Addr);
    case FieldKind::Real: {
      double v = Load<double>(Addr);
      if (auto d = FromDouble(v)) return ToText(*d);
      return std::isnan(v) ? "nan" : (v < 0 ? "-inf" : "inf");
    }
    case FieldKind::Decimal: return ToText(FromScaled(Load<int64_t>(Addr), ThePlaces), ThePlaces);
    default: return std::to_string(ReadInteger(Addr, TheKind));
  }
}

namespace {

// The value of a reference as exact digits; nothing for a text that is not a
// number or a Real that is not finite.
std::optional<DecimalDigits> NumberOf(const FieldRef& r) {
  if (r.IsText()) return ParseNumber(r.GetText());
  if (r.Kind() == FieldKind::Real) return FromDouble(Load<double>(r.Address()));
  if (r.Kind() == FieldKind::Decimal) return FromScaled(Load<int64_t>(r.Address()), r.Places());
  return FromScaled(ReadInteger(r.Address(), r.Kind()), 0);
}

// Stores exact digits into a numeric reference. `wholeOnly` refuses a fraction for
// integer kinds (typed text); otherwise the fraction rounds away.
bool StoreNumber(const FieldRef& r, const DecimalDigits& d, bool wholeOnly) {
  if (r.Kind() == FieldKind::Real) {
    auto v = ParseDouble(ToText(d));
    if (!v) return false;
    Store(r.Address(), *v);
    return true;
  }
  if (r.Kind() == FieldKind::Decimal) {
    auto v = Scaled(d, r.Places());
    if (!v) return false;
    Store(r.Address(), *v);
    return true;
  }
  if (wholeOnly && !d.Frac.empty()) return false;
  auto v = Scaled(d, 0);
  if (!v) return false;
  IntRange range = RangeOf(r.Kind());
  if (*v < range.Min || *v > range.Max) return false;
  WriteInteger(r.Address(), r.Kind(), *v);
  return true;
}

// A number's text into a text reference; refused rather than cut.
bool StoreNumberText(const FieldRef& r, const std::string& text) {
  if (r.Kind() == FieldKind::CString && (r.Size() == 0 || text.size() > r.Size() - 1)) return false;
  FieldRef target = r;
  return target.SetText(text);
}

}  // namespace

bool FieldRef::SetText(std::string_view text) {
  if (IsNull()) return false;
  switch (TheKind) {
    case FieldKind::CString: {
      if (TheSize == 0) return false;
      size_t keep = runtime::text::Utf8::PrefixLength(text, TheSize - 1);
      char* dst = static_cast<char*>(Addr);
      // memmove: the text may come from this very field.
      std::memmove(dst, text.data(), keep);
      std::memset(dst + keep, 0, TheSize - keep);
      return true;
    }
    case FieldKind::String: static_cast<std::string*>(Addr)->assign(text); return true;
    case FieldKind::Real: {
      std::string_view trimmed = TrimBlanks(text);
      if (trimmed.empty()) {
        Store(Addr, 0.0);
        return true;
      }
      auto v = ParseDouble(trimmed);
      if (!v) return false;
      Store(Addr, *v);
      return true;
    }
    default: {
      auto d = ParseNumber(text);
      return d && StoreNumber(*this, *d, true);
    }
  }
}

double FieldRef::GetReal() const {
  if (IsNull()) return 0;
  if (TheKind == FieldKind::Real) return Load<double>(Addr);
  if (IsIntegerKind(TheKind)) return static_cast<double>(ReadInteger(Addr, TheKind));
  auto d = NumberOf(*this);
  if (!d) return 0;
  return ParseDouble(ToText(*d)).value_or(0);
}

int64_t FieldRef::GetInteger() const {
  if (IsNull()) return 0;
  if (IsIntegerKind(TheKind)) return ReadInteger(Addr, TheKind);
  if (TheKind == FieldKind::Decimal) {
    int64_t raw = Load<int64_t>(Addr);
    for (unsigned i = 0; i < ThePlaces && raw != 0; ++i) raw /= DecimalBase;
    return raw;
  }
  if (TheKind == FieldKind::Real) {
    double v = std::trunc(Load<double>(Addr));
    if (std::isnan(v)) return 0;
    // 2^63 is exactly representable; anything at or beyond it clamps.
    constexpr double Limit = 9223372036854775808.0;
    if (v >= Limit) return std::numeric_limits<int64_t>::max();
    if (v < -Limit) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(v);
  }
  auto d = NumberOf(*this);
  if (!d) return 0;
  d->Frac.clear();
  if (auto v = Scaled(*d, 0)) return *v;
  return d->Negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
}

bool FieldRef::SetInteger(int64_t value) {
  if (IsNull()) return false;
  if (IsText()) return StoreNumberText(*this, std::to_string(value));
  if (TheKind == FieldKind::Real) {
    Store(Addr, static_cast<double>(value));
    return true;
  }
  if (TheKind == FieldKind::Decimal) {
    int64_t scaled = value;
    for (unsigned i = 0; i < ThePlaces; ++i) {
      if (__builtin_mul_overflow(scaled, int64_t{DecimalBase}, &scaled)) return false;
    }
    Store(Addr, scaled);
    return true;
  }
  IntRange range = RangeOf(TheKind);
  if (value < range.Min || value > range.Max) return false;
  WriteInteger(Addr, TheKind, value);
  return true;
}

bool FieldRef::SetReal(double value) {
  if (IsNull()) return false;
  if (TheKind == FieldKind::Real) {
    Store(Addr, value);
    return true;
  }
  auto d = FromDouble(value);
  if (!d) return false;
  if (IsText()) return StoreNumberText(*this, ToText(*d));
  return StoreNumber(*this, *d, false);
}

bool FieldRef::Assign(const FieldRef& from) {
  if (IsNull() || from.IsNull()) return false;
  if (SameVariable(from) && TheKind == from.TheKind && TheSize == from.TheSize && ThePlaces == from.ThePlaces) {
    return true;
  }
  // A fixed text is read where it is (SetText may take a text from its own field).
  if (from.TheKind == FieldKind::CString) {
    const auto* text = static_cast<const char*>(from.Addr);
    return SetText(std::string_view(text, strnlen(text, from.TheSize)));
  }
  if (from.IsText()) return SetText(from.GetText());
  if (IsText()) return StoreNumberText(*this, from.GetText());
  if (TheKind == from.TheKind && (TheKind != FieldKind::Decimal || ThePlaces == from.ThePlaces)) {
    std::memmove(Addr, from.Addr, NaturalSize(TheKind));
    return true;
  }
  if (IsIntegerKind(from.TheKind)) return SetInteger(ReadInteger(from.Addr, from.TheKind));
  auto d = NumberOf(from);
  return d && StoreNumber(*this, *d, false);
}

int FieldRef::Compare(const FieldRef& other) const {
  if (IsNull() || other.IsNull()) return IsNull() == other.IsNull() ? 0 : (IsNull() ? -1 : 1);
  if (IsText() && other.IsText()) return CompareText(GetText(), other.GetText());
  if (IsIntegerKind(TheKind) && IsIntegerKind(other.TheKind)) {
    return Sign(ReadInteger(Addr, TheKind), ReadInteger(other.Addr, other.TheKind));
  }
  if (TheKind == FieldKind::Decimal && other.TheKind == FieldKind::Decimal && ThePlaces == other.ThePlaces) {
    return Sign(Load<int64_t>(Addr), Load<int64_t>(other.Addr));
  }
  auto a = NumberOf(*this);
  auto b = NumberOf(other);
  if (a && b) return CompareDigits(*a, *b);
  if (IsNumeric() && other.IsNumeric()) {
    // Only a Real that is not finite gets here. Infinities order as numbers; NaN
    // compares equal to everything rather than breaking the ordering callers rely on.
    double x = GetReal();
    double y = other.GetReal();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  return CompareText(GetText(), other.GetText());
}

void FieldRef::Clear() {
  if (IsNull()) return;
  switch (TheKind) {
    case FieldKind::CString: std::memset(Addr, 0, TheSize); break;
    case FieldKind::String: static_cast<std::string*>(Addr)->clear(); break;
    default: std::memset(Addr, 0, NaturalSize(TheKind)); break;
  }
}

}  // namespace runtime::data
