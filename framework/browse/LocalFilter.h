#pragma once
// Decides whether a record still belongs in a browse after a change, by evaluating the
// view's filter text on the record buffer. A driver that takes server-side expressions
// writes them as SQL(...); before a local evaluation every such call is rewritten to
// " ''=SQL(", so that the part the server would have judged does not reject the record
// here.
//
// Thread safety: stateless; the record buffer belongs to the caller's thread.

#include <string>
#include <string_view>

namespace runtime::files {
class KeyedFile;
}

namespace framework::browse {

class LocalFilter {
 public:
  // The filter text read from a view is at most this long.
  static constexpr size_t TextLimit = 2048;
  static constexpr const char* Replacement = " ''=SQL(";

  // Every "SQL" + blanks + "(" at the start or after " ", "|", "(" or "~" becomes
  // Replacement.
  static std::string RewriteSqlCalls(std::string text);
  // True when `filter` is empty, does not parse, or accepts `file`'s record buffer
  // (names are the file's field names).
  static bool Accepts(std::string_view filter, runtime::files::KeyedFile& file);
};

}  // namespace framework::browse
