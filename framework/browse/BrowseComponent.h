#pragma once
// A browse as its window controller sees it: the WindowComponent whose operations the
// browse carries out (Reset reapplies the sort order, Update re-reads the selected
// record, HandleEvent always answers 0 so the event goes on to the window).
//
// Thread safety: the browse's thread only.

#include "framework/window/WindowComponent.h"

namespace framework::browse {

class BrowseManager;

class BrowseComponent : public framework::window::WindowComponent {
 public:
  explicit BrowseComponent(BrowseManager& browse) : Browse(browse) {}

  void Teardown() override;
  void Reset(framework::window::ResetMode mode) override;
  bool ResetRequired() override;
  void RegisterAlertKeys() override;
  int32_t HandleEvent(const runtime::ui::PostedEvent& event) override;
  void Update() override;
  void RefreshControls() override;

 private:
  BrowseManager& Browse;
};

}  // namespace framework::browse
