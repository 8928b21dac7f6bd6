#pragma once
// Where a byte limit may cut a UTF-8 text: every cut of a text to a byte length goes
// through here, so no copy of the rule can drift from the others. Depends on nothing,
// so every layer may use it.
//
// Thread safety: stateless; safe from any thread.

#include <cstddef>
#include <string_view>

namespace runtime::text {

struct Utf8 {
  // How many leading bytes of `text` fit in `limit` without splitting a character:
  // the cut steps back over at most the continuation bytes one character can hold.
  // A longer run of continuation bytes is not UTF-8, and there the plain byte limit
  // applies, so malformed text is never cut to nothing.
  static constexpr size_t PrefixLength(std::string_view text, size_t limit) {
    if (text.size() <= limit) return text.size();
    size_t cut = limit;
    for (size_t back = 0; back < MaxContinuations && cut > 0; ++back, --cut) {
      if (!IsContinuation(text[cut])) return cut;
    }
    // Either a character's lead byte now sits at `cut`, or the text is not UTF-8 here.
    return IsContinuation(text[cut]) ? limit : cut;
  }

  // The longest prefix of `text` of at most `limit` bytes ending on a character boundary.
  static constexpr std::string_view Prefix(std::string_view text, size_t limit) {
    return text.substr(0, PrefixLength(text, limit));
  }

  static constexpr bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & ContinuationMask) == ContinuationBits;
  }

 private:
  static constexpr unsigned char ContinuationMask = 0xC0;
  static constexpr unsigned char ContinuationBits = 0x80;
  // A character is one lead byte and at most three continuation bytes.
  static constexpr size_t MaxContinuations = 3;
};

}  // namespace runtime::text
