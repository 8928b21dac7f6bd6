#pragma once
// Dialog units and pixels: a window's positions and sizes are kept in dialog units, a
// quarter of the average character width across and an eighth of the character height
// down, of the window's font. Positions stored in the INI file therefore keep their
// meaning on a screen with another resolution or font. Conversions round to the
// nearest whole number; pixels to units and back gives the same units again.
// A plain value; built on the GUI thread (it measures a font), then usable anywhere.

#include <QFont>
#include <QRect>

#include <cstdint>

namespace runtime::ui::qt {

class DialogUnits {
 public:
  static constexpr int32_t UnitsPerCharWidth = 4;
  static constexpr int32_t UnitsPerCharHeight = 8;

  DialogUnits() = default;
  explicit DialogUnits(const QFont& font);

  int ToPixelsX(int32_t units) const;
  int ToPixelsY(int32_t units) const;
  int32_t ToUnitsX(int pixels) const;
  int32_t ToUnitsY(int pixels) const;
  QRect ToPixels(int32_t x, int32_t y, int32_t width, int32_t height) const;

 private:
  double PixelsPerUnitX = 1.5;
  double PixelsPerUnitY = 1.625;
};

}  // namespace runtime::ui::qt
