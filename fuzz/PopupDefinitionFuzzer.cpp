// Popup menu definitions: any definition parses into items that number, print and
// look up without a crash, in the runtime's menu and in the popup manager.
#include <cstdint>
#include <string>

#include "framework/popup/PopupManager.h"
#include "fuzz/FuzzInput.h"
#include "runtime/ui/PopupMenu.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::Parts(data, size, 2);
  const runtime::ui::PopupMenu menu = runtime::ui::PopupMenu::Parse(parts[0]);
  (void)menu.Print();
  for (int32_t n = 0; n <= menu.Count() + 1; ++n) (void)menu.Item(n);
  (void)menu.NumberOf(parts[1]);
  (void)runtime::ui::PopupMenu::PlainText(parts[1]);

  framework::popup::PopupManager manager;
  manager.Init();
  manager.AddMenuItems(parts[0], "");
  manager.AddSubmenuItem(parts[1], parts[0], "");
  (void)manager.BuildMenu();
  manager.Teardown();
  return 0;
}
