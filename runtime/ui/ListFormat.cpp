#include "runtime/ui/ListFormat.h"

#include <cctype>
#include <string>

namespace runtime::ui {

std::vector<ListColumn> ListFormat::Parse(std::string_view format) {
  constexpr char HeaderMark = '~';
  constexpr char PictureMark = '@';
  std::vector<ListColumn> columns;
  size_t at = 0;
  while (at < format.size()) {
    ListColumn column;
    while (at < format.size() && std::isdigit(static_cast<unsigned char>(format[at])))
      column.Width = column.Width * 10 + (format[at++] - '0');
    bool headerSeen = false;
    bool ended = false;
    while (at < format.size() && !ended) {
      const char c = format[at];
      if (c == HeaderMark && !headerSeen) {
        const size_t close = format.find(HeaderMark, at + 1);
        if (close == std::string_view::npos) break;
        column.Header = std::string(format.substr(at + 1, close - at - 1));
        headerSeen = true;
        at = close + 1;
      } else if (c == PictureMark) {
        const size_t close = format.find(PictureMark, at + 1);
        if (close == std::string_view::npos) {
          at = format.size();
          break;
        }
        column.Picture = std::string(format.substr(at + 1, close - at - 1));
        at = close + 1;
        ended = true;
      } else {
        ++at;
      }
    }
    if (!ended) break;
    column.Field = static_cast<int32_t>(columns.size()) + 1;
    columns.push_back(std::move(column));
  }
  return columns;
}

}  // namespace runtime::ui
