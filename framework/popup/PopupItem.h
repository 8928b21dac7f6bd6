#pragma once
// One entry of a PopupManager's item list: where it sits in the menu (Depth), what it
// shows (Text, Icon, the key beside it, its disabled and check state), and what
// choosing it does (post
// Event to ControlId, or, for an item that mimics a control, accept that control).
// A plain value; the manager that holds it guards it.

#include <cstddef>
#include <cstdint>
#include <string>

namespace framework::popup {

struct PopupItem {
  // Disabled.
  static constexpr uint8_t FollowControl = 0;  // decided from the mimicked control at the next refresh
  static constexpr uint8_t ItemDisabled = 1;
  static constexpr uint8_t ItemEnabled = 2;
  // Check.
  static constexpr uint8_t NoCheck = 0;
  static constexpr uint8_t Checked = 1;
  static constexpr uint8_t Unchecked = 2;  // a check item without its mark

  // Longest name and text, and longest icon name, in bytes.
  static constexpr size_t TextLimit = 1024;
  static constexpr size_t IconLimit = 255;

  // The text that makes an item a separator line.
  static constexpr const char* SeparatorText = "-";

  int32_t ControlId = 0;  // control of the parent window mimicked or posted to; 0 none
  int32_t Depth = 1;      // 1 for the top menu
  int32_t Event = 0;      // posted to ControlId when chosen; 0 none
  uint8_t MimicMode = 0;  // 1: mirrors ControlId and accepts it when chosen
  uint8_t Disabled = FollowControl;
  uint8_t Check = NoCheck;
  uint8_t OnToolbox = 0;  // 1: also a button of the toolbox window
  int32_t Key = 0;        // key code that does the same in the window, shown beside the text; 0 none
  std::string Icon;
  std::string Name;  // unique within the manager
  std::string Text;
  // Set at the first refresh of a mimic item left to its control (Disabled 0): from
  // then on every refresh takes the control's state, until EnableMenuItem decides.
  bool FollowsControl = false;

  bool IsSeparator() const { return Text == SeparatorText; }
};

}  // namespace framework::popup
