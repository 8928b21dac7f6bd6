#include "framework/popup/PopupManager.h"

#include <algorithm>
#include <mutex>

#include "framework/error/TextLimit.h"
#include "framework/popup/PopupTranslator.h"
#include "runtime/core/SyncGuard.h"
#include "runtime/core/ThreadContext.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventLoop.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/PopupMenuService.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace framework::popup {
namespace {

using framework::error::TextLimit;
using runtime::core::SyncGuard;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

constexpr char SameLevel = '|';
constexpr char LevelDown = '{';
constexpr char LevelUp = '}';
constexpr char DisabledFlag = '~';
constexpr char CheckedFlag = '+';
constexpr char UncheckedFlag = '-';
// A menu text that starts with this takes the mimicked control's own text.
constexpr char ControlTextMark = '!';
// Marks an icon name as one of the program's own (bundled) icons.
constexpr const char* BundledIconMark = "~";
constexpr const char* SeparatorName = "Separator";
// The name given when a text has no letters or digits to make one from.
constexpr const char* PlainItemName = "Item";
// The runtime target whose menu style every item's markup passes on.
constexpr int32_t SystemTarget = 0;

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The name part of a text: its letters, digits and "_" (trailing blanks dropped first).
std::string NameBase(std::string_view text) {
  if (text == PopupItem::SeparatorText) return SeparatorName;
  std::string base;
  for (char c : TextLimit::ClipTrailingBlanks(text))
    if (IsNameChar(c)) base += c;
  if (base.empty()) base = PlainItemName;
  return TextLimit::Cut(base, PopupItem::TextLimit);
}

}  // namespace

PopupManager::PopupManager() = default;

PopupManager::~PopupManager() { Teardown(); }

// ---- Life cycle ----------------------------------------------------------------

void PopupManager::Init() {
  if (Inited) CloseToolbox();
  SyncGuard guard(Lock);
  PopupItems = std::make_unique<std::vector<PopupItem>>();
  ClearKeyCode = 1;
  NoIcons = 0;
  LastSelection.clear();
  LastNumberSelection = 0;
  MyThread = runtime::core::CurrentThreadNumber();
  Inited = true;
}

void PopupManager::Teardown() {
  if (!Inited) return;
  CloseToolbox();
  SyncGuard guard(Lock);
  PopupItems.reset();
  Inited = false;
}

void PopupManager::SetWindow(int32_t window) {
  SyncGuard guard(Lock);
  Window = window;
}

// ---- Adding items ----------------------------------------------------------------

std::string PopupManager::AddMenuItem(std::string_view text) { return AddMenuItem(text, text); }

std::string PopupManager::AddMenuItem(std::string_view text, std::string_view name) {
  SyncGuard guard(Lock);
  if (!PopupItems) return {};
  const int32_t depth = PopupItems->empty() ? 1 : PopupItems->back().Depth;
  return (*PopupItems)[InsertItem(text, name, std::string_view::npos, depth)].Name;
}

std::string PopupManager::AddMenuItem(std::string_view text, std::string_view name, std::string_view after,
                                      int32_t depth) {
  SyncGuard guard(Lock);
  if (!PopupItems) return {};
  size_t position = IndexOf(after);
  if (position == std::string_view::npos && !PopupItems->empty()) position = PopupItems->size() - 1;
  if (depth <= 0) depth = position == std::string_view::npos ? 1 : (*PopupItems)[position].Depth;
  return (*PopupItems)[InsertItem(text, name, position, depth)].Name;
}

void PopupManager::AddMenuItems(std::string_view definition, std::string_view after) {
  SyncGuard guard(Lock);
  if (!PopupItems) return;
  size_t position = IndexOf(after);
  int32_t depth = position == std::string_view::npos ? 1 : (*PopupItems)[position].Depth;
  if (position == std::string_view::npos && !PopupItems->empty()) position = PopupItems->size() - 1;
  std::string current;
  auto flush = [&] {
    if (!current.empty()) position = InsertItem(current, current, position, depth);
    current.clear();
  };
  for (char c : definition) {
    if (c == SameLevel) {
      flush();
    } else if (c == LevelDown) {
      flush();
      ++depth;
    } else if (c == LevelUp) {
      flush();
      // A stray "}" never lifts an item above the top menu.
      depth = std::max(depth - 1, 1);
    } else {
      current += c;
    }
  }
  flush();
}

void PopupManager::AddSubmenuItem(std::string_view text, std::string_view definition, std::string_view after) {
  std::string whole(TextLimit::ClipTrailingBlanks(text));
  whole += LevelDown;
  whole += TextLimit::ClipTrailingBlanks(definition);
  whole += LevelUp;
  AddMenuItems(whole, after);
}

std::string PopupManager::AddMimicItem(std::string_view itemText, std::string_view lookupText, int32_t control) {
  SyncGuard guard(Lock);
  if (!PopupItems) return {};
  // Found by the name the lookup text gives, so that registering a window's items again
  // finds the items of the first time instead of adding a second set.
  PopupItem* item = Find(lookupText);
  if (item == nullptr) item = Find(NameBase(lookupText));
  if (item == nullptr) {
    const int32_t depth = PopupItems->empty() ? 1 : PopupItems->back().Depth;
    item = &(*PopupItems)[InsertItem(lookupText, lookupText, std::string_view::npos, depth)];
  }
  item->ControlId = control;
  item->Event = runtime::ui::Event::Accepted;
  item->MimicMode = 1;
  item->OnToolbox = 1;
  item->Text = TextLimit::Cut(itemText, PopupItem::TextLimit);
  return item->Name;
}

std::string PopupManager::AddEventItem(std::string_view name, int32_t event, int32_t control) {
  SyncGuard guard(Lock);
  if (!PopupItems) return {};
  PopupItem* item = Find(name);
  if (item == nullptr) {
    const int32_t depth = PopupItems->empty() ? 1 : PopupItems->back().Depth;
    item = &(*PopupItems)[InsertItem(name, name, std::string_view::npos, depth)];
  }
  item->MimicMode = 0;
  item->ControlId = control;
  item->Event = event;
  item->OnToolbox = 1;
  return item->Name;
}

// ---- Changing items -----------------------------------------------------------------

void PopupManager::RemoveMenuItem(std::string_view name) {
  SyncGuard guard(Lock);
  if (const size_t at = IndexOf(name); at != std::string_view::npos)
    PopupItems->erase(PopupItems->begin() + static_cast<std::ptrdiff_t>(at));
}

void PopupManager::DeleteAll() {
  SyncGuard guard(Lock);
  if (PopupItems) PopupItems->clear();
}

void PopupManager::EnableMenuItem(std::string_view name, bool enable) {
  SyncGuard guard(Lock);
  PopupItem* item = Find(name);
  if (item == nullptr || item->IsSeparator()) return;
  item->Disabled = enable ? PopupItem::ItemEnabled : PopupItem::ItemDisabled;
  item->FollowsControl = false;
}

void PopupManager::MarkForToolbox(std::string_view name, bool onToolbox) {
  SyncGuard guard(Lock);
  if (PopupItem* item = Find(name)) item->OnToolbox = onToolbox ? 1 : 0;
}

void PopupManager::SetIcon(std::string_view name, std::string_view icon) {
  SyncGuard guard(Lock);
  if (PopupItem* item = Find(name)) item->Icon = TextLimit::Cut(icon, PopupItem::IconLimit);
}

void PopupManager::SetKey(std::string_view name, int32_t key) {
  SyncGuard guard(Lock);
  if (PopupItem* item = Find(name)) item->Key = key;
}

void PopupManager::SetCheck(std::string_view name, uint8_t check) {
  SyncGuard guard(Lock);
  if (PopupItem* item = Find(name)) item->Check = check;
}

// ---- Queries --------------------------------------------------------------------

size_t PopupManager::FindItem(std::string_view name) const {
  SyncGuard guard(Lock);
  const size_t at = IndexOf(name);
  return at == std::string_view::npos ? 0 : at + 1;
}

size_t PopupManager::MenuItemCount(bool choosableOnly) const {
  SyncGuard guard(Lock);
  if (!PopupItems) return 0;
  if (!choosableOnly) return PopupItems->size();
  size_t count = 0;
  const std::vector<PopupItem>& items = *PopupItems;
  for (size_t i = 0; i < items.size(); ++i) {
    const bool caption = i + 1 < items.size() && items[i + 1].Depth > items[i].Depth;
    if (!items[i].IsSeparator() && !caption) ++count;
  }
  return count;
}

std::string PopupManager::LastChosenItem() const {
  SyncGuard guard(Lock);
  return LastSelection;
}

int32_t PopupManager::LastChosenNumber() const {
  SyncGuard guard(Lock);
  return LastNumberSelection;
}

std::vector<PopupItem> PopupManager::Items() const {
  SyncGuard guard(Lock);
  return PopupItems ? *PopupItems : std::vector<PopupItem>{};
}

bool PopupManager::ToolboxRunning() const {
  SyncGuard guard(Lock);
  return InToolbox != 0;
}

int32_t PopupManager::ToolboxWindow() const {
  SyncGuard guard(Lock);
  return ThisWindow;
}

// ---- Showing ----------------------------------------------------------------------

std::string PopupManager::BuildMenu() {
  const int32_t window = ServedWindow();
  SyncGuard guard(Lock);
  return BuildMenuLocked(window);
}

std::string PopupManager::ShowMenu(int32_t x, int32_t y) {
  if (OnToolboxThread()) {
    {
      SyncGuard guard(Lock);
      if (!PopupItems || PopupItems->empty()) {
        LastSelection.clear();
        return {};
      }
    }
    const int32_t number = WaitForToolboxChoice();
    SyncGuard guard(Lock);
    return TakeChoice(number, ChoiceMode::Toolbox, ParentWindow);
  }
  const int32_t window = ServedWindow();
  std::string menu;
  {
    SyncGuard guard(Lock);
    if (!PopupItems || PopupItems->empty()) {
      LastSelection.clear();
      return {};
    }
    menu = BuildMenuLocked(window);
  }
  WindowModel::SetKeyCode(runtime::ui::Key::None);
  // The lock is free while the user chooses: the toolbox may refresh meanwhile.
  const int32_t number = runtime::ui::PopupMenuService::Show(menu, x, y);
  SyncGuard guard(Lock);
  return TakeChoice(number, ChoiceMode::Menu, window);
}

// ---- Private ----------------------------------------------------------------------

PopupItem* PopupManager::Find(std::string_view name) {
  const size_t at = IndexOf(name);
  return at == std::string_view::npos ? nullptr : &(*PopupItems)[at];
}

size_t PopupManager::IndexOf(std::string_view name) const {
  if (!PopupItems) return std::string_view::npos;
  for (size_t i = 0; i < PopupItems->size(); ++i)
    if ((*PopupItems)[i].Name == name) return i;
  return std::string_view::npos;
}

std::string PopupManager::MakeName(std::string_view text) const {
  const std::string base = NameBase(text);
  std::string name = base;
  for (size_t n = 1; IndexOf(name) != std::string_view::npos; ++n) name = base + std::to_string(n);
  return name;
}

size_t PopupManager::InsertItem(std::string_view text, std::string_view name, size_t position, int32_t depth) {
  PopupItem item;
  item.Depth = std::max(depth, 1);
  item.Name = MakeName(name);
  if (text != PopupItem::SeparatorText) {
    size_t at = 0;
    for (; at < text.size(); ++at) {
      if (text[at] == DisabledFlag) item.Disabled = PopupItem::ItemDisabled;
      else if (text[at] == CheckedFlag) item.Check = PopupItem::Checked;
      else if (text[at] == UncheckedFlag) item.Check = PopupItem::Unchecked;
      else break;
    }
    text.remove_prefix(at);
  }
  item.Text = TextLimit::Cut(text, PopupItem::TextLimit);
  const size_t index = position == std::string_view::npos ? PopupItems->size() : position + 1;
  PopupItems->insert(PopupItems->begin() + static_cast<std::ptrdiff_t>(std::min(index, PopupItems->size())),
                     std::move(item));
  return std::min(index, PopupItems->size() - 1);
}

void PopupManager::RefreshItem(PopupItem& item, int32_t window) {
  if (!item.MimicMode) return;
  const std::string text = WindowModel::GetProp(window, item.ControlId, Prop::Text);
  if (!text.empty() && (item.Text.empty() || item.Text.front() == ControlTextMark))
    item.Text = TextLimit::Cut(text, PopupItem::TextLimit);
  if (!item.Text.empty() && item.Text.front() == ControlTextMark) item.Text.erase(0, 1);
  // An item left to its control keeps following it, so that a button disabled later
  // disables its menu item and toolbox button too.
  if (item.Disabled == PopupItem::FollowControl) item.FollowsControl = true;
  if (item.FollowsControl)
    item.Disabled = WindowModel::GetPropInt(window, item.ControlId, Prop::Disable) != 0 ? PopupItem::ItemDisabled
                                                                                       : PopupItem::ItemEnabled;
  if (item.Icon.empty())
    item.Icon = TextLimit::Cut(WindowModel::GetProp(window, item.ControlId, Prop::Icon), PopupItem::IconLimit);
}

std::string PopupManager::BuildMenuLocked(int32_t window) {
  if (!PopupItems) return {};
  bool icons = false;
  for (PopupItem& item : *PopupItems) {
    RefreshItem(item, window);
    if (!item.Icon.empty()) icons = true;
  }
  icons = icons && !NoIcons;
  const std::string style = icons ? WindowModel::GetProp(SystemTarget, 0, Prop::SystemMenuStyle) : std::string();
  std::string menu;
  int32_t previous = 1;
  for (const PopupItem& item : *PopupItems) {
    if (item.Depth == previous) menu += SameLevel;
    else if (item.Depth > previous) menu += LevelDown;
    // One "}" per level left, so that an item after a nested submenu lands at its own
    // depth and not inside the submenu above it.
    else menu.append(static_cast<size_t>(previous - item.Depth), LevelUp);
    previous = item.Depth;
    if (item.Disabled == PopupItem::ItemDisabled) menu += DisabledFlag;
    if (item.Check == PopupItem::Checked) menu += CheckedFlag;
    else if (item.Check == PopupItem::Unchecked) menu += UncheckedFlag;
    if (!item.IsSeparator()) {
      std::string settings;
      if (icons) {
        if (!item.Icon.empty()) settings += std::to_string(Prop::Icon) + "(" + BundledIconMark + item.Icon + "),";
        settings += std::to_string(Prop::ItemMenuStyle) + "(" + style + ")";
      }
      if (item.Key != 0) {
        if (!settings.empty()) settings += ',';
        settings += std::to_string(Prop::ItemKey) + "(" + std::to_string(item.Key) + ")";
      }
      if (!settings.empty()) menu += "[" + settings + "]";
    }
    menu += Translator != nullptr ? Translator->Translate(item.Text) : item.Text;
  }
  return TextLimit::Cut(menu, MenuLimit);
}

PopupItem* PopupManager::ItemForChoice(int32_t number, ChoiceMode mode) {
  if (!PopupItems || number <= 0) return nullptr;
  std::vector<PopupItem>& items = *PopupItems;
  int32_t count = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i + 1 < items.size() && items[i + 1].Depth > items[i].Depth) continue;  // a submenu's caption
    if (items[i].IsSeparator()) continue;
    if (mode == ChoiceMode::Toolbox && !items[i].OnToolbox) continue;
    if (++count == number) return &items[i];
  }
  return nullptr;
}

std::string PopupManager::TakeChoice(int32_t number, ChoiceMode mode, int32_t window) {
  LastNumberSelection = number;
  LastSelection.clear();
  if (number == 0) return {};
  const PopupItem* item = ItemForChoice(number, mode);
  if (item == nullptr) return {};
  LastSelection = TextLimit::Cut(item->Name, SelectionLimit);
  if (item->Event != 0 || item->MimicMode) {
    if (ClearKeyCode) WindowModel::SetKeyCode(runtime::ui::Key::None);
    const int32_t event = item->MimicMode ? runtime::ui::Event::Accepted : item->Event;
    // To the window served, on its own thread: a form opened over it meanwhile does not
    // take the event for a control of its own with the same number.
    if (window != 0) WindowModel::Post(window, event, item->ControlId);
    else WindowModel::PostToThread(MyThread, event, item->ControlId);
  }
  return LastSelection;
}

int32_t PopupManager::ServedWindow() const {
  {
    SyncGuard guard(Lock);
    if (Window != 0) return Window;
  }
  return runtime::ui::EventLoop::Current().Window;
}

bool PopupManager::OnToolboxThread() const {
  SyncGuard guard(Lock);
  return ToolboxThread != 0 && ToolboxThread == runtime::core::CurrentThreadNumber();
}

}  // namespace framework::popup
