#include "framework/error/ErrorWindowDefinition.h"

#include <string>

#include "runtime/ui/WindowBuilder.h"

namespace framework::error {
namespace {

constexpr int32_t WindowWidth = 320;
constexpr int32_t WindowHeight = 96;
constexpr int32_t FontSize = 8;
constexpr int32_t ButtonY = 80;
constexpr int32_t ButtonFirstX = 4;
constexpr int32_t ButtonStep = 40;
constexpr int32_t ButtonWidth = 36;
constexpr int32_t ButtonHeight = 14;

}  // namespace

runtime::ui::WindowDefinition ErrorWindowDefinition::Build() {
  runtime::ui::WindowBuilder b("Error");
  b.Caption("Error").Size(WindowWidth, WindowHeight).Font("Microsoft Sans Serif", FontSize).SystemMenu();
  b.Image(ImageControl, "?IMAGE").At(2, 4, 26, 28);
  b.List(ListControl, "?LIST", "217L(2)|M~Message~S(255)@s255@42L(2)|M~Category~L(1)@s255@").At(32, 4, 286, 71);
  for (int32_t k = 1; k <= ButtonCount; ++k) {
    const std::string label = std::to_string(k);
    b.Button(FirstButtonControl + ButtonCount - k, "?BUTTON" + label, "Button " + label)
        .At(ButtonFirstX + (k - 1) * ButtonStep, ButtonY, ButtonWidth, ButtonHeight)
        .Hidden();
  }
  return b.Build();
}

}  // namespace framework::error
