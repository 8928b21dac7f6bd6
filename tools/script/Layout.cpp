#include "tools/script/Layout.h"

#include "runtime/ui/ControlType.h"

namespace tools::script {

using runtime::ui::ControlType;
using runtime::ui::headless::DriverResult;

bool IsContainer(int32_t type) {
  return type == ControlType::Sheet || type == ControlType::Tab || type == ControlType::Group ||
         type == ControlType::Option || type == ControlType::Box || type == ControlType::Line ||
         type == ControlType::MenuBar || type == ControlType::Menu || type == ControlType::Item;
}

DriverResult CheckPlaced(const std::vector<LaidOut>& placed, int32_t width, int32_t height) {
  for (size_t i = 0; i < placed.size(); ++i) {
    const LaidOut& a = placed[i];
    if (a.X < 0 || a.Y < 0 || a.X + a.Width > width || a.Y + a.Height > height)
      return DriverResult::Failure(a.Name + " lies outside the window (" + std::to_string(a.X) + "," + std::to_string(a.Y) +
                                   " " + std::to_string(a.Width) + "x" + std::to_string(a.Height) + " in " +
                                   std::to_string(width) + "x" + std::to_string(height) + ")");
    for (size_t j = 0; j < i; ++j) {
      const LaidOut& b = placed[j];
      const bool apart = a.X + a.Width <= b.X || b.X + b.Width <= a.X || a.Y + a.Height <= b.Y || b.Y + b.Height <= a.Y;
      if (!apart) return DriverResult::Failure(a.Name + " lies over " + b.Name);
    }
  }
  return DriverResult::Success();
}

}  // namespace tools::script
