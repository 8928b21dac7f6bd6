#include "framework/error/ErrorWindow.h"

#include "framework/error/Buttons.h"
#include "framework/error/ErrorWindowDefinition.h"
#include "framework/window/WindowComponent.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace framework::error {
namespace {

using runtime::ui::Prop;
using runtime::ui::WindowModel;

// The first two bytes of a stock-icon code.
constexpr char StockIconMarker[] = {'\xFF', '\x01'};
constexpr int32_t ByteBits = 8;
constexpr int32_t ByteMask = 0xFF;

}  // namespace

ErrorWindow::~ErrorWindow() {
  if (!Dead && CL) ErrorWindow::Teardown();
}

std::string ErrorWindow::ButtonCaption(int32_t value) {
  switch (value) {
    case Button::Ok: return "O&k";
    case Button::Yes: return "&Yes";
    case Button::No: return "&No";
    case Button::Abort: return "&Abort";
    case Button::Retry: return "&Retry";
    case Button::Ignore: return "&Ignore";
    case Button::Cancel: return "&Cancel";
    case Button::Help: return "&Help";
    default: return {};
  }
}

std::string ErrorWindow::IconCode(int32_t id) {
  std::string code(StockIconMarker, sizeof StockIconMarker);
  code.push_back(static_cast<char>(id & ByteMask));
  code.push_back(static_cast<char>((id >> ByteBits) & ByteMask));
  return code;
}

int32_t ErrorWindow::Init() {
  if (const int32_t result = WindowController::Init(); result != EventGoOn) return result;
  if (HistoryHandler) RegisterComponent(*HistoryHandler);
  Open(Win, 0);
  if (!Caption.empty()) WindowModel::SetProp(MyWindow, 0, Prop::Text, Caption);

  MsgButtons = 0;
  for (int32_t bit = HighestButtonBit; bit >= 0; --bit) {
    const int32_t value = 1 << bit;
    if ((ButtonTypes & value) == 0) continue;
    ++MsgButtons;
    MsgButtonId[static_cast<size_t>(MsgButtons - 1)] = value;
    const int32_t control = ButtonControlBase + MsgButtons;
    WindowModel::SetProp(MyWindow, control, Prop::Text, ButtonCaption(value));
    // Shown before it takes the focus: a hidden control takes none.
    WindowModel::Unhide(MyWindow, control);
    if (value == MsgRVal) {
      WindowModel::SetPropInt(MyWindow, control, Prop::Default, 1);
      WindowModel::Select(MyWindow, control);
    }
  }
  ShowIcon();
  return EventGoOn;
}

int32_t ErrorWindow::Teardown() {
  if (const int32_t result = WindowController::Teardown(); result != EventGoOn) return result;
  Caption.clear();
  // The loop ends with the window still open when a button ended it.
  if (MyWindow != 0) WindowModel::Close(MyWindow);
  Opened = false;
  return EventGoOn;
}

int32_t ErrorWindow::OnAccepted() {
  if (const int32_t result = WindowController::OnAccepted(); result != EventGoOn) return result;
  const int32_t control = EventInHand().Control;
  const int32_t first = ButtonControlBase + 1;
  if (control >= first && control <= ButtonControlBase + MsgButtons) {
    const int32_t value = MsgButtonId[static_cast<size_t>(control - first)];
    if (value != 0) {
      MsgRVal = value;
      return EventEndLoop;
    }
  }
  return EventGoOn;
}

void ErrorWindow::ShowIcon() {
  const int32_t id = Icon != 0 ? Icon : DefaultIconId;
  WindowModel::SetProp(MyWindow, ErrorWindowDefinition::ImageControl, Prop::Icon, IconCode(id));
}

}  // namespace framework::error
