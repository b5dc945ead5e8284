#include "msgbox/helper/dialog_units.h"

#include <cstdint>

namespace vem {

BaseUnits BaseUnitsFromFont(int alphabet_width, int line_height) {
  // Half-units first, then halved with rounding: the average of 52 letters
  // to the nearest pixel without floating point.
  return BaseUnits{(alphabet_width / 26 + 1) / 2, line_height};
}

int ScaleRounded(int value, int numerator, int denominator) {
  return static_cast<int>((std::int64_t{value} * numerator + denominator / 2) / denominator);
}

PixelRect ToPixels(const DialogUnitsRect& rect, const BaseUnits& units) {
  return PixelRect{ScaleRounded(rect.x, units.x, 4), ScaleRounded(rect.y, units.y, 8),
                   ScaleRounded(rect.width, units.x, 4), ScaleRounded(rect.height, units.y, 8)};
}

}  // namespace vem
