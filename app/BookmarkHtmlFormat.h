#pragma once
// The bookmark file browsers export and import: an HTML list whose entries are
// <DT><A HREF="address">title</A>, inside nested <DL> folders. Reading takes the
// HREF of every <A> tag wherever it sits (folders do not matter to a flat list) with
// character references decoded; an entry's count is its TIMES_TO_OPEN attribute
// when it has one, else 1. Writing gives a file a browser opens and imports: one
// folder-less list, each entry titled with its address and carrying its count as
// TIMES_TO_OPEN, which browsers ignore.
//
// Stateless; any thread.

#include <string>
#include <string_view>
#include <vector>

#include "app/ExchangeList.h"

namespace app {

class BookmarkHtmlFormat {
 public:
  static constexpr const char* CountAttribute = "TIMES_TO_OPEN";

  static ExchangeList Read(std::string_view text);
  static std::string Write(const std::vector<ExchangeEntry>& entries);
  // Text with &, <, > and " written as character references.
  static std::string Escape(std::string_view text);
  // Character references (&amp; &lt; &gt; &quot; &apos; &#NN; &#xNN;) decoded; any
  // other "&" is kept as it stands.
  static std::string Unescape(std::string_view text);
};

}  // namespace app
