#pragma once
// Reads an expression text into nodes: recursive descent with one token of lookahead
// and no backtracking, so the work is linear in the text. Nesting (parentheses,
// NOT, signs, function calls and chained comparisons) is limited to MaxDepth levels;
// deeper texts are refused with a clear message instead of exhausting the stack.
//
// Grammar, lowest precedence first; keywords and function names ignore case:
//   or       := and { OR and }
//   and      := not { AND not }
//   not      := NOT not | ~ not | compare
//   compare  := sign { relation sign }         relation: = <> < > <= >= and ~ before
//                                              any of them (~= not equal, ~< not less)
//   sign     := - sign | + sign | primary
//   primary  := number | 'text' | @picture | name | function ( args ) | ( or )
//   function := UPPER(x) LOWER(x) INSTRING(sub, text[, step[, start]])
//               SUB(text, start[, length]) LEFT(text[, length]) FORMAT(value, picture)
//               SQL(raw text for a server, evaluated locally as '')
// Names are bound when parsed, through the resolver given.
//
// One parser per parse, on one thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "runtime/data/FieldRef.h"
#include "runtime/text/ExpressionError.h"
#include "runtime/text/ExpressionLexer.h"
#include "runtime/text/ExpressionNode.h"

namespace runtime::text {

class ExpressionParser {
 public:
  using NameResolver = std::function<std::optional<runtime::data::FieldRef>(std::string_view)>;

  // Levels of nesting a text may use.
  static constexpr uint32_t MaxDepth = 128;

  // `nodes` receives the tree; the root is the last node added.
  ExpressionParser(std::string_view text, const NameResolver& resolver, std::vector<ExpressionNode>& nodes);

  // Parses the whole text. On failure the error says where and why, and `nodes` may
  // hold a partial tree that the caller discards.
  ExpressionError Parse();

 private:
  using Kind = ExpressionToken::Kind;

  void Advance();
  bool IsKeyword(std::string_view word) const;
  bool Fail(const std::string& message, size_t position);
  bool Fail(const std::string& message) { return Fail(message, Current.Position); }
  bool Enter();
  void Leave() { --Nesting; }
  bool Add(ExpressionNode node, uint32_t& index);

  bool ParseOr(uint32_t& index);
  bool ParseAnd(uint32_t& index);
  bool ParseNot(uint32_t& index);
  bool ParseCompare(uint32_t& index);
  bool ParseSign(uint32_t& index);
  bool ParsePrimary(uint32_t& index);
  bool ParseCall(ExpressionNode::Function function, size_t position, uint32_t& index);
  bool ParseSql(size_t position, uint32_t& index);
  bool ReadRelation(ExpressionNode::Relation& relation);

  ExpressionLexer Lexer;
  const NameResolver& Resolver;
  std::vector<ExpressionNode>& Nodes;
  ExpressionToken Current;
  ExpressionError Error;
  uint32_t Nesting = 0;
};

}  // namespace runtime::text
