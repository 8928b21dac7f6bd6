#pragma once
// Control types, as the type property (Prop::Type) reports them. Group, option, sheet
// and tab contain other controls. Constants only.

#include <cstdint>

namespace runtime::ui {

struct ControlType {
  static constexpr int32_t String = 1;   // fixed text
  static constexpr int32_t Image = 2;
  static constexpr int32_t Region = 3;
  static constexpr int32_t Line = 4;
  static constexpr int32_t Box = 5;
  static constexpr int32_t Entry = 7;
  static constexpr int32_t Button = 8;
  static constexpr int32_t Prompt = 9;
  static constexpr int32_t Radio = 10;
  static constexpr int32_t Group = 11;
  static constexpr int32_t Check = 12;
  static constexpr int32_t Option = 13;
  static constexpr int32_t List = 14;
  static constexpr int32_t Combo = 15;
  static constexpr int32_t Spin = 16;
  static constexpr int32_t Text = 17;    // multi-line entry
  static constexpr int32_t Menu = 19;
  static constexpr int32_t Item = 20;    // menu item
  static constexpr int32_t Toolbar = 22;
  static constexpr int32_t MenuBar = 24;
  static constexpr int32_t Sheet = 37;   // tab sheet
  static constexpr int32_t Tab = 38;

  // Lower-case name used in printed windows ("button", "entry" ...).
  static constexpr const char* NameOf(int32_t type) {
    switch (type) {
      case String: return "string";
      case Image: return "image";
      case Region: return "region";
      case Line: return "line";
      case Box: return "box";
      case Entry: return "entry";
      case Button: return "button";
      case Prompt: return "prompt";
      case Radio: return "radio";
      case Group: return "group";
      case Check: return "check";
      case Option: return "option";
      case List: return "list";
      case Combo: return "combo";
      case Spin: return "spin";
      case Text: return "text";
      case Menu: return "menu";
      case Item: return "item";
      case Toolbar: return "toolbar";
      case MenuBar: return "menubar";
      case Sheet: return "sheet";
      case Tab: return "tab";
      default: return "control";
    }
  }
};

}  // namespace runtime::ui
