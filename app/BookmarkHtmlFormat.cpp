#include "app/BookmarkHtmlFormat.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "app/ExchangeText.h"
#include "runtime/text/AsciiCase.h"

namespace app {
namespace {

constexpr const char* FileHead =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
    "<TITLE>Bookmarks</TITLE>\n"
    "<H1>Bookmarks</H1>\n"
    "<DL><p>\n";
constexpr const char* FileTail = "</DL><p>\n";
constexpr uint32_t MaxCodePoint = 0x10FFFF;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == ':';
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The attributes of one tag, from just after its name to its ">"; names upper-cased.
struct Attributes {
  std::string Href;
  bool HasHref = false;
  std::string Count;
  bool HasCount = false;
};

// Parses attributes from `pos` up to the tag's end; leaves `pos` after the ">".
Attributes ParseAttributes(std::string_view text, size_t& pos) {
  Attributes found;
  while (pos < text.size()) {
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
    if (pos >= text.size()) break;
    if (text[pos] == '>') {
      ++pos;
      break;
    }
    const size_t nameStart = pos;
    while (pos < text.size() && IsNameChar(text[pos])) ++pos;
    if (pos == nameStart) {  // a stray character such as "/"
      ++pos;
      continue;
    }
    const std::string name = runtime::text::AsciiCase::ToLower(std::string(text.substr(nameStart, pos - nameStart)));
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
    std::string value;
    if (pos < text.size() && text[pos] == '=') {
      ++pos;
      while (pos < text.size() && IsSpace(text[pos])) ++pos;
      if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
        const char quote = text[pos++];
        const size_t end = std::min(text.find(quote, pos), text.size());
        value = BookmarkHtmlFormat::Unescape(text.substr(pos, end - pos));
        pos = std::min(end + 1, text.size());
      } else {
        const size_t start = pos;
        while (pos < text.size() && !IsSpace(text[pos]) && text[pos] != '>') ++pos;
        value = BookmarkHtmlFormat::Unescape(text.substr(start, pos - start));
      }
    }
    if (name == "href" && !found.HasHref) {
      found.Href = std::move(value);
      found.HasHref = true;
    } else if (name == "times_to_open" && !found.HasCount) {
      found.Count = std::move(value);
      found.HasCount = true;
    }
  }
  return found;
}

}  // namespace

ExchangeList BookmarkHtmlFormat::Read(std::string_view text) {
  ExchangeList list;
  size_t line = 1;
  size_t counted = 0;  // text before this offset has been counted into `line`
  for (size_t pos = text.find('<'); pos != std::string_view::npos; pos = text.find('<', pos)) {
    ++pos;
    // "<A" followed by a blank is an anchor; comments are skipped whole.
    if (text.substr(pos, 3) == "!--") {
      const size_t end = text.find("-->", pos);
      pos = end == std::string_view::npos ? text.size() : end + 3;
      continue;
    }
    if (pos + 1 >= text.size() || (text[pos] != 'a' && text[pos] != 'A') || !IsSpace(text[pos + 1])) continue;
    line += static_cast<size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(counted),
                                           text.begin() + static_cast<std::ptrdiff_t>(pos), '\n'));
    counted = pos;
    ++pos;
    const Attributes a = ParseAttributes(text, pos);
    if (!a.HasHref) continue;  // a named anchor, not a bookmark
    ExchangeEntry entry;
    entry.Line = line;
    entry.Url = ExchangeText::Trim(a.Href);
    if (a.HasCount) {
      const auto count = ExchangeText::Count(a.Count);
      if (!count) {
        list.Refused.push_back({line, ExchangeText::Excerpt(entry.Url),
                                "the count is not a whole number from -2147483648 to 2147483647"});
        continue;
      }
      entry.NumberOfTimesToOpen = *count;
    }
    list.Entries.push_back(std::move(entry));
  }
  return list;
}

std::string BookmarkHtmlFormat::Write(const std::vector<ExchangeEntry>& entries) {
  std::string out = FileHead;
  for (const ExchangeEntry& e : entries) {
    const std::string url = Escape(e.Url);
    out += "    <DT><A HREF=\"" + url + "\" " + CountAttribute + "=\"" + std::to_string(e.NumberOfTimesToOpen) +
           "\">" + url + "</A>\n";
  }
  return out + FileTail;
}

std::string BookmarkHtmlFormat::Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string BookmarkHtmlFormat::Unescape(std::string_view text) {
  static constexpr std::pair<std::string_view, char> Named[] = {
      {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    const std::string_view rest = text.substr(i + 1);
    bool done = false;
    for (const auto& [name, c] : Named) {
      if (rest.starts_with(name)) {
        out += c;
        i += name.size();
        done = true;
        break;
      }
    }
    if (!done && rest.starts_with('#')) {
      const bool hex = rest.size() > 1 && (rest[1] == 'x' || rest[1] == 'X');
      const size_t digits = hex ? 2 : 1;
      const size_t semi = rest.find(';');
      uint32_t code = 0;
      if (semi != std::string_view::npos && semi > digits) {
        const auto [end, error] = std::from_chars(rest.data() + digits, rest.data() + semi, code, hex ? 16 : 10);
        // A reference to nothing a text can hold stays as it was written.
        if (error == std::errc() && end == rest.data() + semi && code != 0 && code <= MaxCodePoint &&
            !(code >= 0xD800 && code <= 0xDFFF)) {
          AppendUtf8(out, code);
          i += semi + 1;
          done = true;
        }
      }
    }
    if (!done) out += '&';
  }
  return out;
}

}  // namespace app
