// The toolbar manager: an empty list does nothing; targets are chosen by Id or by
// asking them, and events go to the current one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/window/ToolbarManager.h"

namespace framework::window {
namespace {

class Target : public ToolbarTarget {
 public:
  Target(std::vector<std::string>& log, std::string name, bool wants) : Log(log), Name(std::move(name)), Wants(wants) {}
  void Refresh() override { Log.push_back(Name + " refresh"); }
  void Activate() override { Log.push_back(Name + " activate"); }
  bool WantsToolbar() override { return Wants; }
  void TakeEvent(int32_t* request, int32_t value) override {
    if (request) *request = value;
    Log.push_back(Name + " event " + std::to_string(value));
  }

 private:
  std::vector<std::string>& Log;
  std::string Name;
  bool Wants;
};

TEST(ToolbarManagerTest, EmptyListIgnoresEventsChoicesAndRefreshes) {
  ToolbarManager toolbar;
  toolbar.HandleEvent(nullptr, 1);  // before Init
  toolbar.Init();
  int32_t request = 7;
  toolbar.HandleEvent(&request, 3);
  toolbar.ChooseTarget(0);
  toolbar.ChooseTarget(5);
  toolbar.Refresh();
  EXPECT_EQ(request, 7);
  EXPECT_EQ(toolbar.Current(), nullptr);
  toolbar.Teardown();
  toolbar.Teardown();
}

TEST(ToolbarManagerTest, ChoosingTargetsAndHandingThemEvents) {
  std::vector<std::string> log;
  Target first(log, "first", true), second(log, "second", true), shy(log, "shy", false);
  ToolbarManager toolbar;
  toolbar.Init();
  toolbar.AddTarget(20, second);
  toolbar.AddTarget(10, first);
  toolbar.AddTarget(30, shy);
  int32_t request = 0;
  toolbar.HandleEvent(&request, 4);  // the first added stays current
  // Asking: the last that wants the toolbar, in Id order, wins.
  toolbar.ChooseTarget(0);
  toolbar.HandleEvent(&request, 5);
  toolbar.ChooseTarget(10);
  toolbar.Refresh();
  toolbar.ChooseTarget(99);  // no such Id: the current one stays
  toolbar.HandleEvent(&request, 6);
  EXPECT_EQ(log, (std::vector<std::string>{"second event 4", "second event 5", "first activate", "first refresh",
                                           "first event 6"}));
  EXPECT_EQ(request, 6);
}

}  // namespace
}  // namespace framework::window
