#pragma once
// The application frame's standard actions: menu items bound to one of these need no
// program code. Exit closes the frame through its normal close path; the others are
// carried out by the front end. Constants only.

#include <cstdint>

namespace runtime::ui {

enum class FrameAction : int32_t {
  None = 0,
  PrintSetup,
  Exit,
  Cut,
  Copy,
  Paste,
  Tile,
  Cascade,
  ArrangeIcons,
  HelpContents,
  HelpSearch,
  HelpOnHelp,
};

// "PrintSetup", "Tile" ...: the action's name, for logs and printed windows.
constexpr const char* FrameActionName(FrameAction action) {
  switch (action) {
    case FrameAction::PrintSetup: return "PrintSetup";
    case FrameAction::Exit: return "Exit";
    case FrameAction::Cut: return "Cut";
    case FrameAction::Copy: return "Copy";
    case FrameAction::Paste: return "Paste";
    case FrameAction::Tile: return "Tile";
    case FrameAction::Cascade: return "Cascade";
    case FrameAction::ArrangeIcons: return "ArrangeIcons";
    case FrameAction::HelpContents: return "HelpContents";
    case FrameAction::HelpSearch: return "HelpSearch";
    case FrameAction::HelpOnHelp: return "HelpOnHelp";
    case FrameAction::None: break;
  }
  return "None";
}

}  // namespace runtime::ui
