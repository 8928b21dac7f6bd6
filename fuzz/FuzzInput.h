#pragma once
// Splits a fuzzer's input into the texts a target needs: parts separated by a NUL
// byte, missing parts empty. Keeps every target's input a plain file a person can read
// and write by hand.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

inline std::vector<std::string> Parts(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::string> parts(count);
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (size_t i = 0; i < count; ++i) {
    const size_t cut = i + 1 == count ? std::string_view::npos : rest.find('\0');
    parts[i] = std::string(rest.substr(0, cut));
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + 1);
  }
  return parts;
}

}  // namespace fuzz
