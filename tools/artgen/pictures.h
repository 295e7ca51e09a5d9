#pragma once

#include "canvas.h"
#include "forms/picture.h"

namespace artgen {

// One picture at an integer scale: (width * scale) x (height * scale) pixels, opaque, except the
// icon, whose background is transparent.
Canvas renderPicture(sorvane::forms::PictureId id, int scale);

// The program icon at any pixel size (the design is 32 units square).
Canvas renderIcon(int size);

// Level pictures.
Canvas renderLevel(int lit, int scale);

// Where the battery drawing goes on a canvas: canvas units = offset + factor * battery units,
// where battery units are the pixels of the 85 x 128 battery picture.
struct BatteryPlacement {
    double ox = 0, oy = 0, sx = 1, sy = 1;
    double outline = 1.3;  // width of the outline, in canvas units
    double boltEdge = 0.7; // width of the bolt's golden edge, in canvas units
    bool groundShadow = true;
};

void drawBattery(Canvas& canvas, const BatteryPlacement& at, bool bolt);

} // namespace artgen
