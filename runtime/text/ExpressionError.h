#pragma once
// Why an expression text was refused: where (1-based byte offset in the text; 0 when
// there is no error) and what. A plain value.

#include <cstddef>
#include <string>

namespace runtime::text {

struct ExpressionError {
  size_t Position = 0;
  std::string Message;

  bool IsError() const { return Position != 0; }
  // "expected ')' at position 12".
  std::string Describe() const { return Message + " at position " + std::to_string(Position); }
};

}  // namespace runtime::text
