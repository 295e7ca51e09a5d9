// The one reader and writer of BMP files: the artwork compiled into the program, the Windows
// build's picture resources, the artwork tool and the tests all go through here. Uncompressed
// (BI_RGB) 24-bit colour and 1-bit masks, stored in either row order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace sorvane::bmp {

using Bytes = std::vector<std::uint8_t>;

struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A BITMAPINFOHEADER: 14 bytes into a .bmp file, at the start of an icon's image.
struct Info {
    int width = 0;
    int height = 0; // as stored: positive for bottom-up rows, negative for top-down
    int bits = 0;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
};
inline constexpr std::size_t fileHeaderSize = 14;
inline constexpr std::size_t infoHeaderSize = 40;

struct Image {
    int width = 0;
    int height = 0;
    int bits = 0; // 24 or 1
    // Top-down rows without padding: R, G, B per pixel at 24 bits, one byte (0 or 1) at 1 bit.
    Bytes pixels;
};

Info readInfo(std::span<const std::uint8_t> data, std::size_t at);
// A whole .bmp file. Throws Error on anything else than the two kinds above, or cut short.
Image decode(std::span<const std::uint8_t> file);
// `rows` rows of pixels stored from byte `at` as `info` says (an icon stores its colour image
// and its mask one after the other under one header).
Image decodePixels(std::span<const std::uint8_t> data, std::size_t at, const Info& info, int rows);

// 24-bit file of top-down R, G, B pixels; rows stored bottom-up, as every reader expects.
Bytes encode24(int width, int height, const Bytes& rgb, int pixelsPerMetre);
// 1-bit file of a mask, one byte per pixel (1 = set): palette entry 0 black, 1 white, as in an
// icon's AND mask.
Bytes encodeMask(int width, int height, const Bytes& bits);

// The pieces an icon file is made of.
void appendInfo(Bytes& out, int width, int height, int bits, std::uint32_t imageSize, int ppm,
                int coloursUsed);
void appendPixels24(Bytes& out, int width, int height, const Bytes& rgb);
void appendPixels1(Bytes& out, int width, int height, const Bytes& bits);
std::size_t stride(int width, int bits);

// Little-endian fields, as BMP and the ICO directory around it store them.
void put16(Bytes& out, unsigned v);
void put32(Bytes& out, std::uint32_t v);

} // namespace sorvane::bmp
