#pragma once
// Feeds the error window's message list from a private copy of the error history: when
// the window opens it makes the list a virtual list whose rows come from Data (the
// message text in column 1, its category in column 2). Every other component
// operation does nothing.
//
// Thread safety: belongs to the error window's thread; it reads only its own copy, so
// messages raised while the window is open do not appear in it.

#include <cstdint>
#include <string>
#include <vector>

#include "framework/error/HistoryEntry.h"
#include "framework/window/WindowComponent.h"

namespace framework::window {
class WindowController;
}

namespace framework::error {

class ErrorManager;

class ErrorHistoryList : public framework::window::WindowComponent {
 public:
  // Data's special rows.
  static constexpr int32_t RowCount = -1;
  static constexpr int32_t RowColumns = -2;
  static constexpr int32_t RowVirtual = -3;
  static constexpr int32_t ColumnText = 1;
  static constexpr int32_t ColumnCategory = 2;

  // The window whose list is fed (its controller), the manager and the copy to show.
  void Init(const framework::window::WindowController& window, ErrorManager& errors,
            std::vector<HistoryEntry> history);

  // On OpenWindow: the list becomes virtual, fed by Data. Never consumes the event.
  int32_t HandleEvent(const runtime::ui::PostedEvent& event) override;
  // Redisplays the list.
  void RefreshControls() override;

  // The list's rows: RowCount gives the number of entries, RowColumns LBColumns,
  // RowVirtual 1; rows 1..count give the entry's text (column 1) or category
  // (column 2), "" for any other column or row.
  std::string Data(int32_t row, int32_t column) const;

  // ---- Fields, in order ----
  ErrorManager* Err = nullptr;
  std::vector<HistoryEntry> History;
  int16_t LBColumns = 0;
  const framework::window::WindowController* Win = nullptr;

 private:
  int32_t WindowNumber() const;
};

}  // namespace framework::error
