#include "runtime/files/CursorText.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace runtime::files {
namespace {

template <class Number>
std::optional<Number> ParseWhole(std::string_view text) {
  Number n{};
  const char* end = text.data() + text.size();
  auto [at, ec] = std::from_chars(text.data(), end, n);
  if (ec != std::errc() || at != end || text.empty()) return std::nullopt;
  return n;
}

}  // namespace

std::string CursorText::Join(const std::vector<std::string>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) Append(out, items[i], i == 0 ? ItemPlace::First : ItemPlace::Later);
  return out;
}

void CursorText::Append(std::string& out, std::string_view item, ItemPlace place) {
  if (place == ItemPlace::Later) out += Separator;
  // Copied in stretches between the characters that need escaping.
  constexpr std::string_view Special{"|\\", 2};
  while (!item.empty()) {
    const size_t at = item.find_first_of(Special);
    out.append(item.substr(0, at));
    if (at == std::string_view::npos) break;
    out += Escape;
    out += item[at];
    item.remove_prefix(at + 1);
  }
}

void CursorText::AppendValue(std::string& out, const SqlValue& value, ItemPlace place) {
  switch (value.Kind) {
    case SqlValue::Type::Integer: {
      // Digits and a sign need no escaping.
      if (place == ItemPlace::Later) out += Separator;
      char digits[24];
      const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value.Integer);
      out += 'i';
      out.append(digits, end);
      break;
    }
    case SqlValue::Type::Text:
      if (place == ItemPlace::Later) out += Separator;
      out += 't';
      Append(out, value.Text, ItemPlace::First);
      break;
    default: Append(out, Encode(value), place); break;
  }
}

std::optional<std::vector<std::string>> CursorText::Split(std::string_view text) {
  std::vector<std::string> items(1);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == Escape) {
      if (++i == text.size()) return std::nullopt;
      items.back() += text[i];
    } else if (c == Separator) {
      items.emplace_back();
    } else {
      items.back() += c;
    }
  }
  return items;
}

std::string CursorText::Encode(const SqlValue& value) {
  // Appending to a one-letter string (rather than "x" + text) keeps GCC's -O3
  // overlap warning quiet.
  std::string out(1, 't');
  switch (value.Kind) {
    case SqlValue::Type::Integer:
      out[0] = 'i';
      out += std::to_string(value.Integer);
      break;
    case SqlValue::Type::Real: {
      // Hexadecimal floating point keeps every bit of the value.
      char text[64];
      std::snprintf(text, sizeof text, "%a", value.Real);
      out[0] = 'r';
      out += text;
      break;
    }
    case SqlValue::Type::Text: out += value.Text; break;
    case SqlValue::Type::Blob:
      out[0] = 'b';
      out += value.Text;
      break;
  }
  return out;
}

std::optional<SqlValue> CursorText::Decode(std::string_view item) {
  if (item.empty()) return std::nullopt;
  const std::string_view body = item.substr(1);
  switch (item[0]) {
    case 'i': {
      auto n = ParseWhole<int64_t>(body);
      if (!n) return std::nullopt;
      return SqlValue::OfInteger(*n);
    }
    case 'r': {
      const std::string copy(body);
      char* end = nullptr;
      const double d = std::strtod(copy.c_str(), &end);
      if (copy.empty() || end != copy.c_str() + copy.size()) return std::nullopt;
      return SqlValue::OfReal(d);
    }
    case 't': return SqlValue::OfText(std::string(body));
    case 'b': return SqlValue::OfBlob(std::string(body));
    default: return std::nullopt;
  }
}

}  // namespace runtime::files
