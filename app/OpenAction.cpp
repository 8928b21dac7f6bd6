#include "app/OpenAction.h"

#include <mutex>
#include <utility>

#include "framework/error/StockIcon.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/shell/Opener.h"
#include "runtime/ui/MessageBoxRequest.h"
#include "runtime/ui/MessageBoxService.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace app {
namespace {

using runtime::ui::MessageBoxRequest;
using runtime::ui::MessageBoxService;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

constexpr int32_t EventConsumed = 5;

std::mutex StarterLock;
OpenAction::Starter& CurrentStarter() {
  static OpenAction::Starter starter;
  return starter;
}

bool Start(const std::string& address) {
  OpenAction::Starter starter;
  {
    std::lock_guard<std::mutex> lock(StarterLock);
    starter = CurrentStarter();
  }
  return starter ? starter(address) : runtime::shell::Opener::OpenAddress(address);
}

std::string Trimmed(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return std::string(text);
}

std::string Times(int32_t n) { return std::to_string(n) + (n == 1 ? " time" : " times"); }

void Notice(const std::string& text) {
  MessageBoxRequest box;
  box.Text = text;
  box.Caption = OpenAction::Caption;
  box.Icon = framework::error::StockIcon::Asterisk;
  box.Buttons = MessageBoxRequest::ButtonOk;
  box.DefaultButton = MessageBoxRequest::ButtonOk;
  (void)MessageBoxService::ShowMessage(box);
}

}  // namespace

void OpenAction::UseStarter(Starter starter) {
  std::lock_guard<std::mutex> lock(StarterLock);
  CurrentStarter() = std::move(starter);
}

void OpenAction::Init(int32_t window, int32_t button) {
  Window = window;
  Button = button;
  ButtonText = WindowModel::GetProp(window, button, Prop::Text);
}

void OpenAction::Teardown() {
  // An opening under way ends with its window; what was opened stays opened.
  Target = 0;
  StopAsked = false;
}

void OpenAction::Press(std::string_view url, int32_t times) {
  if (Running()) {
    StopAsked = true;
    return;
  }
  if (times <= 0) return;
  const std::string address = Trimmed(url);
  if (address.empty()) {
    Notice("Nothing was opened: the record has no address.");
    return;
  }
  if (address.find('\0') != std::string::npos) {
    Notice("Nothing was opened: the address holds a NUL character.");
    return;
  }
  if (times > AskAbove) {
    MessageBoxRequest box;
    box.Text = "Open " + address + " " + std::to_string(times) + " times?";
    box.Caption = Caption;
    box.Icon = framework::error::StockIcon::Exclamation;
    box.Buttons = MessageBoxRequest::ButtonYes + MessageBoxRequest::ButtonNo;
    box.DefaultButton = MessageBoxRequest::ButtonNo;
    if (MessageBoxService::ShowMessage(box) != MessageBoxRequest::ButtonYes) return;
  }
  Address = address;
  Target = times;
  Opened = 0;
  StopAsked = false;
  WindowModel::SetProp(Window, Button, Prop::Text, StopText);
  Step();
}

int32_t OpenAction::HandleEvent(const runtime::ui::PostedEvent& event) {
  if (event.Number != StepEvent || event.Control != Button) return 0;
  if (Running()) Step();
  return EventConsumed;
}

void OpenAction::Step() {
  if (StopAsked) {
    Finish({});
    return;
  }
  for (int32_t n = 0; n < OpensPerStep && Opened < Target; ++n) {
    if (!Start(Address)) {
      Finish(runtime::core::RuntimeError::Text());
      return;
    }
    ++Opened;
  }
  if (Opened >= Target) {
    Finish({});
    return;
  }
  ShowStatus("Opening " + Address + ": " + std::to_string(Opened) + " of " + std::to_string(Target));
  // The rest goes on after whatever the person did meanwhile.
  WindowModel::Post(Window, StepEvent, Button);
}

void OpenAction::Finish(const std::string& failure) {
  const int32_t target = Target;
  Target = 0;
  StopAsked = false;
  WindowModel::SetProp(Window, Button, Prop::Text, ButtonText);
  if (Opened == target) {
    ShowStatus("Opened " + Address + " " + Times(Opened));
  } else {
    ShowStatus("Opened " + Address + " " + std::to_string(Opened) + " of " + Times(target));
  }
  if (!failure.empty()) {
    Notice(Address + " could not be opened: " + failure + ".|Opened " + std::to_string(Opened) + " of " +
           Times(target) + ".");
  }
}

void OpenAction::ShowStatus(const std::string& text) { WindowModel::SetProp(Window, Button, Prop::Message, text); }

}  // namespace app
