#pragma once
// One token of an expression text, as ExpressionLexer reads it. A plain value.

#include <cstddef>
#include <cstdint>
#include <string>

namespace runtime::text {

struct ExpressionToken {
  enum class Kind : uint8_t {
    End,
    Number,    // 12, 12.50, .5 (Text holds the digits as written)
    String,    // 'O''Neil' (Text holds O'Neil)
    Name,      // URL:URL, AND, UPPER (Text as written)
    Picture,   // @n9 (Text holds "@n9")
    LParen,
    RParen,
    Comma,
    Operator,  // a run of the characters < > = ~ (Text as written)
    Minus,
    Plus,
    Error,     // Text holds the message
  };

  Kind TheKind = Kind::End;
  std::string Text;
  size_t Position = 0;  // 1-based byte offset of the token's first character
};

}  // namespace runtime::text
