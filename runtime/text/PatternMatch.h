#pragma once
// Finds a pattern in a text, in the runtime's own pattern language, the one the
// framework uses to look a field up in a view's order text:
//   {...}     a group
//   a|b       alternatives (inside a group, or of the whole pattern)
//   [...]     one byte of the set: ranges "a-z", a leading "^" negates
//   .         any byte
//   x* x+ x?  the item before, any number of times, at least once, at most once
//   ^ $       the start and the end of the text
//   \x        x itself
// Every other byte, parentheses included, stands for itself. Matching works on bytes
// and backtracks; patterns are short. A pattern with an unclosed group or set matches
// nothing.
//
// Thread safety: stateless; safe from any thread.

#include <cstddef>
#include <string_view>

namespace runtime::text {

class PatternMatch {
 public:
  // The 1-based position of the leftmost place where the pattern matches, 0 when it
  // matches nowhere. `noCase` compares ASCII letters without regard to case.
  static size_t Find(std::string_view text, std::string_view pattern, bool noCase = false);
};

}  // namespace runtime::text
