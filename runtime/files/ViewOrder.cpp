#include "runtime/files/ViewOrder.h"

#include <algorithm>

namespace runtime::files {
namespace {

using runtime::text::ExpressionError;
using runtime::text::ExpressionValue;

constexpr char Quote = '\'';

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Offsets of the commas that separate components: those outside quotes and parentheses.
std::vector<size_t> TopLevelCommas(std::string_view text) {
  std::vector<size_t> commas;
  size_t depth = 0;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == Quote) {
      quoted = !quoted;
    } else if (quoted) {
      continue;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && depth > 0) {
      --depth;
    } else if (c == ',' && depth == 0) {
      commas.push_back(i);
    }
  }
  return commas;
}

}  // namespace

ExpressionError ViewOrder::Parse(std::string_view text, const runtime::text::Expression::NameResolver& resolver) {
  Components.clear();
  if (std::all_of(text.begin(), text.end(), IsSpace)) return {};
  std::vector<size_t> ends = TopLevelCommas(text);
  ends.push_back(text.size());
  std::vector<Component> parsed(ends.size());
  size_t start = 0;
  for (size_t i = 0; i < ends.size(); ++i) {
    size_t at = start;
    while (at < ends[i] && IsSpace(text[at])) ++at;
    if (at < ends[i] && (text[at] == '+' || text[at] == '-')) {
      parsed[i].Descending = text[at] == '-';
      ++at;
    }
    const std::string_view part = text.substr(at, ends[i] - at);
    if (std::all_of(part.begin(), part.end(), IsSpace)) {
      return {at + 1, "an order component is expected"};
    }
    ExpressionError error = parsed[i].Value.Parse(part, resolver);
    if (error.IsError()) {
      error.Position += at;
      return error;
    }
    start = ends[i] + 1;
  }
  Components = std::move(parsed);
  return {};
}

bool ViewOrder::KeyGives(const KeyDefinition& key, const FileDefinition& definition, void* buffer,
                         CaseRule rule) const {
  if (Components.size() > key.Components.size()) return false;
  for (size_t i = 0; i < Components.size(); ++i) {
    runtime::data::FieldRef field;
    bool upper = false;
    if (!Components[i].Value.IsField(field, upper)) return false;
    const KeyDefinition::Component& kc = key.Components[i];
    if (!field.SameVariable(definition.Record->Ref(buffer, kc.Field))) return false;
    if (Components[i].Descending != (kc.Order == KeyOrder::Descending)) return false;
    const bool noCase = key.Case == KeyCase::NoCase;
    if (!field.IsText()) {
      if (upper) return false;
    } else if (upper != noCase && !(rule == CaseRule::AnyForPlainText && !upper)) {
      return false;
    }
  }
  return true;
}

std::optional<int> ViewOrder::MatchingKey(const FileDefinition& definition, void* buffer) const {
  if (Components.empty()) return 0;
  for (CaseRule rule : {CaseRule::Exact, CaseRule::AnyForPlainText}) {
    for (size_t k = 0; k < definition.Keys.size(); ++k) {
      if (KeyGives(definition.Keys[k], definition, buffer, rule)) return static_cast<int>(k + 1);
    }
  }
  return std::nullopt;
}

std::vector<ExpressionValue> ViewOrder::Values(size_t count) const {
  std::vector<ExpressionValue> values;
  count = std::min(count, Components.size());
  values.reserve(count);
  for (size_t i = 0; i < count; ++i) values.push_back(Components[i].Value.Evaluate());
  return values;
}

int ViewOrder::CompareValues(const std::vector<ExpressionValue>& a, const std::vector<ExpressionValue>& b,
                             size_t count) const {
  count = std::min({count, a.size(), b.size(), Components.size()});
  for (size_t i = 0; i < count; ++i) {
    int c = a[i].Compare(b[i]);
    if (Components[i].Descending) c = -c;
    if (c != 0) return c;
  }
  return 0;
}

}  // namespace runtime::files
