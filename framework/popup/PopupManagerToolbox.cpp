// The toolbox window of a PopupManager: a small window of buttons, one per item marked
// for the toolbox, run on a thread of its own. Its timer keeps the buttons in step
// with the served window's controls; a pressed button posts its item's event to the
// served window, exactly as choosing the item from the menu would.
#include <algorithm>
#include <mutex>

#include "framework/error/TextLimit.h"
#include "framework/popup/PopupManager.h"
#include "runtime/core/Process.h"
#include "runtime/core/SyncGuard.h"
#include "runtime/core/ThreadContext.h"
#include "runtime/ui/ControlType.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventLoop.h"
#include "runtime/ui/EventResult.h"
#include "runtime/ui/PopupMenu.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"

namespace framework::popup {
namespace {

using framework::error::TextLimit;
using runtime::core::SyncGuard;
using runtime::ui::Event;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

constexpr const char* BundledIconMark = "~";
constexpr const char* ButtonNamePrefix = "?Tool";

bool OnToolbox(const std::vector<PopupItem>& items, size_t i) {
  const bool caption = i + 1 < items.size() && items[i + 1].Depth > items[i].Depth;
  return items[i].OnToolbox && !items[i].IsSeparator() && !caption;
}

void SetText(int32_t window, int32_t control, int32_t prop, const std::string& value) {
  if (WindowModel::GetProp(window, control, prop) != value) WindowModel::SetProp(window, control, prop, value);
}

void SetNumber(int32_t window, int32_t control, int32_t prop, int64_t value) {
  if (WindowModel::GetPropInt(window, control, prop) != value) WindowModel::SetPropInt(window, control, prop, value);
}

}  // namespace

void PopupManager::ShowToolbox(std::string_view caption) {
  const int32_t served = ServedWindow();
  {
    SyncGuard guard(Lock);
    if (InToolbox || !PopupItems) return;
    InToolbox = 1;
    ParentWindow = served;
    ThisWindow = 0;
    ToolboxClosing = false;
  }
  const int32_t thread =
      runtime::core::Process::Start([this, text = std::string(caption)] { RunToolbox(text); }, ToolboxStack);
  if (thread == 0) {
    SyncGuard guard(Lock);
    InToolbox = 0;
    ToolboxEnded.notify_all();
  }
}

void PopupManager::CloseToolbox() {
  if (OnToolboxThread()) {
    // From the toolbox itself: its loop ends with the close; nobody to wait for.
    if (const int32_t window = ToolboxWindow(); window != 0) WindowModel::Post(window, Event::CloseWindow);
    return;
  }
  std::unique_lock<runtime::core::CriticalSection> guard(Lock);
  if (!InToolbox) return;
  ToolboxClosing = true;
  if (ThisWindow != 0) WindowModel::Post(ThisWindow, Event::CloseWindow);
  ToolboxEnded.wait(guard, [this] { return InToolbox == 0; });
}

void PopupManager::RunToolbox(std::string caption) {
  int32_t parent = 0;
  {
    SyncGuard guard(Lock);
    ToolboxThread = runtime::core::CurrentThreadNumber();
    parent = ParentWindow;
  }
  SetHiddenItemControls(true);

  runtime::ui::WindowBuilder builder(ToolboxWindowName);
  builder.Font(ToolboxFont, ToolboxFontSize);
  const int32_t window = WindowModel::Open(builder.Build(), parent);
  WindowModel::SetProp(window, 0, Prop::Text, caption);
  bool closing = false;
  {
    SyncGuard guard(Lock);
    ThisWindow = window;
    closing = ToolboxClosing;
  }
  if (!closing) {
    LayoutToolbox();
    WindowModel::SetPropInt(window, 0, Prop::Timer, ToolboxRefreshPeriod);
    while (!ShowMenu().empty()) {
    }
  }
  WindowModel::Close(window);
  SetHiddenItemControls(false);

  SyncGuard guard(Lock);
  ThisWindow = 0;
  ToolboxThread = 0;
  InToolbox = 0;
  ToolboxEnded.notify_all();
}

int32_t PopupManager::WaitForToolboxChoice() {
  const int32_t window = ToolboxWindow();
  int32_t chosen = 0;
  runtime::ui::EventLoop::Run(window, [&](const runtime::ui::PostedEvent& event) -> int32_t {
    switch (event.Number) {
      case Event::Accepted:
        if (event.Control <= 0) return runtime::ui::EventResult::Normal;
        chosen = event.Control;
        return runtime::ui::EventResult::EndLoop;
      case Event::CloseWindow:
      case Event::CloseDown: chosen = 0; return runtime::ui::EventResult::EndLoop;
      case Event::Timer: LayoutToolbox(); return runtime::ui::EventResult::Consumed;
      default: return runtime::ui::EventResult::Normal;
    }
  });
  return chosen;
}

void PopupManager::LayoutToolbox() {
  SyncGuard guard(Lock);
  if (ThisWindow == 0 || !PopupItems) return;
  const int32_t window = ThisWindow;
  std::vector<PopupItem>& items = *PopupItems;
  int32_t number = 0;
  int32_t x = 0;
  int32_t height = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    if (!OnToolbox(items, i)) continue;
    PopupItem& item = items[i];
    RefreshItem(item, ParentWindow);
    ++number;
    if (WindowModel::GetPropInt(window, number, Prop::Type) == 0) {
      runtime::ui::ControlDefinition button;
      button.Number = number;
      button.Type = runtime::ui::ControlType::Button;
      button.Name = ButtonNamePrefix + std::to_string(number);
      WindowModel::CreateControl(window, button);
    }
    int32_t width = IconButtonWidth;
    if (!item.Icon.empty()) {
      SetText(window, number, Prop::Icon, BundledIconMark + item.Icon);
      SetText(window, number, Prop::Message,
              TextLimit::Cut(runtime::ui::PopupMenu::PlainText(item.Text), ToolTipLimit));
      SetText(window, number, Prop::Text, {});
    } else {
      SetText(window, number, Prop::Icon, {});
      SetText(window, number, Prop::Message, {});
      SetText(window, number, Prop::Text, item.Text);
      width = TextButtonPadding +
              TextButtonCharWidth * static_cast<int32_t>(runtime::ui::PopupMenu::PlainText(item.Text).size());
    }
    const bool disabled = item.Disabled == PopupItem::ItemDisabled;
    if (disabled != (WindowModel::GetPropInt(window, number, Prop::Disable) != 0)) {
      if (disabled) WindowModel::Disable(window, number);
      else WindowModel::Enable(window, number);
    }
    SetNumber(window, number, Prop::XPos, x);
    SetNumber(window, number, Prop::YPos, 0);
    SetNumber(window, number, Prop::Width, width);
    SetNumber(window, number, Prop::Height, ButtonHeight);
    x += width;
    height = std::max(height, ButtonHeight);
  }
  if (auto snapshot = WindowModel::Snapshot(window))
    for (const runtime::ui::Control& control : snapshot->Controls)
      if (control.Number > number) WindowModel::DestroyControl(window, control.Number);
  SetNumber(window, 0, Prop::Width, x);
  SetNumber(window, 0, Prop::Height, height);
}

void PopupManager::SetHiddenItemControls(bool toolboxOpen) {
  SyncGuard guard(Lock);
  if (!toolboxOpen) {
    // Only the controls the toolbox disabled itself: one that was disabled before the
    // toolbox opened stays disabled.
    for (int32_t control : DisabledByToolbox) WindowModel::Enable(ParentWindow, control);
    DisabledByToolbox.clear();
    return;
  }
  DisabledByToolbox.clear();
  if (!PopupItems) return;
  for (const PopupItem& item : *PopupItems) {
    if (item.OnToolbox || item.IsSeparator() || item.ControlId == 0) continue;
    if (WindowModel::GetPropInt(ParentWindow, item.ControlId, Prop::Disable) != 0) continue;
    if (WindowModel::Disable(ParentWindow, item.ControlId)) DisabledByToolbox.push_back(item.ControlId);
  }
}

}  // namespace framework::popup
