#pragma once
// A live control of an open window, as the window model keeps it: its definition's
// values as they are now, its alert keys, the variable an entry is bound to (with
// the text on the screen) and what a list last displayed. Held inside the model
// under its lock; front ends see copies (Snapshot) without the program's variables.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "runtime/data/FieldRef.h"
#include "runtime/ui/FrameAction.h"

namespace runtime::ui {

// A list's rows on demand: row -1 asks for the row count, row -2 for the column
// count; rows 1..count and columns 1..columns give cell texts. Called on the window's
// own thread when the list is redisplayed.
using ListSource = std::function<std::string(int32_t row, int32_t column)>;

struct Control {
  int32_t Number = 0;
  int32_t Type = 0;
  std::string Name;
  std::string Text;     // caption; for entries the screen text
  std::string Message;
  std::string Tip;
  std::string Format;
  std::string Picture;
  std::string Icon;
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Parent = 0;
  bool Hidden = false;
  bool Disabled = false;
  bool Default = false;
  bool ReadOnly = false;
  FrameAction Action = FrameAction::None;
  std::map<int32_t, int32_t> Alerts;  // alert slot (1 to 255) -> key code

  // Entries and checks: the bound variable (null when none).
  runtime::data::FieldRef Use;

  // Lists.
  std::vector<std::vector<std::string>> Rows;  // rows last displayed, plain texts per column
  int32_t SelectedRow = 0;                     // 1-based, 0 none
  int32_t VisibleRows = 0;                     // 0: as many as the height holds
  int32_t Thumb = 0;
  bool ThumbShown = false;
  ListSource Source;

  // Properties without a behaviour of the model's own, by (number, index).
  std::map<std::pair<int32_t, int32_t>, std::string> Other;
};

}  // namespace runtime::ui
