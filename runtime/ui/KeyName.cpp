#include "runtime/ui/KeyName.h"

#include "runtime/ui/Key.h"

namespace runtime::ui {
namespace {

constexpr int32_t FunctionKeys = 12;
constexpr int32_t Digit9 = Key::Digit0 + 9;

struct NamedKey {
  int32_t Code;
  const char* Name;
};

constexpr NamedKey Names[] = {
    {Key::Backspace, "Backspace"}, {Key::Tab, "Tab"},     {Key::Enter, "Enter"},   {Key::Esc, "Esc"},
    {Key::Space, "Space"},         {Key::PgUp, "PgUp"},   {Key::PgDn, "PgDn"},     {Key::End, "End"},
    {Key::Home, "Home"},           {Key::Left, "Left"},   {Key::Up, "Up"},         {Key::Right, "Right"},
    {Key::Down, "Down"},           {Key::Insert, "Ins"},  {Key::Delete, "Del"},    {Key::MenuKey, "Menu"},
};

std::string BaseName(int32_t base) {
  for (const NamedKey& k : Names)
    if (k.Code == base) return k.Name;
  if ((base >= Key::A && base <= Key::Z) || (base >= Key::Digit0 && base <= Digit9))
    return std::string(1, static_cast<char>(base));
  if (base >= Key::F1 && base < Key::F1 + FunctionKeys) return "F" + std::to_string(base - Key::F1 + 1);
  return {};
}

}  // namespace

std::string KeyName::Of(int32_t code) {
  std::string name = BaseName(Key::Base(code));
  if (name.empty()) return {};
  // Written in the order a desktop menu shows them: Ctrl+Shift+Alt+key.
  if (code & Key::Alt) name = "Alt+" + name;
  if (code & Key::Shift) name = "Shift+" + name;
  if (code & Key::Ctrl) name = "Ctrl+" + name;
  return name;
}

}  // namespace runtime::ui
