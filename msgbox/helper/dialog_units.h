// Dialog units to pixels. A dialog unit is a quarter of the dialog font's
// average character width across, an eighth of its height down.
#ifndef VEMMISC_MSGBOX_HELPER_DIALOG_UNITS_H_
#define VEMMISC_MSGBOX_HELPER_DIALOG_UNITS_H_

#include "msgbox/helper/dialog_template.h"

namespace vem {

struct BaseUnits {
  int x;  // average character width in pixels
  int y;  // character height in pixels
};

struct PixelRect {
  int x;
  int y;
  int width;
  int height;
};

// Base units of a font from the pixel width of the 52 Latin letters
// "A".."Z" "a".."z" written in it and its line height: the average width,
// rounded to the nearest pixel, and the height.
BaseUnits BaseUnitsFromFont(int alphabet_width, int line_height);

// value * numerator / denominator rounded to nearest, halves up, for
// value >= 0, numerator >= 0 and denominator > 0.
int ScaleRounded(int value, int numerator, int denominator);

PixelRect ToPixels(const DialogUnitsRect& rect, const BaseUnits& units);

}  // namespace vem

#endif  // VEMMISC_MSGBOX_HELPER_DIALOG_UNITS_H_
