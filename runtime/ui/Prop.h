#pragma once
// The numbers of window and control properties. Reading and writing a property goes
// through WindowModel::GetProp/SetProp with the window, the control (0 for the window
// itself) and, for indexed properties (alert keys, list columns), an index. The
// properties named here with a behaviour are kept by the model's own fields; every
// other number is stored as given and read back unchanged, so the framework may keep
// its own markers on a control. Constants only.

#include <cstdint>

namespace runtime::ui {

struct Prop {
  // Windows and controls.
  static constexpr int32_t Text = 0x7C00;          // window title, control text (entries: the screen text)
  static constexpr int32_t Type = 0x7C01;          // control type (ControlType), read-only
  static constexpr int32_t XPos = 0x7C02;          // position and size in dialog units
  static constexpr int32_t YPos = 0x7C03;
  static constexpr int32_t Width = 0x7C04;
  static constexpr int32_t Height = 0x7C05;
  static constexpr int32_t Resize = 0x7C1A;        // window: the user may resize it
  static constexpr int32_t Default = 0x7C5E;       // button: pressed by Enter
  static constexpr int32_t Disable = 0x7C5F;       // 1 while the control takes no input
  static constexpr int32_t FillsWidth = 0x7C60;
  static constexpr int32_t MovesChildren = 0x7C63;
  static constexpr int32_t Icon = 0x7C68;          // window or control icon name
  static constexpr int32_t Iconize = 0x7C69;       // window: minimized
  static constexpr int32_t Immediate = 0x7C6A;     // list: scroll events go to the program at once; entry: each keystroke (EntryChanged); window: layout managed
  static constexpr int32_t Maximize = 0x7C6F;
  static constexpr int32_t ReadOnly = 0x7C7B;      // entry: shown but not typed into
  static constexpr int32_t Thread = 0x7C95;        // window: number of the thread that owns it, read-only
  static constexpr int32_t Active = 0x7C97;        // window: brought to the front when set to 1
  static constexpr int32_t ResetSuspended = 0x7C9A;  // window: the framework skips its resets while set
  static constexpr int32_t Visible = 0x7CA7;       // control shown (not hidden itself), read-only
  static constexpr int32_t MinWidth = 0x7CAD;
  static constexpr int32_t MinHeight = 0x7CAE;
  static constexpr int32_t MaxWidth = 0x7CAF;
  static constexpr int32_t MaxHeight = 0x7CB0;
  static constexpr int32_t DeferMoves = 0x7CBD;    // window: moves batched while non-zero
  static constexpr int32_t Alert = 0x7D06;         // indexed 1 to 255: the control's alert keys
  static constexpr int32_t FrameStatus = 0x7900;   // application frame: status-bar mode
  static constexpr int32_t Parent = 0x7A07;        // control: number of the containing control
  static constexpr int32_t NoLayout = 0x7A19;      // control: left alone by layouts
  static constexpr int32_t SystemMenuStyle = 0x7A39;  // system target: style passed to popup items
  static constexpr int32_t ItemMenuStyle = 0x7A3A;    // popup item markup: the item's style
  static constexpr int32_t NoWidth = 0x7A40;       // control: keeps its natural width
  static constexpr int32_t NoHeight = 0x7A41;
  static constexpr int32_t SelStart = 0x7A44;      // list: first row of the selected span
  static constexpr int32_t ClientWidth = 0x7A4F;   // window: inner width and height
  static constexpr int32_t ClientHeight = 0x7A50;

  // Lists.
  static constexpr int32_t MouseDownRow = 0x7C20;     // row under the mouse at the last click (0 none)
  static constexpr int32_t MouseDownColumn = 0x7C25;  // column under the mouse at the last click
  static constexpr int32_t ListAction = 0x7C26;       // what a double click means to the program
  static constexpr int32_t VScroll = 0x7C8B;          // the vertical scroll bar is shown
  static constexpr int32_t Items = 0x7C8E;            // visible row count
  static constexpr int32_t Selected = 0x7C8F;         // selected row, 1-based (0 none)
  static constexpr int32_t ThumbPosition = 0x7C9E;    // scroll thumb, 0 to 100
  static constexpr int32_t EditControl = 0x7D05;      // indexed by column: the control editing it
  static constexpr int32_t ColumnEditable = 0x7E04;   // indexed by column
  static constexpr int32_t ColumnPicture = 0x7E05;    // indexed by column, read-only (from the format)
  static constexpr int32_t ColumnHeader = 0x7E0A;     // indexed by column, read-only ("" past the last)
  static constexpr int32_t ColumnField = 0x7E0E;      // indexed by column, read-only: its field number
  static constexpr int32_t ColumnColour = 0x7E28;     // indexed by column

  // Properties of this runtime's own.
  static constexpr int32_t Hide = 0x7F10;       // 1 while the control is hidden
  static constexpr int32_t Timer = 0x7F11;      // window: timer period in hundredths of a second (0 off)
  static constexpr int32_t Message = 0x7F12;    // control: the status-bar message
  static constexpr int32_t Format = 0x7F13;     // list: the format string
  static constexpr int32_t Picture = 0x7F14;    // entry: the picture of its variable
  static constexpr int32_t Name = 0x7F15;       // control name ("?OK"), read-only
  static constexpr int32_t Focus = 0x7F16;      // window: the control with the focus
  static constexpr int32_t MdiChild = 0x7F17;   // window: child of the application frame, read-only
  static constexpr int32_t Font = 0x7F18;       // window: font name
  static constexpr int32_t FontSize = 0x7F19;
  static constexpr int32_t Tip = 0x7F1A;        // control: the tooltip
  static constexpr int32_t ItemKey = 0x7F1B;    // popup item markup: the key code that does what the item does
};

}  // namespace runtime::ui
