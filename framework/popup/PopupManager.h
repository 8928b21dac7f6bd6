#pragma once
// Keeps an ordered list of menu items for one window and shows them as a context menu
// or as the buttons of a small floating toolbox window. Choosing an item returns its
// name and, when the item is tied to a control or an event, posts that event to the
// window, so that a menu item has the same effect as the button it mimics (and a
// disabled button disables its menu item and toolbox button too).
//
// Items are addressed by their unique Name, made from their text ("&Insert" gives
// "Insert", a second one "Insert1"). Depth nests items into submenus: the item before
// a deeper one is the submenu's caption and cannot be chosen. Operations on a name
// that does not exist do nothing; texts longer than their limits are cut.
//
// The window served: SetWindow names it; without one, a menu serves the window whose
// event loop is running on the calling thread. Mimic items read that window's
// controls (text, disabled state, icon) before every menu and toolbox refresh, and
// chosen items post their event to it, so the window's handlers always run on the
// window's own thread.
//
// Thread safety: the owner's thread (the one that called Init) adds, changes and
// shows items. The toolbox (ShowToolbox) runs on a thread of its own and reads and
// writes the same items; every operation therefore holds the manager's lock, which
// is never held while a menu or the toolbox waits for the user. The public fields are
// for the owner's thread while no toolbox runs; use the operations otherwise.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/popup/PopupItem.h"
#include "runtime/core/CriticalSection.h"

namespace framework::window {
class IniManager;
}

namespace framework::popup {

class PopupTranslator;

class PopupManager {
 public:
  // The longest menu definition handed to the menu service, in bytes.
  static constexpr size_t MenuLimit = 10000;
  // LastSelection keeps at most this many bytes.
  static constexpr size_t SelectionLimit = 1023;
  // A toolbox button's tooltip keeps at most this many bytes.
  static constexpr size_t ToolTipLimit = 100;

  // The toolbox window: definition name, font, how often it looks at the served
  // window's controls (hundredths of a second), and its thread's stack.
  static constexpr const char* ToolboxWindowName = "P11$W";
  static constexpr const char* ToolboxFont = "Microsoft Sans Serif";
  static constexpr int32_t ToolboxFontSize = 8;
  static constexpr int32_t ToolboxRefreshPeriod = 20;
  static constexpr size_t ToolboxStack = 50000;
  // Default sizes of toolbox buttons in dialog units: an icon button is square-ish, a
  // text button grows with its caption.
  static constexpr int32_t ButtonHeight = 14;
  static constexpr int32_t IconButtonWidth = 16;
  static constexpr int32_t TextButtonPadding = 8;
  static constexpr int32_t TextButtonCharWidth = 4;

  PopupManager();
  // Closes the toolbox and tears down when that has not happened.
  ~PopupManager();
  PopupManager(const PopupManager&) = delete;
  PopupManager& operator=(const PopupManager&) = delete;

  // ---- Life cycle ----
  // An empty item list; ClearKeyCode 1, NoIcons 0, nothing chosen; MyThread := the
  // calling thread. A second Init starts over (after closing the toolbox).
  void Init();
  // Closes the toolbox window and waits until its thread has let go of the items, then
  // disposes them. Safe to call twice.
  void Teardown();

  // The window whose controls the items mimic and to which chosen items post (0: the
  // window whose loop runs on the calling thread at the time of the menu).
  void SetWindow(int32_t window);

  // ---- Adding items; each returns the new (or found) item's name ----
  // At the end, at the depth of the last item; named from the text ("Separator" for "-").
  std::string AddMenuItem(std::string_view text);
  // At the end, named from `name` (made unique).
  std::string AddMenuItem(std::string_view text, std::string_view name);
  // After the item named `after` (at the end when there is none); depth 0 means the
  // depth of that item (1 when the list is empty).
  std::string AddMenuItem(std::string_view text, std::string_view name, std::string_view after, int32_t depth);
  // Parses a menu definition ("|" between items, "{" and "}" around a submenu, the
  // flags "~", "+" and "-" before a text) and inserts its items after `after`.
  void AddMenuItems(std::string_view definition, std::string_view after);
  // `text` as the caption of a submenu holding `definition`, after `after`.
  void AddSubmenuItem(std::string_view text, std::string_view definition, std::string_view after);
  // An item that mirrors `control`: found by the name made from `lookupText` (or added
  // with that text), then shown with `itemText` ("!" first: the control's own text when
  // it has one), enabled with the control, accepting it when chosen, on the toolbox.
  std::string AddMimicItem(std::string_view itemText, std::string_view lookupText, int32_t control);
  // An item (found by `name`, or added with that text) that posts `event` to `control`.
  std::string AddEventItem(std::string_view name, int32_t event, int32_t control);

  // ---- Changing items (nothing when there is no such item) ----
  void RemoveMenuItem(std::string_view name);
  void DeleteAll();
  // Separators are left alone.
  void EnableMenuItem(std::string_view name, bool enable);
  void MarkForToolbox(std::string_view name, bool onToolbox);
  void SetIcon(std::string_view name, std::string_view icon);
  // The key (a key code) the menu shows beside the item: the one that does in the
  // window what choosing the item does. 0 shows none.
  void SetKey(std::string_view name, int32_t key);
  // Not an item property of its own: sets Check (PopupItem::Checked/Unchecked/NoCheck).
  void SetCheck(std::string_view name, uint8_t check);

  // ---- Queries ----
  // 1-based position of the item, 0 when none.
  size_t FindItem(std::string_view name) const;
  // Every item, or only those a menu lets the user choose (no separators, no captions).
  size_t MenuItemCount(bool choosableOnly = false) const;
  std::string LastChosenItem() const;
  int32_t LastChosenNumber() const;
  // A copy of the items in order.
  std::vector<PopupItem> Items() const;
  bool ToolboxRunning() const;
  // The toolbox window's number while it is open, else 0.
  int32_t ToolboxWindow() const;

  // ---- Showing ----
  // Refreshes the mimic items and builds the menu definition (what ShowMenu shows).
  std::string BuildMenu();
  // Shows the menu at x, y (0: at the mouse) and waits; the chosen item's name, or ""
  // when the menu was dismissed or had no items. The chosen item's event is posted.
  std::string ShowMenu(int32_t x = 0, int32_t y = 0);
  // Opens the toolbox window titled `caption` on a thread of its own, serving the
  // window (SetWindow, else the calling thread's window). Nothing when it is open.
  void ShowToolbox(std::string_view caption);
  // Asks the toolbox to close and waits until it has; nothing when none runs.
  void CloseToolbox();

  // ---- Fields ----
  uint8_t ClearKeyCode = 1;
  uint8_t NoIcons = 0;
  std::string LastSelection;
  int32_t LastNumberSelection = 0;
  std::unique_ptr<std::vector<PopupItem>> PopupItems;
  PopupTranslator* Translator = nullptr;
  framework::window::IniManager* IniMgr = nullptr;  // kept for the owner; not used
  uint8_t InToolbox = 0;
  int32_t MyThread = 0;
  int32_t ParentWindow = 0;
  int32_t ThisWindow = 0;

 private:
  // Which items a result number counts.
  enum class ChoiceMode { Menu, Toolbox };

  // Items by name; nullptr when none. REQUIRES: Lock held.
  PopupItem* Find(std::string_view name);
  size_t IndexOf(std::string_view name) const;
  // The first free name built from `text`.
  std::string MakeName(std::string_view text) const;
  // Inserts a fresh item after 0-based `position` (npos: at the end); its name made
  // from `name`, its flags taken from the front of `text`. Returns its index.
  size_t InsertItem(std::string_view text, std::string_view name, size_t position, int32_t depth);
  // Brings a mimic item in line with its control in `window`.
  void RefreshItem(PopupItem& item, int32_t window);
  std::string BuildMenuLocked(int32_t window);
  // The item that result `number` means in `mode`, or nullptr.
  PopupItem* ItemForChoice(int32_t number, ChoiceMode mode);
  // Records the choice and posts its event to `window` (0: MyThread's current window).
  std::string TakeChoice(int32_t number, ChoiceMode mode, int32_t window);
  // The window items serve now: SetWindow's, else the calling thread's loop's.
  int32_t ServedWindow() const;
  bool OnToolboxThread() const;

  // The toolbox thread (PopupManagerToolbox.cpp).
  void RunToolbox(std::string caption);
  // The toolbox's event loop for one choice: the chosen button's number, 0 on close.
  int32_t WaitForToolboxChoice();
  // Recreates, enables and places the toolbox buttons from the items.
  void LayoutToolbox();
  // Disables (or re-enables) the served window's controls of items not on the toolbox.
  void SetHiddenItemControls(bool toolboxOpen);

  mutable runtime::core::CriticalSection Lock;
  std::condition_variable_any ToolboxEnded;
  int32_t Window = 0;          // GUARDED_BY(Lock)
  int32_t ToolboxThread = 0;   // GUARDED_BY(Lock)
  bool ToolboxClosing = false; // GUARDED_BY(Lock)
  // Controls of the served window that the open toolbox disabled. GUARDED_BY(Lock)
  std::vector<int32_t> DisabledByToolbox;
  bool Inited = false;
};

}  // namespace framework::popup
