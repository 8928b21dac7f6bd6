#include "tools/script/ScriptParser.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>

#include "runtime/ui/Key.h"
#include "runtime/ui/MessageBoxRequest.h"
#include "runtime/text/AsciiCase.h"

namespace tools::script {
namespace {

using runtime::ui::Key;
using runtime::ui::MessageBoxRequest;

// What each command takes.
enum class Arg { Text, Number, Key, Button, TextOrNumber };

struct Command {
  size_t MinArgs;
  std::vector<Arg> Args;  // kinds in order; the last ones optional past MinArgs
};

// `key` takes an optional control first; it is resolved when the step runs.
const std::map<std::string, Command, std::less<>>& Commands() {
  static const std::map<std::string, Command, std::less<>> commands{
      {"wait-window", {1, {Arg::Text}}},
      {"wait-closed", {1, {Arg::Text}}},
      {"window", {1, {Arg::Text}}},
      {"menu", {1, {Arg::Text}}},
      {"press", {1, {Arg::Text}}},
      {"type", {2, {Arg::Text, Arg::Text}}},
      {"edit", {2, {Arg::Text, Arg::Text}}},
      {"select", {2, {Arg::Text, Arg::Number}}},
      {"double-click", {2, {Arg::Text, Arg::Number}}},
      {"right-click", {2, {Arg::Text, Arg::Number}}},
      {"focus", {1, {Arg::Text}}},
      {"key", {1, {Arg::Text, Arg::Text}}},
      {"answer", {1, {Arg::Button}}},
      {"choose-file", {1, {Arg::Text}}},
      {"cancel-progress", {0, {}}},
      {"popup", {1, {Arg::TextOrNumber}}},
      {"print", {0, {Arg::Text}}},
      {"print-popup", {0, {}}},
      {"wait-idle", {0, {}}},
      {"close", {0, {Arg::Text}}},
      {"expect-message", {1, {Arg::Text, Arg::Text}}},
      {"expect-text", {2, {Arg::Text, Arg::Text}}},
      {"echo", {1, {Arg::Text}}},
      {"timeout", {1, {Arg::Number}}},
      {"maximize", {0, {Arg::Text}}},
      {"restore", {0, {Arg::Text}}},
      {"expect-layout", {0, {Arg::Text}}},
  };
  return commands;
}

std::string Lower(std::string_view text) { return runtime::text::AsciiCase::ToLower(std::string(text)); }

// Splits a line into words; false with `error` set on an unterminated quote.
bool Split(std::string_view line, std::vector<std::string>& words, std::string& error) {
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) {
          word += line[i++];
          continue;
        }
        word += c;
      }
      if (!closed) {
        error = "unterminated quote";
        return false;
      }
    } else {
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) word += line[i++];
    }
    words.push_back(std::move(word));
  }
  return true;
}

}  // namespace

bool ScriptParser::Number(std::string_view text, int& value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  auto [at, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && at == end;
}

int ScriptParser::KeyCode(std::string_view name) {
  int code = 0;
  if (Number(name, code)) return code;
  int modifiers = 0;
  std::string rest = Lower(name);
  for (;;) {
    if (rest.rfind("ctrl+", 0) == 0) modifiers |= Key::Ctrl, rest.erase(0, 5);
    else if (rest.rfind("shift+", 0) == 0) modifiers |= Key::Shift, rest.erase(0, 6);
    else if (rest.rfind("alt+", 0) == 0) modifiers |= Key::Alt, rest.erase(0, 4);
    else break;
  }
  static const std::map<std::string, int, std::less<>> names{
      {"backspace", Key::Backspace}, {"tab", Key::Tab},       {"enter", Key::Enter},   {"esc", Key::Esc},
      {"space", Key::Space},         {"pgup", Key::PgUp},     {"pgdn", Key::PgDn},     {"end", Key::End},
      {"home", Key::Home},           {"left", Key::Left},     {"up", Key::Up},         {"right", Key::Right},
      {"down", Key::Down},           {"insert", Key::Insert}, {"delete", Key::Delete}, {"menu", Key::MenuKey},
  };
  int base = 0;
  if (auto it = names.find(rest); it != names.end()) {
    base = it->second;
  } else if (rest.size() == 1 && std::isalnum(static_cast<unsigned char>(rest[0]))) {
    base = Key::Of(rest[0]);
  } else if (rest.size() >= 2 && rest[0] == 'f') {
    constexpr int FunctionKeys = 12;
    int n = 0;
    if (Number(std::string_view(rest).substr(1), n) && n >= 1 && n <= FunctionKeys) base = Key::F1 + n - 1;
  }
  return base == 0 ? 0 : base + modifiers;
}

int ScriptParser::Button(std::string_view name) {
  int value = 0;
  if (Number(name, value)) return value;
  static const std::map<std::string, int, std::less<>> buttons{
      {"ok", MessageBoxRequest::ButtonOk},         {"yes", MessageBoxRequest::ButtonYes},
      {"no", MessageBoxRequest::ButtonNo},         {"abort", MessageBoxRequest::ButtonAbort},
      {"retry", MessageBoxRequest::ButtonRetry},   {"ignore", MessageBoxRequest::ButtonIgnore},
      {"cancel", MessageBoxRequest::ButtonCancel}, {"help", MessageBoxRequest::ButtonHelp},
  };
  auto it = buttons.find(Lower(name));
  return it == buttons.end() ? 0 : it->second;
}

std::vector<ScriptStep> ScriptParser::Parse(std::string_view text, std::vector<std::string>& errors) {
  std::vector<ScriptStep> steps;
  int line = 0;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    std::string_view content = text.substr(start, end - start);
    start = end + 1;
    ++line;
    if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
    // Every blank the word splitter skips makes a blank line (a vertical tab or form
    // feed alone too), so a line that reaches the splitter always has a first word.
    const size_t first = content.find_first_not_of(" \t\v\f");
    if (first == std::string_view::npos || content[first] == '#') continue;
    const std::string where = std::to_string(line) + ": ";
    std::vector<std::string> words;
    std::string error;
    if (!Split(content, words, error)) {
      errors.push_back(where + error);
      continue;
    }
    if (words.empty()) continue;
    ScriptStep step{line, words.front(), {words.begin() + 1, words.end()}};
    auto command = Commands().find(step.Command);
    if (command == Commands().end()) {
      errors.push_back(where + "unknown command '" + step.Command + "'");
      continue;
    }
    const Command& c = command->second;
    if (step.Args.size() < c.MinArgs || step.Args.size() > c.Args.size()) {
      errors.push_back(where + "'" + step.Command + "' takes " +
                       (c.MinArgs == c.Args.size() ? std::to_string(c.MinArgs)
                                                   : std::to_string(c.MinArgs) + " to " + std::to_string(c.Args.size())) +
                       " argument(s), not " + std::to_string(step.Args.size()));
      continue;
    }
    for (size_t i = 0; i < step.Args.size(); ++i) {
      const std::string& a = step.Args[i];
      int value = 0;
      // `key` with one argument takes the key itself; with two, the control and the key.
      const bool isKey = step.Command == "key" && i + 1 == step.Args.size();
      if (c.Args[i] == Arg::Number && !Number(a, value)) errors.push_back(where + "'" + a + "' is not a number");
      else if (c.Args[i] == Arg::Button && Button(a) == 0) errors.push_back(where + "unknown button '" + a + "'");
      else if (isKey && KeyCode(a) == 0) errors.push_back(where + "unknown key '" + a + "'");
    }
    steps.push_back(std::move(step));
  }
  if (!errors.empty()) steps.clear();
  return steps;
}

}  // namespace tools::script
