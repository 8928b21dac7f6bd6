#pragma once
// The open action shared by the browse and the form: hands a record's address to the
// desktop's opener as many times as the record says, without holding up the window.
//
// The opens run on the window's own thread a few at a time, each batch one event of
// the window's loop, so the window keeps taking input in between; pressing "Open"
// again while they run stops them (the button reads "Stop" meanwhile), and closing the
// window stops them too. More than AskAbove opens are asked first ("Open <address> N
// times?", No by default). The Open button's status-bar message says how many were
// opened. Whatever could not be opened (no address, no opener, the system out of
// processes) is said in a message box and ends the opening, never the program.
//
// A component of one window; used only on that window's thread.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "framework/window/WindowComponent.h"

namespace app {

class OpenAction : public framework::window::WindowComponent {
 public:
  // Opening an address more often than this is asked first.
  static constexpr int32_t AskAbove = 10;
  // Opens per event of the window's loop.
  static constexpr int32_t OpensPerStep = 5;
  // The event that carries the opening on; numbers above 1023 are the program's own.
  static constexpr int32_t StepEvent = 1025;
  static constexpr const char* Caption = "Open";
  static constexpr const char* StopText = "Stop";

  // Starts one opener for an address; false with the runtime error set when it could
  // not. Tests put a stand-in here.
  using Starter = std::function<bool(const std::string& address)>;
  static void UseStarter(Starter starter);

  // The window and its Open button; `buttonText` is put back when an opening ends.
  void Init(int32_t window, int32_t button);
  void Teardown() override;

  // Opens `url` `times` times (nothing for 0 or below), or stops the opening under way.
  void Press(std::string_view url, int32_t times);
  bool Running() const { return Target > 0; }

  int32_t HandleEvent(const runtime::ui::PostedEvent& event) override;

 private:
  void Step();
  void Finish(const std::string& failure);
  void ShowStatus(const std::string& text);

  int32_t Window = 0;
  int32_t Button = 0;
  std::string ButtonText;
  std::string Address;
  int32_t Target = 0;  // opens asked for; 0 when no opening runs
  int32_t Opened = 0;
  bool StopAsked = false;
};

}  // namespace app
