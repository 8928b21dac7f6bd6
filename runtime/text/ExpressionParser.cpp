#include "runtime/text/ExpressionParser.h"
#include "runtime/text/AsciiCase.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <system_error>
#include <utility>

namespace runtime::text {
namespace {

using Node = ExpressionNode;
using Relation = ExpressionNode::Relation;
using Function = ExpressionNode::Function;

// Digits an int64 always holds; longer numbers become reals.
constexpr size_t MaxExactDigits = 18;

struct FunctionInfo {
  std::string_view Name;
  Function Id;
  size_t MinArgs;
  size_t MaxArgs;
};

constexpr FunctionInfo Functions[] = {
    {"UPPER", Function::Upper, 1, 1}, {"LOWER", Function::Lower, 1, 1}, {"INSTRING", Function::InString, 2, 4},
    {"SUB", Function::Sub, 2, 3},     {"LEFT", Function::Left, 1, 2},   {"FORMAT", Function::Format, 2, 2},
    {"SQL", Function::Sql, 0, 0},
};

bool SameWord(std::string_view a, std::string_view b) {
  return AsciiCase::Equal(a, b);
}

const FunctionInfo* FindFunction(std::string_view name) {
  for (const FunctionInfo& f : Functions) {
    if (SameWord(f.Name, name)) return &f;
  }
  return nullptr;
}

Relation Negate(Relation r) {
  switch (r) {
    case Relation::Equal: return Relation::NotEqual;
    case Relation::NotEqual: return Relation::Equal;
    case Relation::Less: return Relation::GreaterEqual;
    case Relation::GreaterEqual: return Relation::Less;
    case Relation::Greater: return Relation::LessEqual;
    case Relation::LessEqual: return Relation::Greater;
  }
  return r;
}

ExpressionValue NumberLiteral(const std::string& digits) {
  const size_t point = digits.find('.');
  const std::string whole = digits.substr(0, point);
  const std::string frac = point == std::string::npos ? "" : digits.substr(point + 1);
  const size_t lead = whole.find_first_not_of('0');
  const size_t significant = (lead == std::string::npos ? 0 : whole.size() - lead) + frac.size();
  if (significant <= MaxExactDigits && frac.size() <= MaxExactDigits) {
    int64_t scaled = 0;
    for (char c : whole + frac) scaled = scaled * 10 + (c - '0');
    return ExpressionValue::FromDecimal(scaled, static_cast<uint8_t>(frac.size()));
  }
  double v = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), v);
  return ExpressionValue::FromReal(v);
}

}  // namespace

ExpressionParser::ExpressionParser(std::string_view text, const NameResolver& resolver,
                                   std::vector<ExpressionNode>& nodes)
    : Lexer(text), Resolver(resolver), Nodes(nodes) {}

ExpressionError ExpressionParser::Parse() {
  Nodes.clear();
  Error = {};
  Nesting = 0;
  Advance();
  if (Current.TheKind == Kind::End) return Error;
  uint32_t root = 0;
  if (!ParseOr(root)) return Error;
  if (Current.TheKind == Kind::Error) {
    Fail(Current.Text);
  } else if (Current.TheKind != Kind::End) {
    Fail("unexpected '" + Current.Text + "' after the end of the expression");
  }
  return Error;
}

void ExpressionParser::Advance() { Current = Lexer.Next(); }

bool ExpressionParser::IsKeyword(std::string_view word) const {
  return Current.TheKind == Kind::Name && SameWord(Current.Text, word);
}

bool ExpressionParser::Fail(const std::string& message, size_t position) {
  if (!Error.IsError()) Error = {position, message};
  return false;
}

namespace {
// Counts one level of nesting for as long as it lives.
class NestingLevel {
 public:
  explicit NestingLevel(uint32_t& nesting) : Nesting(nesting) { ++Nesting; }
  ~NestingLevel() { --Nesting; }
  NestingLevel(const NestingLevel&) = delete;
  NestingLevel& operator=(const NestingLevel&) = delete;

 private:
  uint32_t& Nesting;
};
}  // namespace

bool ExpressionParser::Enter() {
  if (Nesting > MaxDepth) {
    return Fail("expression nested too deeply (more than " + std::to_string(MaxDepth) + " levels)");
  }
  return true;
}

bool ExpressionParser::Add(ExpressionNode node, uint32_t& index) {
  uint32_t depth = 0;
  for (uint32_t operand : node.Operands) depth = std::max(depth, Nodes[operand].Depth);
  node.Depth = depth + 1;
  if (node.Depth > MaxDepth) {
    return Fail("expression nested too deeply (more than " + std::to_string(MaxDepth) + " levels)");
  }
  index = static_cast<uint32_t>(Nodes.size());
  Nodes.push_back(std::move(node));
  return true;
}

bool ExpressionParser::ParseOr(uint32_t& index) {
  NestingLevel level(Nesting);
  if (!Enter()) return false;
  uint32_t first = 0;
  if (!ParseAnd(first)) return false;
  if (!IsKeyword("OR")) {
    index = first;
    return true;
  }
  Node node;
  node.TheKind = Node::Kind::Or;
  node.Operands.push_back(first);
  while (IsKeyword("OR")) {
    Advance();
    uint32_t next = 0;
    if (!ParseAnd(next)) return false;
    node.Operands.push_back(next);
  }
  return Add(std::move(node), index);
}

bool ExpressionParser::ParseAnd(uint32_t& index) {
  uint32_t first = 0;
  if (!ParseNot(first)) return false;
  if (!IsKeyword("AND")) {
    index = first;
    return true;
  }
  Node node;
  node.TheKind = Node::Kind::And;
  node.Operands.push_back(first);
  while (IsKeyword("AND")) {
    Advance();
    uint32_t next = 0;
    if (!ParseNot(next)) return false;
    node.Operands.push_back(next);
  }
  return Add(std::move(node), index);
}

bool ExpressionParser::ParseNot(uint32_t& index) {
  const bool tildes = Current.TheKind == Kind::Operator && Current.Text.find_first_not_of('~') == std::string::npos;
  if (!IsKeyword("NOT") && !tildes) return ParseCompare(index);
  const size_t count = tildes ? Current.Text.size() : 1;
  Advance();
  NestingLevel level(Nesting);
  if (!Enter()) return false;
  uint32_t operand = 0;
  if (!ParseNot(operand)) return false;
  for (size_t i = 0; i < count; ++i) {
    Node node;
    node.TheKind = Node::Kind::Not;
    node.Operands.push_back(operand);
    if (!Add(std::move(node), operand)) return false;
  }
  index = operand;
  return true;
}

bool ExpressionParser::ReadRelation(Relation& relation) {
  bool less = false, greater = false, equal = false, negated = false;
  for (char c : Current.Text) {
    bool& seen = c == '<' ? less : c == '>' ? greater : c == '=' ? equal : negated;
    if (seen) return Fail("unknown operator '" + Current.Text + "'");
    seen = true;
  }
  if (!less && !greater && !equal) return Fail("a comparison must follow '~' between two values");
  if (less && greater) {
    relation = Relation::NotEqual;
  } else if (less) {
    relation = equal ? Relation::LessEqual : Relation::Less;
  } else if (greater) {
    relation = equal ? Relation::GreaterEqual : Relation::Greater;
  } else {
    relation = Relation::Equal;
  }
  if (negated) relation = Negate(relation);
  return true;
}

bool ExpressionParser::ParseCompare(uint32_t& index) {
  uint32_t left = 0;
  if (!ParseSign(left)) return false;
  while (Current.TheKind == Kind::Operator) {
    Relation relation = Relation::Equal;
    if (!ReadRelation(relation)) return false;
    Advance();
    uint32_t right = 0;
    if (!ParseSign(right)) return false;
    Node node;
    node.TheKind = Node::Kind::Compare;
    node.TheRelation = relation;
    node.Operands = {left, right};
    if (!Add(std::move(node), left)) return false;
  }
  index = left;
  return true;
}

bool ExpressionParser::ParseSign(uint32_t& index) {
  if (Current.TheKind != Kind::Minus && Current.TheKind != Kind::Plus) return ParsePrimary(index);
  const bool minus = Current.TheKind == Kind::Minus;
  Advance();
  NestingLevel level(Nesting);
  if (!Enter()) return false;
  uint32_t operand = 0;
  if (!ParseSign(operand)) return false;
  if (!minus) {
    index = operand;
    return true;
  }
  Node& target = Nodes[operand];
  if (target.TheKind == Node::Kind::Literal && target.Value.IsNumber()) {
    target.Value = target.Value.Negated();
    index = operand;
    return true;
  }
  Node node;
  node.TheKind = Node::Kind::Negate;
  node.Operands.push_back(operand);
  return Add(std::move(node), index);
}

bool ExpressionParser::ParsePrimary(uint32_t& index) {
  Node node;
  switch (Current.TheKind) {
    case Kind::Number:
      node.Value = NumberLiteral(Current.Text);
      Advance();
      return Add(std::move(node), index);
    case Kind::String:
    case Kind::Picture:
      node.Value = ExpressionValue::FromText(Current.Text);
      Advance();
      return Add(std::move(node), index);
    case Kind::LParen: {
      const size_t open = Current.Position;
      Advance();
      if (!ParseOr(index)) return false;
      if (Current.TheKind != Kind::RParen) {
        return Current.TheKind == Kind::Error ? Fail(Current.Text)
                                              : Fail("expected ')' to close the '(' at position " +
                                                     std::to_string(open));
      }
      Advance();
      return true;
    }
    case Kind::Name: {
      if (IsKeyword("AND") || IsKeyword("OR")) return Fail("a value is expected before " + Current.Text);
      const ExpressionToken name = Current;
      Advance();
      if (Current.TheKind == Kind::LParen) {
        const FunctionInfo* f = FindFunction(name.Text);
        if (f == nullptr) return Fail("unknown function '" + name.Text + "'", name.Position);
        if (f->Id == Function::Sql) return ParseSql(name.Position, index);
        return ParseCall(f->Id, name.Position, index);
      }
      std::optional<runtime::data::FieldRef> field;
      if (Resolver) field = Resolver(name.Text);
      if (!field || field->IsNull()) return Fail("unknown name '" + name.Text + "'", name.Position);
      node.TheKind = Node::Kind::Field;
      node.Field = *field;
      return Add(std::move(node), index);
    }
    case Kind::Error: return Fail(Current.Text);
    case Kind::End: return Fail("a value is expected; the text ends");
    default: break;
  }
  return Fail("a value is expected, not '" + Current.Text + "'");
}

bool ExpressionParser::ParseCall(Function function, size_t position, uint32_t& index) {
  const FunctionInfo* info = nullptr;
  for (const FunctionInfo& f : Functions) {
    if (f.Id == function) info = &f;
  }
  Node node;
  node.TheKind = Node::Kind::Call;
  node.TheFunction = function;
  Advance();  // the "("
  if (Current.TheKind != Kind::RParen) {
    while (true) {
      uint32_t argument = 0;
      if (!ParseOr(argument)) return false;
      node.Operands.push_back(argument);
      if (Current.TheKind != Kind::Comma) break;
      Advance();
    }
  }
  if (Current.TheKind != Kind::RParen) {
    return Current.TheKind == Kind::Error ? Fail(Current.Text)
                                          : Fail("expected ',' or ')' in " + std::string(info->Name) + "(");
  }
  Advance();
  const size_t count = node.Operands.size();
  if (count < info->MinArgs || count > info->MaxArgs) {
    const std::string range = info->MinArgs == info->MaxArgs
                                  ? std::to_string(info->MinArgs)
                                  : std::to_string(info->MinArgs) + " to " + std::to_string(info->MaxArgs);
    return Fail(std::string(info->Name) + " takes " + range + (info->MaxArgs == 1 ? " value" : " values"),
                position);
  }
  return Add(std::move(node), index);
}

bool ExpressionParser::ParseSql(size_t position, uint32_t& index) {
  std::string raw;
  if (!Lexer.RawArgument(raw)) return Fail("SQL( is not closed with ')'", position);
  Advance();
  Node node;
  node.TheKind = Node::Kind::Call;
  node.TheFunction = Function::Sql;
  node.Value = ExpressionValue::FromText(std::move(raw));
  return Add(std::move(node), index);
}

}  // namespace runtime::text
