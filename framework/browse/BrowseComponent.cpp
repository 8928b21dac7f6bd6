#include "framework/browse/BrowseComponent.h"

#include "framework/browse/BrowseManager.h"

namespace framework::browse {

void BrowseComponent::Teardown() { Browse.Teardown(); }
void BrowseComponent::Reset(framework::window::ResetMode mode) {
  Browse.ReapplyOrder(mode);
}
bool BrowseComponent::ResetRequired() { return Browse.ResetRequired(); }
void BrowseComponent::RegisterAlertKeys() { Browse.RegisterAlertKeys(); }

int32_t BrowseComponent::HandleEvent(const runtime::ui::PostedEvent& event) {
  Browse.HandleEvent(event);
  return framework::window::WindowController::EventGoOn;
}

void BrowseComponent::Update() { Browse.RereadViewRecord(); }
void BrowseComponent::RefreshControls() { Browse.RefreshControls(); }

}  // namespace framework::browse
