#include "runtime/ui/PopupMenu.h"

#include <charconv>
#include <functional>

#include "runtime/ui/KeyName.h"
#include "runtime/ui/Prop.h"

namespace runtime::ui {
namespace {

constexpr char ItemBreak = '|';
constexpr char SubmenuOpen = '{';
constexpr char SubmenuClose = '}';
constexpr char DisabledFlag = '~';
constexpr char CheckedFlag = '+';
constexpr char UncheckedFlag = '-';
constexpr char MarkupOpen = '[';
constexpr char MarkupClose = ']';
constexpr std::string_view SeparatorText = "-";

PopupMenuItem MakeItem(std::string_view text) {
  PopupMenuItem item;
  if (text == SeparatorText) {
    item.Separator = true;
    item.Text = std::string(text);
    return item;
  }
  size_t at = 0;
  for (; at < text.size(); ++at) {
    if (text[at] == DisabledFlag) item.Disabled = true;
    else if (text[at] == CheckedFlag) item.Check = PopupMenuItem::Checked;
    else if (text[at] == UncheckedFlag) item.Check = PopupMenuItem::Unchecked;
    else break;
  }
  text.remove_prefix(at);
  if (!text.empty() && text.front() == MarkupOpen) {
    size_t close = text.find(MarkupClose);
    if (close != std::string_view::npos) {
      item.Markup = std::string(text.substr(1, close - 1));
      const std::string key = PopupMenu::MarkupValue(item.Markup, Prop::ItemKey);
      std::from_chars(key.data(), key.data() + key.size(), item.Key);
      text.remove_prefix(close + 1);
    }
  }
  item.Text = std::string(text);
  return item;
}

}  // namespace

PopupMenu PopupMenu::Parse(std::string_view definition) {
  PopupMenu menu;
  menu.Source = std::string(definition);
  // The levels being filled: the top menu, then each open submenu's entries.
  std::vector<std::vector<PopupMenuItem>*> levels{&menu.Top};
  std::string current;
  auto flush = [&] {
    if (!current.empty()) levels.back()->push_back(MakeItem(current));
    current.clear();
  };
  bool inMarkup = false;
  for (char c : definition) {
    if (inMarkup) {
      current += c;
      if (c == MarkupClose) inMarkup = false;
      continue;
    }
    if (c == ItemBreak) {
      flush();
    } else if (c == SubmenuOpen) {
      flush();
      std::vector<PopupMenuItem>& level = *levels.back();
      // A submenu with no caption before it still needs an entry to hang from.
      if (level.empty()) level.emplace_back();
      levels.push_back(&level.back().Items);
    } else if (c == SubmenuClose) {
      flush();
      // A stray "}" at the top level is ignored.
      if (levels.size() > 1) levels.pop_back();
    } else {
      if (c == MarkupOpen) inMarkup = true;
      current += c;
    }
  }
  flush();

  int32_t next = 0;
  std::function<void(std::vector<PopupMenuItem>&)> number = [&](std::vector<PopupMenuItem>& items) {
    for (PopupMenuItem& item : items) {
      if (item.IsSubmenu()) number(item.Items);
      else if (!item.Separator) item.Number = ++next;
    }
  };
  number(menu.Top);
  menu.Choosable = next;
  return menu;
}

const PopupMenuItem* PopupMenu::Item(int32_t number) const {
  const PopupMenuItem* found = nullptr;
  std::function<void(const std::vector<PopupMenuItem>&)> walk = [&](const std::vector<PopupMenuItem>& items) {
    for (const PopupMenuItem& item : items) {
      if (found) return;
      if (item.Number == number && number != 0) found = &item;
      walk(item.Items);
    }
  };
  walk(Top);
  return found;
}

int32_t PopupMenu::NumberOf(std::string_view text) const {
  for (int32_t n = 1; n <= Choosable; ++n)
    if (PlainText(Item(n)->Text) == text || Item(n)->Text == text) return n;
  return 0;
}

std::string PopupMenu::PlainText(std::string_view text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        plain += '&';
        ++i;
      }
      continue;
    }
    plain += text[i];
  }
  return plain;
}

std::string PopupMenu::MarkupValue(std::string_view markup, int32_t prop) {
  const std::string wanted = std::to_string(prop);
  // Settings are "number(value)" joined by ",", and a value may hold "," itself: each
  // setting is taken from its number to its closing parenthesis.
  size_t at = 0;
  while (at < markup.size()) {
    const size_t open = markup.find('(', at);
    if (open == std::string_view::npos) break;
    const size_t close = markup.find(')', open);
    const size_t end = close == std::string_view::npos ? markup.size() : close;
    if (markup.substr(at, open - at) == wanted) return std::string(markup.substr(open + 1, end - open - 1));
    at = end + 1;
    if (at < markup.size() && markup[at] == ',') ++at;
  }
  return {};
}

std::string PopupMenu::Print() const {
  std::string out;
  std::function<void(const std::vector<PopupMenuItem>&, int)> walk = [&](const std::vector<PopupMenuItem>& items,
                                                                       int depth) {
    const std::string indent(static_cast<size_t>(depth) * 2, ' ');
    for (const PopupMenuItem& item : items) {
      if (item.Separator) {
        out += indent + "- (separator)\n";
      } else if (item.IsSubmenu()) {
        out += indent + item.Text + " {\n";
        walk(item.Items, depth + 1);
        out += indent + "}\n";
      } else {
        out += indent + std::to_string(item.Number) + " " + item.Text;
        if (const std::string key = KeyName::Of(item.Key); !key.empty()) out += " [" + key + "]";
        if (item.Check == PopupMenuItem::Checked) out += " (checked)";
        if (item.Disabled) out += " (disabled)";
        out += "\n";
      }
    }
  };
  walk(Top, 0);
  return out;
}

}  // namespace runtime::ui
