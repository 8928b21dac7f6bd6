#include "app/ExchangeText.h"

#include <charconv>

#include "runtime/text/AsciiCase.h"

namespace app {
namespace {

// Addresses the desktop's opener cannot open: a script run in the page the user
// happens to be on, and a browser's own saved-search folder.
constexpr std::string_view RefusedSchemes[] = {"javascript:", "place:"};

constexpr unsigned char FirstPrintable = 0x20;
constexpr unsigned char Delete = 0x7F;

// Length of the UTF-8 sequence starting at `text[i]`, 0 when it is malformed.
size_t SequenceLength(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t length = 0;
  uint32_t min = 0;
  uint32_t code = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, min = 0x80, code = lead & 0x1Fu;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, min = 0x800, code = lead & 0x0Fu;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, min = 0x10000, code = lead & 0x07u;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3Fu);
  }
  // Overlong forms, UTF-16 surrogates and values past the last code point are not text.
  if (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
  return length;
}

}  // namespace

bool ExchangeText::IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const size_t n = SequenceLength(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string ExchangeText::RefusalReason(std::string_view url) {
  if (url.empty()) return "empty";
  if (!IsUtf8(url)) return "not UTF-8 text";
  for (char c : url) {
    const auto b = static_cast<unsigned char>(c);
    if (b < FirstPrintable || b == Delete) return "contains a control character";
  }
  if (url.size() > MaxUrlBytes) return "longer than 199 bytes";
  const std::string lower = runtime::text::AsciiCase::ToLower(std::string(url.substr(0, 16)));
  for (std::string_view scheme : RefusedSchemes) {
    if (lower.starts_with(scheme)) return "a " + std::string(scheme.substr(0, scheme.size() - 1)) + ": entry opens nothing";
  }
  return "";
}

std::string ExchangeText::Excerpt(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size() && out.size() < ExcerptBytes;) {
    const size_t n = SequenceLength(text, i);
    const auto b = static_cast<unsigned char>(text[i]);
    if (n == 0 || b < FirstPrintable || b == Delete) {
      out += '?';
      ++i;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
    if (out.size() >= ExcerptBytes && i < text.size()) out += "...";
  }
  return out;
}

std::optional<int32_t> ExchangeText::Count(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string_view ExchangeText::Trim(std::string_view text) {
  constexpr std::string_view Blanks = " \t\r";
  const size_t first = text.find_first_not_of(Blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(Blanks) - first + 1);
}

}  // namespace app
