#pragma once
// The runtime's window model: every open window and its controls, shared by all
// threads behind one lock. Window procedures open windows from definitions, read and
// write numbered properties, bind entries to variables, fill lists, post events and
// redisplay; front ends learn of changes through the installed FrontEnd and send user
// input back through Input, TypeText and ChooseRow.
//
// Screen and variables: an entry keeps the text on the screen. It moves into the bound
// variable (through the entry's picture) only on the window's own thread, when the
// control is accepted or on Update; the variable moves to the screen only on Display.
// A front end never touches a program variable.
//
// Windows are numbered from 1 in opening order; numbers are never reused. Control 0
// stands for the window itself in property calls. An operation on a window or control
// that does not exist does nothing and returns false, "" or 0.
//
// Thread safety: every operation may be called from any thread, except where stated
// (Display and Update run on the window's own thread: they touch program variables).
// The front end is told of changes outside the model's lock.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/FieldRef.h"
#include "runtime/ui/Control.h"
#include "runtime/ui/ControlDefinition.h"
#include "runtime/ui/PostedEvent.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowDefinition.h"

namespace runtime::ui {

class WindowModel {
 public:
  // --- Windows ---------------------------------------------------------------
  // Opens a window from its definition on the calling thread, owned by `owner` (0 for
  // none). It becomes the thread's newest window, the one that takes input; the window
  // below it is sent LoseFocus, and the new one OpenWindow. Returns its number.
  static int32_t Open(const WindowDefinition& definition, int32_t owner = 0);
  // Closes the window from any thread; its loop ends after the event in hand. The
  // window below it on its thread (if any) is sent GainFocus.
  static void Close(int32_t window);
  static bool Exists(int32_t window);
  // Open windows in opening order.
  static std::vector<int32_t> Windows();
  // A copy of the window without the program's variables or list sources.
  static std::optional<Window> Snapshot(int32_t window);
  // The newest open window whose title is `title`, 0 when none.
  static int32_t FindByTitle(std::string_view title);
  // True when the window is the newest of its thread (it takes input).
  static bool TakesInput(int32_t window);

  // --- Controls and properties -----------------------------------------------
  static int32_t ControlNumber(int32_t window, std::string_view name);
  // Adds a control at run time; number 0 takes the next free positive number.
  // Returns the number, 0 when the window does not exist or the number is taken.
  static int32_t CreateControl(int32_t window, ControlDefinition definition);
  static bool DestroyControl(int32_t window, int32_t control);

  static std::string GetProp(int32_t window, int32_t control, int32_t prop, int32_t index = 0);
  static int64_t GetPropInt(int32_t window, int32_t control, int32_t prop, int32_t index = 0);
  // Read-only properties (Type, Thread, Visible, Name ...) refuse with false.
  static bool SetProp(int32_t window, int32_t control, int32_t prop, std::string_view value, int32_t index = 0);
  static bool SetPropInt(int32_t window, int32_t control, int32_t prop, int64_t value, int32_t index = 0);

  static bool Enable(int32_t window, int32_t control);
  static bool Disable(int32_t window, int32_t control);
  static bool Hide(int32_t window, int32_t control);
  static bool Unhide(int32_t window, int32_t control);
  // Gives the control the focus and posts Selected to it.
  static bool Select(int32_t window, int32_t control);

  // Binds an entry (or check) to a variable; the picture replaces the definition's when
  // not empty. The screen shows the value at the next Display.
  static bool Bind(int32_t window, int32_t control, runtime::data::FieldRef use, std::string_view picture = {});
  // Window's own thread: bound variables to the screen (control 0: every control),
  // list sources to rows; the front end is told the window changed.
  static void Display(int32_t window, int32_t control = 0);
  // Window's own thread: screen texts into the bound variables (control 0: every
  // control). Returns the first control whose text its picture refuses (its variable
  // unchanged), 0 when all were taken.
  static int32_t Update(int32_t window, int32_t control = 0);

  // Lists: the rows shown (plain texts per column), or a source they come from.
  static bool SetListRows(int32_t window, int32_t control, std::vector<std::vector<std::string>> rows);
  static std::vector<std::vector<std::string>> ListRows(int32_t window, int32_t control);
  static bool SetListSource(int32_t window, int32_t control, ListSource source);
  // The list's selected row (1-based, 0 none).
  static int32_t Choice(int32_t window, int32_t control);

  // --- Events ----------------------------------------------------------------
  // Posts to a window (control 0: the window itself) on the window's thread.
  static bool Post(int32_t window, int32_t event, int32_t control = 0, int32_t argument = 0);
  // Posts to whichever window of the thread takes input.
  static void PostToThread(int32_t thread, int32_t event, int32_t control = 0, int32_t argument = 0);
  // Sends event Notify to the thread's window with the code, the calling thread and the parameter.
  static void Notify(int32_t thread, int32_t code, int64_t parameter);
  // Asks for the whole window to be validated: every entry's screen text is taken into
  // its variable; the first that refuses gets the focus and event Rejected, otherwise
  // the window gets event Completed. Done on the window's own thread.
  static bool SelectForCompletion(int32_t window);
  // Runs the validation now; window's own thread (the event loop calls it).
  static void ValidateForCompletion(int32_t window);

  // The calling thread's event being handled (an empty one outside any handler).
  static PostedEvent CurrentEvent();
  // The calling thread's key code: the key or click of the last user input it handled.
  static int32_t KeyCode();
  static void SetKeyCode(int32_t key);

  // Shows or hides the wait cursor through the front end.
  static void SetWaitCursor(bool on);
  // Sounds the warning beep through the front end.
  static void Beep(int32_t frequency, int32_t duration);

  // --- Input from front ends -------------------------------------------------
  // Delivers user input as an event: `key` becomes the thread's key code when it is
  // handled. Refused (with the reason as text) when the window does not take input
  // or the control is missing, hidden or disabled; "" when delivered.
  static std::string Input(int32_t window, int32_t control, int32_t event, int32_t key = 0);
  // The user typed `text` into an entry (the screen only), then left it: Accepted.
  static std::string TypeText(int32_t window, int32_t control, std::string_view text);
  // The user is typing in an entry and it shows `text` now, not yet left. Only an
  // entry whose Immediate property is set takes it: its screen text becomes `text` and
  // it is sent EntryChanged. For other entries nothing happens ("" all the same).
  static std::string EditText(int32_t window, int32_t control, std::string_view text);
  // The user chose a list row with `key` (a click, a key): NewSelection.
  static std::string ChooseRow(int32_t window, int32_t control, int32_t row, int32_t key = 0);
  // The front end reports how many rows a list shows now.
  static void SetVisibleRows(int32_t window, int32_t control, int32_t rows);

  // For tests: closes every window and forgets every queued event.
  static void CloseAll();
};

}  // namespace runtime::ui
