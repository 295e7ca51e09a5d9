// The pixels of the program's pictures, compiled in: no file is read at run time. Every picture
// comes at scale 1 and at scale 2; which one to show is the backend's choice.
#pragma once

#include <cstdint>

#include "forms/picture.h"

namespace sorvane::forms {

struct Bitmap {
    int width;
    int height;
    const std::uint8_t* rgb; // top-down rows, 3 bytes per pixel R, G, B, no padding
};

// Scale 1 is the picture at its natural size; any scale of 2 or more gives the 2x picture.
const Bitmap& artworkBitmap(PictureId id, int scale);

// The icon's transparency mask at the icon's size for that scale: one byte per pixel, top-down,
// 1 = transparent. The icon's own pixels are black wherever the mask is transparent.
const std::uint8_t* artworkIconMask(int scale);

} // namespace sorvane::forms
