#include "runtime/ui/WindowBuilder.h"

#include <set>
#include <utility>

#include "runtime/ui/ControlType.h"

namespace runtime::ui {
namespace {

bool IsMenuType(int32_t type) {
  return type == ControlType::Menu || type == ControlType::Item || type == ControlType::MenuBar;
}

}  // namespace

WindowBuilder::WindowBuilder(std::string name) { Definition.Name = std::move(name); }

WindowBuilder& WindowBuilder::Caption(std::string caption) {
  Definition.Caption = std::move(caption);
  return *this;
}
WindowBuilder& WindowBuilder::Icon(std::string icon) {
  Definition.Icon = std::move(icon);
  return *this;
}
WindowBuilder& WindowBuilder::Font(std::string font, int32_t size) {
  Definition.Font = std::move(font);
  Definition.FontSize = size;
  return *this;
}
WindowBuilder& WindowBuilder::Position(int32_t x, int32_t y) {
  Definition.X = x;
  Definition.Y = y;
  return *this;
}
WindowBuilder& WindowBuilder::Size(int32_t width, int32_t height) {
  Definition.Width = width;
  Definition.Height = height;
  return *this;
}
WindowBuilder& WindowBuilder::SystemMenu() {
  Definition.SystemMenu = true;
  return *this;
}
WindowBuilder& WindowBuilder::Resizable() {
  Definition.Resizable = true;
  return *this;
}
WindowBuilder& WindowBuilder::MdiChild() {
  Definition.MdiChild = true;
  return *this;
}
WindowBuilder& WindowBuilder::Frame() {
  Definition.Frame = true;
  return *this;
}
WindowBuilder& WindowBuilder::Maximized() {
  Definition.Maximized = true;
  return *this;
}

WindowBuilder& WindowBuilder::Add(int32_t type, int32_t number, std::string name, std::string text) {
  ControlDefinition control;
  control.Type = type;
  control.Number = number;
  control.Name = std::move(name);
  control.Text = std::move(text);
  // Parents are kept as indexes until Build has numbered everything; -1 is none.
  int32_t parent = -1;
  if (IsMenuType(type) && !MenuStack.empty()) parent = MenuStack.back();
  if (type == ControlType::Tab) parent = LastSheet;
  control.Parent = parent;
  Definition.Controls.push_back(std::move(control));
  return *this;
}

WindowBuilder& WindowBuilder::Button(int32_t number, std::string name, std::string text) {
  return Add(ControlType::Button, number, std::move(name), std::move(text));
}
WindowBuilder& WindowBuilder::Prompt(int32_t number, std::string name, std::string text) {
  return Add(ControlType::Prompt, number, std::move(name), std::move(text));
}
WindowBuilder& WindowBuilder::String(int32_t number, std::string name, std::string text) {
  return Add(ControlType::String, number, std::move(name), std::move(text));
}
WindowBuilder& WindowBuilder::Entry(int32_t number, std::string name, std::string picture) {
  Add(ControlType::Entry, number, std::move(name));
  Last()->Picture = std::move(picture);
  return *this;
}
WindowBuilder& WindowBuilder::Check(int32_t number, std::string name, std::string text) {
  return Add(ControlType::Check, number, std::move(name), std::move(text));
}
WindowBuilder& WindowBuilder::List(int32_t number, std::string name, std::string format) {
  Add(ControlType::List, number, std::move(name));
  Last()->Format = std::move(format);
  return *this;
}
WindowBuilder& WindowBuilder::Image(int32_t number, std::string name) {
  return Add(ControlType::Image, number, std::move(name));
}
WindowBuilder& WindowBuilder::Region(int32_t number, std::string name) {
  return Add(ControlType::Region, number, std::move(name));
}
WindowBuilder& WindowBuilder::Sheet(int32_t number, std::string name) {
  Add(ControlType::Sheet, number, std::move(name));
  LastSheet = static_cast<int32_t>(Definition.Controls.size()) - 1;
  return *this;
}
WindowBuilder& WindowBuilder::Tab(int32_t number, std::string name, std::string text) {
  return Add(ControlType::Tab, number, std::move(name), std::move(text));
}

WindowBuilder& WindowBuilder::MenuBar(std::string name) {
  MenuStack.clear();
  Add(ControlType::MenuBar, 0, std::move(name));
  MenuStack.push_back(static_cast<int32_t>(Definition.Controls.size()) - 1);
  return *this;
}
WindowBuilder& WindowBuilder::Menu(std::string text, std::string name) {
  Add(ControlType::Menu, 0, std::move(name), std::move(text));
  MenuStack.push_back(static_cast<int32_t>(Definition.Controls.size()) - 1);
  return *this;
}
WindowBuilder& WindowBuilder::Item(std::string text, std::string name) {
  return Add(ControlType::Item, 0, std::move(name), std::move(text));
}
WindowBuilder& WindowBuilder::Separator() { return Add(ControlType::Item, 0, {}, "-"); }
WindowBuilder& WindowBuilder::EndMenu() {
  // The menu bar itself stays open: menus after this one belong to it again.
  if (MenuStack.size() > 1) MenuStack.pop_back();
  return *this;
}

ControlDefinition* WindowBuilder::Last() {
  // A modifier before any control is a fault of the definition; a scratch control
  // takes it so the caller's chain stays valid.
  static thread_local ControlDefinition scratch;
  if (Definition.Controls.empty()) {
    Found.push_back("a control modifier came before any control");
    return &scratch;
  }
  return &Definition.Controls.back();
}

WindowBuilder& WindowBuilder::Number(int32_t number) {
  Last()->Number = number;
  return *this;
}
WindowBuilder& WindowBuilder::At(int32_t x, int32_t y, int32_t width, int32_t height) {
  ControlDefinition* c = Last();
  c->X = x;
  c->Y = y;
  c->Width = width;
  c->Height = height;
  return *this;
}
WindowBuilder& WindowBuilder::Text(std::string text) {
  Last()->Text = std::move(text);
  return *this;
}
WindowBuilder& WindowBuilder::Tip(std::string tip) {
  Last()->Tip = std::move(tip);
  return *this;
}

WindowBuilder& WindowBuilder::Message(std::string message) {
  Last()->Message = std::move(message);
  return *this;
}
WindowBuilder& WindowBuilder::Format(std::string format) {
  Last()->Format = std::move(format);
  return *this;
}
WindowBuilder& WindowBuilder::Picture(std::string picture) {
  Last()->Picture = std::move(picture);
  return *this;
}
WindowBuilder& WindowBuilder::ControlIcon(std::string icon) {
  Last()->Icon = std::move(icon);
  return *this;
}
WindowBuilder& WindowBuilder::Hidden() {
  Last()->Hidden = true;
  return *this;
}
WindowBuilder& WindowBuilder::Disabled() {
  Last()->Disabled = true;
  return *this;
}
WindowBuilder& WindowBuilder::Default() {
  Last()->Default = true;
  return *this;
}
WindowBuilder& WindowBuilder::ReadOnly() {
  Last()->ReadOnly = true;
  return *this;
}
WindowBuilder& WindowBuilder::Action(FrameAction action) {
  Last()->Action = action;
  return *this;
}

WindowDefinition WindowBuilder::Build() {
  WindowDefinition result = Definition;
  std::set<int32_t> used;
  for (const ControlDefinition& c : result.Controls) {
    if (c.Number == 0) continue;
    if (!used.insert(c.Number).second) Found.push_back("control number " + std::to_string(c.Number) + " is used twice");
  }
  int32_t nextPositive = 1;
  int32_t nextNegative = -1;
  for (ControlDefinition& c : result.Controls) {
    if (c.Number != 0) continue;
    if (IsMenuType(c.Type)) {
      while (used.count(nextNegative)) --nextNegative;
      c.Number = nextNegative--;
    } else {
      while (used.count(nextPositive)) ++nextPositive;
      c.Number = nextPositive++;
    }
    used.insert(c.Number);
  }
  for (ControlDefinition& c : result.Controls)
    c.Parent = c.Parent >= 0 ? result.Controls[static_cast<size_t>(c.Parent)].Number : 0;
  std::set<std::string> names;
  for (const ControlDefinition& c : result.Controls)
    if (!c.Name.empty() && !names.insert(c.Name).second) Found.push_back("control name " + c.Name + " is used twice");
  return result;
}

}  // namespace runtime::ui
