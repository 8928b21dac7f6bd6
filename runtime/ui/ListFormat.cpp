#include "runtime/ui/ListFormat.h"

#include <cctype>
#include <optional>
#include <string>

namespace runtime::ui {
namespace {

constexpr char HeaderMark = '~';
constexpr char PictureMark = '@';
constexpr char ResizableMark = 'M';
constexpr char RightBorderMark = '|';
constexpr char IndentOpen = '(';
constexpr char IndentClose = ')';

std::optional<ListColumn::Justify> JustifyOf(char c) {
  switch (c) {
    case 'L': return ListColumn::Justify::Left;
    case 'R': return ListColumn::Justify::Right;
    case 'C': return ListColumn::Justify::Center;
    case 'D': return ListColumn::Justify::Decimal;
    default: return std::nullopt;
  }
}

// A justification letter at `at`, with its optional "(indent)"; moves past it.
bool ReadJustify(std::string_view format, size_t& at, ListColumn::Justify& justify, int32_t& indent) {
  if (at >= format.size()) return false;
  auto j = JustifyOf(format[at]);
  if (!j) return false;
  justify = *j;
  ++at;
  if (at < format.size() && format[at] == IndentOpen) {
    const size_t close = format.find(IndentClose, at);
    if (close != std::string_view::npos) {
      int32_t value = 0;
      bool negative = false;
      for (size_t i = at + 1; i < close; ++i) {
        if (format[i] == '-') negative = true;
        else if (std::isdigit(static_cast<unsigned char>(format[i]))) value = value * 10 + (format[i] - '0');
      }
      indent = negative ? -value : value;
      at = close + 1;
    }
  }
  return true;
}

}  // namespace

std::vector<ListColumn> ListFormat::Parse(std::string_view format) {
  std::vector<ListColumn> columns;
  size_t at = 0;
  while (at < format.size()) {
    ListColumn column;
    while (at < format.size() && std::isdigit(static_cast<unsigned char>(format[at])))
      column.Width = column.Width * 10 + (format[at++] - '0');
    ReadJustify(format, at, column.Align, column.Indent);
    column.HeaderAlign = column.Align;
    column.HeaderIndent = column.Indent;
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
        ReadJustify(format, at, column.HeaderAlign, column.HeaderIndent);
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
        if (!headerSeen && c == ResizableMark) column.Resizable = true;
        if (!headerSeen && c == RightBorderMark) column.RightBorder = true;
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
