#pragma once
// The order of a view, read from its text: components separated by commas, each an
// expression of the expression language with an optional "+" (ascending, the default)
// or "-" (descending) in front: "+URL:URL", "-URL:COUNT", "UPPER(URL:TAG),-URL:COUNT".
//
// An order is served by a key when its components are, in order, the key's first
// components: the same fields, the same directions and the same case rule. "UPPER(F)"
// asks for a key that ignores case; a plain text field F is served by a key that
// respects case or, when the file has none, by one that ignores case (keys built from
// a file's definition name their fields plainly, whatever their case rule). A number
// field is served only when named plainly. An empty order is the file's own order.
//
// Used by one thread with its View.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/files/FileDefinition.h"
#include "runtime/text/Expression.h"
#include "runtime/text/ExpressionError.h"
#include "runtime/text/ExpressionValue.h"

namespace runtime::files {

class ViewOrder {
 public:
  struct Component {
    runtime::text::Expression Value;
    bool Descending = false;
  };

  // Replaces the order with the one in `text`. On failure the order is empty and the
  // error's position counts from the start of the whole text.
  runtime::text::ExpressionError Parse(std::string_view text,
                                       const runtime::text::Expression::NameResolver& resolver);
  void Clear() { Components.clear(); }

  size_t Count() const { return Components.size(); }
  bool IsEmpty() const { return Components.empty(); }
  const Component& At(size_t index) const { return Components[index]; }

  // The number of the key of a file (definition and record buffer) that gives this
  // order: 0 for an empty order (the file's own order), nothing when no key does.
  std::optional<int> MatchingKey(const FileDefinition& definition, void* buffer) const;

  // The first `count` components evaluated on the current buffers.
  std::vector<runtime::text::ExpressionValue> Values(size_t count) const;
  // <0, 0, >0 as row `a` comes before, with or after row `b` on their first `count`
  // components (directions applied).
  int CompareValues(const std::vector<runtime::text::ExpressionValue>& a,
                    const std::vector<runtime::text::ExpressionValue>& b, size_t count) const;

 private:
  enum class CaseRule : uint8_t { Exact, AnyForPlainText };
  bool KeyGives(const KeyDefinition& key, const FileDefinition& definition, void* buffer, CaseRule rule) const;

  std::vector<Component> Components;
};

}  // namespace runtime::files
