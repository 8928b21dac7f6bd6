#include "runtime/ui/qt/DialogUnits.h"

#include <QFontMetricsF>
#include <QString>

#include <cmath>

namespace runtime::ui::qt {
namespace {

// The average character width is measured over the letters, as dialog units always were.
const QString Letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetricsF metrics(font);
  const double average = metrics.horizontalAdvance(Letters) / Letters.size();
  if (average > 0) PixelsPerUnitX = average / UnitsPerCharWidth;
  if (metrics.height() > 0) PixelsPerUnitY = metrics.height() / UnitsPerCharHeight;
}

int DialogUnits::ToPixelsX(int32_t units) const { return static_cast<int>(std::lround(units * PixelsPerUnitX)); }
int DialogUnits::ToPixelsY(int32_t units) const { return static_cast<int>(std::lround(units * PixelsPerUnitY)); }
int32_t DialogUnits::ToUnitsX(int pixels) const { return static_cast<int32_t>(std::lround(pixels / PixelsPerUnitX)); }
int32_t DialogUnits::ToUnitsY(int pixels) const { return static_cast<int32_t>(std::lround(pixels / PixelsPerUnitY)); }

QRect DialogUnits::ToPixels(int32_t x, int32_t y, int32_t width, int32_t height) const {
  return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
}

}  // namespace runtime::ui::qt
