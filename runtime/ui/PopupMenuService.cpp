#include "runtime/ui/PopupMenuService.h"

#include "runtime/ui/EventQueues.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/PopupMenu.h"

namespace runtime::ui {

int32_t PopupMenuService::Show(std::string_view definition, int32_t x, int32_t y) {
  PopupMenu menu = PopupMenu::Parse(definition);
  if (menu.Count() == 0) return 0;
  auto frontEnd = FrontEnd::Installed();
  if (!frontEnd) return 0;
  int32_t choice = 0;
  {
    EventQueues::Blocked waiting;
    choice = frontEnd->ShowPopupMenu(menu, x, y);
  }
  const PopupMenuItem* item = menu.Item(choice);
  if (!item || item->Disabled) return 0;
  return choice;
}

}  // namespace runtime::ui
