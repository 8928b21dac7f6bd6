#pragma once
// The program's one case rule: ASCII letters only, every other byte as it is. The
// index collation, the expression functions UPPER and LOWER, query by example, name
// look-ups and the driver registry must agree exactly, so all of them call these.
// Depends on nothing, so every layer may use it.
//
// Thread safety: stateless; safe from any thread.

#include <cstddef>
#include <string>
#include <string_view>

namespace runtime::text {

struct AsciiCase {
  static constexpr char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
  static constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

  static std::string ToUpper(std::string text) {
    for (char& c : text) c = Upper(c);
    return text;
  }
  static std::string ToLower(std::string text) {
    for (char& c : text) c = Lower(c);
    return text;
  }

  // Whether the two texts are the same but for the case of their letters.
  static constexpr bool Equal(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      if (Upper(a[i]) != Upper(b[i])) return false;
    }
    return true;
  }

  // The order of the index collation: bytes compared unsigned after upper-casing,
  // a text before every longer text it begins. <0, 0, >0.
  static constexpr int Compare(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
      const int x = static_cast<unsigned char>(Upper(a[i]));
      const int y = static_cast<unsigned char>(Upper(b[i]));
      if (x != y) return x - y;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
  }
};

}  // namespace runtime::text
