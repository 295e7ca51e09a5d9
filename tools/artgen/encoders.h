// File formats the artwork is written in. Pixel input is always top-down rows without padding.
#pragma once

#include <cstdint>
#include <vector>

namespace artgen {

using Bytes = std::vector<std::uint8_t>;

// 24-bit BMP, BI_RGB, no palette (forms/bmp); `rgb` holds 3 bytes per pixel (R, G, B).
Bytes encodeBmp24(int width, int height, const Bytes& rgb, int pixelsPerMetre);

// 1-bit BMP of a transparency mask, one byte per pixel in `transparent` (1 = transparent).
// Palette entry 0 is black (opaque), entry 1 white (transparent), as in an icon's AND mask.
Bytes encodeBmpMask(int width, int height, const Bytes& transparent);

struct IconImage {
    int size;
    Bytes rgb;         // 3 bytes per pixel; transparent pixels should be black
    Bytes transparent; // 1 byte per pixel, 1 = transparent
};

// Classic icon file: each image a 24-bit colour bitmap followed by its 1-bit AND mask.
Bytes encodeIco(const std::vector<IconImage>& images);

// PNG, 8 bits per channel; `channels` is 3 (RGB) or 4 (RGBA, straight alpha). Empty on failure.
Bytes encodePng(int width, int height, int channels, const Bytes& pixels);

} // namespace artgen
