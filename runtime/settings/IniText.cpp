#include "runtime/settings/IniText.h"
#include "runtime/text/AsciiCase.h"

namespace runtime::settings {
namespace {

char LowerAscii(char c) {
  return runtime::text::AsciiCase::Lower(c);
}

std::string IndexKey(std::string_view section, std::string_view entry) {
  std::string key;
  key.reserve(section.size() + entry.size() + 1);
  for (char c : section) key += LowerAscii(c);
  key += '\n';  // no name holds a line break
  for (char c : entry) key += LowerAscii(c);
  return key;
}

bool ParseSection(std::string_view line, std::string_view& name) {
  const std::string_view t = IniText::Trim(line);
  if (t.empty() || t.front() != '[') return false;
  const size_t close = t.find(']');
  if (close == std::string_view::npos) return false;
  name = IniText::Trim(t.substr(1, close - 1));
  return true;
}

bool ParseEntry(std::string_view line, std::string_view& key, std::string_view& value) {
  const std::string_view t = IniText::Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return false;
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  key = IniText::Trim(t.substr(0, eq));
  if (key.empty()) return false;
  value = IniText::Trim(t.substr(eq + 1));
  return true;
}

}  // namespace

std::string_view IniText::Trim(std::string_view text) {
  const char* blanks = " \t\r\f\v";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

bool IniText::EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

IniText::IniText(std::string_view content) {
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string_view::npos) end = content.size();
    Lines.emplace_back(content.substr(start, end - start));
    start = end + 1;
  }
  CrLf = !Lines.empty() && !Lines.front().empty() && Lines.front().back() == '\r';
  Index();
}

void IniText::Index() {
  Entries.clear();
  std::string_view section;
  bool inSection = false;
  for (size_t i = 0; i < Lines.size(); ++i) {
    std::string_view name, key, value;
    if (ParseSection(Lines[i], name)) {
      section = name;
      inSection = true;
    } else if (inSection && ParseEntry(Lines[i], key, value)) {
      Entries.emplace(IndexKey(section, key), i);  // keeps the first occurrence
    }
  }
}

std::optional<std::string_view> IniText::Find(std::string_view section, std::string_view entry) const {
  auto found = Entries.find(IndexKey(section, entry));
  if (found == Entries.end()) return std::nullopt;
  std::string_view key, value;
  ParseEntry(Lines[found->second], key, value);
  return value;
}

std::string IniText::Line(std::string_view text) const {
  std::string line(text);
  if (CrLf) line += '\r';
  return line;
}

void IniText::Set(std::string_view section, std::string_view entry, std::string_view value) {
  const std::string newLine = Line(std::string(entry) + "=" + std::string(value));
  if (auto found = Entries.find(IndexKey(section, entry)); found != Entries.end()) {
    Lines[found->second] = newLine;
    return;
  }
  bool inFirstSection = false;
  bool sawSection = false;
  size_t insertAt = 0;
  for (size_t i = 0; i < Lines.size(); ++i) {
    std::string_view name;
    if (ParseSection(Lines[i], name)) {
      if (sawSection && inFirstSection) break;
      inFirstSection = !sawSection && EqualNoCase(name, section);
      if (inFirstSection) {
        sawSection = true;
        insertAt = i + 1;
      }
      continue;
    }
    if (inFirstSection && !Trim(Lines[i]).empty()) insertAt = i + 1;
  }
  if (sawSection) {
    // Lines after the new one move down by one; nothing needs parsing again.
    Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
    for (auto& [key, line] : Entries) {
      if (line >= insertAt) ++line;
    }
    Entries.emplace(IndexKey(section, entry), insertAt);
    return;
  }
  if (!Lines.empty() && !Trim(Lines.back()).empty()) Lines.push_back(Line(""));
  Lines.push_back(Line("[" + std::string(section) + "]"));
  Lines.push_back(newLine);
  Entries.emplace(IndexKey(section, entry), Lines.size() - 1);
}

bool IniText::Remove(std::string_view section, std::string_view entry) {
  if (Entries.find(IndexKey(section, entry)) == Entries.end()) return false;
  bool inSection = false;
  std::vector<std::string> kept;
  kept.reserve(Lines.size());
  for (std::string& line : Lines) {
    std::string_view name, key, value;
    if (ParseSection(line, name)) {
      inSection = EqualNoCase(name, section);
    } else if (inSection && ParseEntry(line, key, value) && EqualNoCase(key, entry)) {
      continue;
    }
    kept.push_back(std::move(line));
  }
  Lines = std::move(kept);
  Index();
  return true;
}

std::string IniText::Join() const {
  std::string out;
  for (const std::string& line : Lines) {
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace runtime::settings
