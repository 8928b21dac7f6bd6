#pragma once
// Splits an expression text into tokens, one at a time, left to right; each character
// is looked at a bounded number of times, so lexing is linear in the text. Keywords
// and function names come out as names: the parser tells them apart.
//
// A text the lexer cannot read (an unclosed quote, a stray character) gives an Error
// token with a message; the lexer never throws.
//
// One lexer per parse, on one thread.

#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/text/ExpressionToken.h"

namespace runtime::text {

class ExpressionLexer {
 public:
  explicit ExpressionLexer(std::string_view text) : Text(text) {}

  ExpressionToken Next();

  // Reads the raw text from the current place up to the ")" that closes a "(" just
  // read, keeping nested parentheses and quoted texts whole; the lexer then stands
  // after that ")". False (and nothing consumed) when the text has no such ")".
  bool RawArgument(std::string& raw);

  // 1-based offset of the next unread character.
  size_t Offset() const { return At + 1; }

 private:
  static bool IsNameStart(char c);
  static bool IsNameChar(char c);
  static bool IsPictureChar(char c);
  static bool IsOperatorChar(char c);

  std::string_view Text;
  size_t At = 0;
};

}  // namespace runtime::text
