#include "runtime/text/Expression.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <limits>

#include "runtime/text/AsciiCase.h"
#include "runtime/text/ExpressionScope.h"
#include "runtime/text/Picture.h"
#include "runtime/text/Utf8.h"

namespace runtime::text {
namespace {

using Node = ExpressionNode;
using runtime::data::FieldRef;

// LEFT never pads a text beyond this many bytes, whatever length it is asked for.
constexpr int64_t MaxPaddedLength = 65535;
constexpr char Blank = ' ';

int64_t InString(const std::string& sub, const std::string& text, int64_t step, int64_t start) {
  const auto n = static_cast<int64_t>(text.size());
  const auto m = static_cast<int64_t>(sub.size());
  if (m == 0 || step == 0 || m > n) return 0;
  const int64_t last = n - m + 1;  // the last position where `sub` fits
  const int64_t stride = step == std::numeric_limits<int64_t>::min() ? std::numeric_limits<int64_t>::max()
                                                                        : (step < 0 ? -step : step);
  int64_t p = start;
  if (step > 0) {
    if (p < 1) p = 1;
    for (; p <= last; p = (p > last - stride) ? last + 1 : p + stride) {
      if (text.compare(static_cast<size_t>(p - 1), static_cast<size_t>(m), sub) == 0) return (p - 1) / stride + 1;
    }
  } else {
    if (p > last) p = last;
    for (; p >= 1; p = (p - 1 < stride) ? 0 : p - stride) {
      if (text.compare(static_cast<size_t>(p - 1), static_cast<size_t>(m), sub) == 0) return (p - 1) / stride + 1;
    }
  }
  return 0;
}

std::string Sub(const std::string& text, int64_t start, bool hasLength, int64_t length) {
  const auto n = static_cast<int64_t>(text.size());
  if (start < 0) start = start < -n ? 1 : n + start + 1;
  if (start < 1) start = 1;
  if (start > n) return {};
  const int64_t available = n - start + 1;
  const int64_t take = hasLength ? std::clamp<int64_t>(length, 0, available) : available;
  return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(take));
}

std::string Left(const std::string& text, bool hasLength, int64_t length) {
  const size_t lead = std::min(text.find_first_not_of(Blank), text.size());
  std::string out = text.substr(lead);
  out.append(lead, Blank);
  if (!hasLength) return out;
  const auto want = static_cast<size_t>(std::clamp<int64_t>(length, 0, MaxPaddedLength));
  if (out.size() > want) out.resize(Utf8::PrefixLength(out, want));
  out.resize(std::max(out.size(), want), Blank);
  return out;
}

bool Holds(int compare, Node::Relation relation) {
  switch (relation) {
    case Node::Relation::Equal: return compare == 0;
    case Node::Relation::NotEqual: return compare != 0;
    case Node::Relation::Less: return compare < 0;
    case Node::Relation::LessEqual: return compare <= 0;
    case Node::Relation::Greater: return compare > 0;
    case Node::Relation::GreaterEqual: return compare >= 0;
  }
  return false;
}

}  // namespace

ExpressionError Expression::Parse(std::string_view text, const NameResolver& resolver) {
  Clear();
  Source.assign(text);
  const NameResolver lookup = [&resolver](std::string_view name) -> std::optional<FieldRef> {
    if (resolver) {
      if (auto found = resolver(name)) return found;
    }
    return ExpressionScope::Find(name);
  };
  ExpressionError error;
  try {
    ExpressionParser parser(text, lookup, Nodes);
    error = parser.Parse();
  } catch (const std::exception&) {
    error = {1, "the expression is too large"};
  }
  if (error.IsError()) Clear();
  return error;
}

void Expression::Clear() {
  Source.clear();
  Nodes.clear();
}

ExpressionValue Expression::Evaluate() const {
  if (Nodes.empty()) return ExpressionValue::FromText({});
  try {
    return Eval(static_cast<uint32_t>(Nodes.size() - 1));
  } catch (const std::exception&) {
    // Only running out of memory (a huge picture, say) gets here.
    return ExpressionValue::FromText({});
  }
}

bool Expression::Accepts() const { return Nodes.empty() || Evaluate().IsTrue(); }

bool Expression::IsField(FieldRef& field, bool& upper) const {
  if (Nodes.empty()) return false;
  const Node& root = Nodes.back();
  if (root.TheKind == Node::Kind::Field) {
    field = root.Field;
    upper = false;
    return true;
  }
  if (root.TheKind == Node::Kind::Call && root.TheFunction == Node::Function::Upper &&
      Nodes[root.Operands[0]].TheKind == Node::Kind::Field) {
    field = Nodes[root.Operands[0]].Field;
    upper = true;
    return true;
  }
  return false;
}

ExpressionError Expression::Evaluate(std::string_view text, ExpressionValue& result, const NameResolver& resolver) {
  Expression e;
  ExpressionError error = e.Parse(text, resolver);
  if (!error.IsError()) result = e.Evaluate();
  return error;
}

ExpressionValue Expression::Eval(uint32_t index) const {
  const Node& node = Nodes[index];
  switch (node.TheKind) {
    case Node::Kind::Literal: return node.Value;
    case Node::Kind::Field: return ExpressionValue::FromField(node.Field);
    case Node::Kind::Not: return ExpressionValue::FromBool(!Eval(node.Operands[0]).IsTrue());
    case Node::Kind::Negate: return Eval(node.Operands[0]).Negated();
    case Node::Kind::And:
      for (uint32_t operand : node.Operands) {
        if (!Eval(operand).IsTrue()) return ExpressionValue::FromBool(false);
      }
      return ExpressionValue::FromBool(true);
    case Node::Kind::Or:
      for (uint32_t operand : node.Operands) {
        if (Eval(operand).IsTrue()) return ExpressionValue::FromBool(true);
      }
      return ExpressionValue::FromBool(false);
    case Node::Kind::Compare: {
      const int c = Eval(node.Operands[0]).Compare(Eval(node.Operands[1]));
      return ExpressionValue::FromBool(Holds(c, node.TheRelation));
    }
    case Node::Kind::Call: return Call(node);
  }
  return {};
}

ExpressionValue Expression::Call(const ExpressionNode& node) const {
  std::vector<ExpressionValue> args;
  args.reserve(node.Operands.size());
  for (uint32_t operand : node.Operands) args.push_back(Eval(operand));
  const auto integer = [&args](size_t i, int64_t fallback) { return i < args.size() ? args[i].AsInteger() : fallback; };
  switch (node.TheFunction) {
    case Node::Function::Upper:
      return ExpressionValue::FromText(AsciiCase::ToUpper(args[0].AsText()));
    case Node::Function::Lower:
      return ExpressionValue::FromText(AsciiCase::ToLower(args[0].AsText()));
    case Node::Function::InString:
      return ExpressionValue::FromInteger(InString(args[0].AsText(), args[1].AsText(), integer(2, 1), integer(3, 1)));
    case Node::Function::Sub:
      return ExpressionValue::FromText(Sub(args[0].AsText(), args[1].AsInteger(), args.size() > 2, integer(2, 0)));
    case Node::Function::Left:
      return ExpressionValue::FromText(Left(args[0].AsText(), args.size() > 1, integer(1, 0)));
    case Node::Function::Format:
      return ExpressionValue::FromText(Picture::Format(args[0].Ref(), args[1].AsText()));
    case Node::Function::Sql: return ExpressionValue::FromText({});
  }
  return {};
}

}  // namespace runtime::text
