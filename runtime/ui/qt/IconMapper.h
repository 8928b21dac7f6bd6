#pragma once
// Icons by the program's names: ".ICO" names ("WAINSERT.ICO", "~WAINSERT.ICO" for one
// bundled with the program) and the 4-byte stock-icon codes (FF 01 and a 16-bit id, as
// message boxes and image controls use them) become the desktop's themed icons, with
// the style's own icons as the fallback when the theme has none. Themed icons come at
// every size the theme has, so they stay sharp on high-density screens.
// GUI thread only (it reads the style and the icon theme).

#include <QIcon>
#include <QMessageBox>

#include <string_view>

namespace runtime::ui::qt {

class IconMapper {
 public:
  // The theme the desktop names is used first; this one fills in what it lacks.
  static constexpr const char* FallbackTheme = "Adwaita";

  // Call once after the application object exists.
  static void Init();
  // The icon for a name or stock code; a null icon for "" (no icon).
  static QIcon IconFor(std::string_view name);
  // True for a stock-icon code rather than an icon name.
  static bool IsStockCode(std::string_view name);
  // The message box's own icon for a stock code (NoIcon for names and unknown codes).
  static QMessageBox::Icon MessageIconFor(std::string_view code);
};

}  // namespace runtime::ui::qt
