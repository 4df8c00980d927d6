#pragma once

#include <QFont>
#include <QRect>

#include "resources/DialogTemplate.h"

namespace upsconfig {

// Dialog units to pixels, the way the templates were laid out: from the dialog font's base
// units. The base width is the advance of the 52 letters "A".."Z" "a".."z" divided by 52 and
// rounded (QFontMetrics::averageCharWidth measures something else and gives other layouts);
// the base height is the font's height.
struct DialogBaseUnits {
    int width = 0;
    int height = 0;
};

// From the two measurements alone, so the rounding is testable without a font.
DialogBaseUnits BaseUnitsFromMetrics(int fiftyTwoLettersWidth, int fontHeight);
DialogBaseUnits BaseUnits(const QFont& font);

// x = round(dlu * base width / 4), y = round(dlu * base height / 8); halves round away from 0.
int DluToPixelsX(int dlu, DialogBaseUnits units);
int DluToPixelsY(int dlu, DialogBaseUnits units);
QRect DluToPixels(const DluRect& rect, DialogBaseUnits units);

// The template's font ("Arial" 8 point). Point sizes are taken at 96 dots per inch, so a
// template lays out the same on every screen; fontconfig maps Arial to a metric-compatible
// sans (Liberation Sans).
QFont DialogFont(const DialogTemplate& dialog);

}  // namespace upsconfig
