#pragma once
// One node of a parsed expression. Nodes live in one vector owned by the Expression
// and point at their operands by index, so a tree is freed without recursion and
// copied as plain data. A plain value.

#include <cstdint>
#include <vector>

#include "runtime/data/FieldRef.h"
#include "runtime/text/ExpressionValue.h"

namespace runtime::text {

struct ExpressionNode {
  enum class Kind : uint8_t {
    Literal,  // Value
    Field,    // Field, read when evaluated
    Not,      // one operand
    Negate,   // one operand
    And,      // two or more operands, left to right, stops at the first false one
    Or,       // two or more operands, stops at the first true one
    Compare,  // two operands and a Relation
    Call,     // a Function and its operands
  };
  // "~" before a comparison is folded in at parse time (~< is GreaterEqual).
  enum class Relation : uint8_t { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };
  enum class Function : uint8_t { Upper, Lower, InString, Sub, Left, Format, Sql };

  Kind TheKind = Kind::Literal;
  Relation TheRelation = Relation::Equal;
  Function TheFunction = Function::Upper;
  ExpressionValue Value;
  runtime::data::FieldRef Field;
  std::vector<uint32_t> Operands;
  uint32_t Depth = 1;  // 1 for a leaf; 1 + the deepest operand otherwise
};

}  // namespace runtime::text
