#include "framework/window/ToolbarManager.h"

#include <algorithm>

namespace framework::window {

void ToolbarManager::Refresh() {
  // The forwarded call must never reach an empty list.
  if (ToolbarTarget* target = Current()) target->Refresh();
}

void ToolbarManager::Teardown() {
  List.reset();
  CurrentEntry = 0;
}

void ToolbarManager::HandleEvent(int32_t* request, int32_t value) {
  if (!List || List->empty()) return;
  if (ToolbarTarget* target = Current()) target->TakeEvent(request, value);
}

void ToolbarManager::Init() {
  List = std::make_unique<std::vector<Entry>>();
  CurrentEntry = 0;
}

void ToolbarManager::ChooseTarget(int32_t id) {
  if (!List) return;
  if (id != 0) {
    for (size_t i = 0; i < List->size(); ++i) {
      if ((*List)[i].Id != id) continue;
      CurrentEntry = i + 1;
      if ((*List)[i].Item) (*List)[i].Item->Activate();
      return;
    }
    return;
  }
  for (size_t i = 0; i < List->size(); ++i) {
    ToolbarTarget* target = (*List)[i].Item;
    if (target && target->WantsToolbar()) CurrentEntry = i + 1;
  }
}

void ToolbarManager::AddTarget(int32_t id, ToolbarTarget& target) {
  if (!List) Init();
  auto at = std::upper_bound(List->begin(), List->end(), id, [](int32_t key, const Entry& e) { return key < e.Id; });
  const size_t position = static_cast<size_t>(at - List->begin()) + 1;
  List->insert(at, Entry{id, &target});
  if (CurrentEntry == 0) CurrentEntry = position;
  else if (CurrentEntry >= position) ++CurrentEntry;  // the current entry moved down one place
}

ToolbarTarget* ToolbarManager::Current() const {
  if (!List || CurrentEntry == 0 || CurrentEntry > List->size()) return nullptr;
  return (*List)[CurrentEntry - 1].Item;
}

}  // namespace framework::window
