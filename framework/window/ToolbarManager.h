#pragma once
// The object behind a window controller's toolbar: a list of toolbar targets keyed
// by Id, of which one is current, and the hand-over of toolbar events to that one.
// Every window procedure builds one and attaches it with WindowController::SetToolbar
// (which calls Init); nothing in this program adds a target, so the list stays empty
// and the operations do nothing.
//
// Thread safety: belongs to its window's thread, like the controller.
//
// Virtual operations are declared in their fixed slot order.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/window/ToolbarTarget.h"

namespace framework::window {

class ToolbarManager {
 public:
  // The toolbar's history ("ditto") button: accepting it recalls the focused field.
  static constexpr int32_t HistoryButton = 3012;

  struct Entry {
    int32_t Id = 0;
    ToolbarTarget* Item = nullptr;
  };

  ToolbarManager() = default;
  virtual ~ToolbarManager() = default;
  ToolbarManager(const ToolbarManager&) = delete;
  ToolbarManager& operator=(const ToolbarManager&) = delete;

  // ---- Virtual operations, in slot order ----

  // Forwards to the current target's Refresh; nothing when the list is empty or no
  // entry is current.
  virtual void Refresh();
  // Disposes the list. Safe to call twice.
  virtual void Teardown();
  // Hands the request variable and the value to the current target's TakeEvent;
  // nothing when the list is empty.
  virtual void HandleEvent(int32_t* request, int32_t value);

  // ---- Non-virtual operations ----

  // Creates an empty list (a second Init starts over).
  void Init();
  // id != 0: the entry with that Id becomes current and its target active (nothing
  // when there is no such entry). id == 0: the last target, in list order, that wants
  // the toolbar becomes current; none wanting it leaves the current entry alone.
  void ChooseTarget(int32_t id);
  // Adds a target in Id order (after equal Ids); the first target added becomes current.
  void AddTarget(int32_t id, ToolbarTarget& target);

  // The current target, or nullptr.
  ToolbarTarget* Current() const;

  // Fields.
  std::unique_ptr<std::vector<Entry>> List;
  size_t CurrentEntry = 0;  // 1-based position in List; 0 none
};

}  // namespace framework::window
