#include "runtime/text/ExpressionLexer.h"

namespace runtime::text {
namespace {

constexpr char Quote = '\'';

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

ExpressionToken Make(ExpressionToken::Kind kind, std::string text, size_t offset) {
  return {kind, std::move(text), offset + 1};
}

}  // namespace

bool ExpressionLexer::IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

bool ExpressionLexer::IsNameChar(char c) { return IsNameStart(c) || IsDigit(c) || c == ':'; }

bool ExpressionLexer::IsPictureChar(char c) {
  return IsNameStart(c) || IsDigit(c) || c == '.' || c == '*' || c == '-';
}

bool ExpressionLexer::IsOperatorChar(char c) { return c == '<' || c == '>' || c == '=' || c == '~'; }

ExpressionToken ExpressionLexer::Next() {
  using K = ExpressionToken::Kind;
  while (At < Text.size() && IsSpace(Text[At])) ++At;
  if (At >= Text.size()) return Make(K::End, {}, Text.size());
  const size_t start = At;
  const char c = Text[At];

  if (IsDigit(c) || (c == '.' && At + 1 < Text.size() && IsDigit(Text[At + 1]))) {
    while (At < Text.size() && IsDigit(Text[At])) ++At;
    if (At < Text.size() && Text[At] == '.') {
      ++At;
      while (At < Text.size() && IsDigit(Text[At])) ++At;
    }
    return Make(K::Number, std::string(Text.substr(start, At - start)), start);
  }
  if (c == Quote) {
    std::string value;
    ++At;
    while (At < Text.size()) {
      if (Text[At] == Quote) {
        // A doubled quote stands for one quote inside the text.
        if (At + 1 < Text.size() && Text[At + 1] == Quote) {
          value.push_back(Quote);
          At += 2;
          continue;
        }
        ++At;
        return Make(K::String, std::move(value), start);
      }
      value.push_back(Text[At++]);
    }
    At = Text.size();
    return Make(K::Error, "text in quotes is not closed", start);
  }
  if (IsNameStart(c)) {
    while (At < Text.size() && IsNameChar(Text[At])) ++At;
    return Make(K::Name, std::string(Text.substr(start, At - start)), start);
  }
  if (c == '@') {
    ++At;
    while (At < Text.size() && IsPictureChar(Text[At])) ++At;
    if (At == start + 1) return Make(K::Error, "picture expected after @", start);
    return Make(K::Picture, std::string(Text.substr(start, At - start)), start);
  }
  if (IsOperatorChar(c)) {
    while (At < Text.size() && IsOperatorChar(Text[At])) ++At;
    return Make(K::Operator, std::string(Text.substr(start, At - start)), start);
  }
  ++At;
  switch (c) {
    case '(': return Make(K::LParen, "(", start);
    case ')': return Make(K::RParen, ")", start);
    case ',': return Make(K::Comma, ",", start);
    case '-': return Make(K::Minus, "-", start);
    case '+': return Make(K::Plus, "+", start);
    default: break;
  }
  return Make(K::Error, std::string("unexpected character '") + c + "'", start);
}

bool ExpressionLexer::RawArgument(std::string& raw) {
  size_t depth = 1;
  bool quoted = false;
  for (size_t i = At; i < Text.size(); ++i) {
    const char c = Text[i];
    if (quoted) {
      // A doubled quote inside quotes reads as the closing quote and an opening one.
      if (c == Quote) quoted = false;
      continue;
    }
    if (c == Quote) {
      quoted = true;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth == 0) {
      raw.assign(Text.substr(At, i - At));
      At = i + 1;
      return true;
    }
  }
  return false;
}

}  // namespace runtime::text
