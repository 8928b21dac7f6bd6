#include "framework/browse/LocalFilter.h"

#include <cstring>

#include "runtime/files/KeyedFile.h"
#include "runtime/text/Expression.h"
#include "runtime/text/PatternMatch.h"

namespace framework::browse {
namespace {

// Fewer characters than this after the scan position hold no "SQL(".
constexpr size_t ShortestCall = 4;

}  // namespace

std::string LocalFilter::RewriteSqlCalls(std::string text) {
  size_t scan = 0;
  while (text.size() >= scan + ShortestCall) {
    const std::string_view rest = std::string_view(text).substr(scan);
    size_t at = 0;  // 0-based place of "SQL"
    if (runtime::text::PatternMatch::Find(rest, "^SQL *(") == 1) {
      at = scan;
    } else if (const size_t found = runtime::text::PatternMatch::Find(rest, "[ |(|~|]SQL *("); found != 0) {
      at = scan + found;  // the character before "SQL" stays
    } else {
      break;
    }
    const size_t open = text.find('(', at);
    text.replace(at, open - at + 1, Replacement);
    scan = at + std::strlen(Replacement);
  }
  return text;
}

bool LocalFilter::Accepts(std::string_view filter, runtime::files::KeyedFile& file) {
  if (filter.empty() || file.Definition() == nullptr) return true;
  const runtime::data::RecordType& type = *file.Definition()->Record;
  runtime::text::Expression expression;
  const auto error = expression.Parse(filter, [&](std::string_view name) -> std::optional<runtime::data::FieldRef> {
    const int index = type.FindField(name);
    if (index < 0) return std::nullopt;
    return type.Ref(file.Buffer(), static_cast<size_t>(index));
  });
  if (error.IsError()) return true;
  return expression.Accepts();
}

}  // namespace framework::browse
