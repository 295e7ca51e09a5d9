// Readers for the committed artwork files, written apart from the program's own decoder so that
// the two check each other.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "forms/picture.h"

namespace artwork_test {

using Bytes = std::vector<std::uint8_t>;

inline std::filesystem::path artworkDir() {
    return SORVANE_ARTWORK_DIR;
}

inline std::string fileName(std::string_view base, int scale) {
    return std::string(base) + (scale == 2 ? "@2x" : "") + ".bmp";
}

inline Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::uint32_t le32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b.at(at)) | std::uint32_t(b.at(at + 1)) << 8 |
           std::uint32_t(b.at(at + 2)) << 16 | std::uint32_t(b.at(at + 3)) << 24;
}
inline unsigned le16(const Bytes& b, std::size_t at) {
    return b.at(at) | b.at(at + 1) << 8;
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
    int sum() const { return r + g + b; }
};
inline std::ostream& operator<<(std::ostream& os, Rgb c) {
    return os << "rgb(" << c.r << ", " << c.g << ", " << c.b << ")";
}

struct Image {
    int width = 0, height = 0;
    Bytes rgb; // top-down, 3 bytes per pixel
    Rgb at(int x, int y) const {
        std::size_t i = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
        return {rgb.at(i), rgb.at(i + 1), rgb.at(i + 2)};
    }
};

// A BMP's info header; `dib` starts 14 bytes into a .bmp file, at 0 inside an icon image.
struct BmpInfo {
    int width, height, bits;
    std::uint32_t compression, coloursUsed;
};
inline BmpInfo bmpInfo(const Bytes& b, std::size_t dib) {
    return {int(le32(b, dib + 4)), int(le32(b, dib + 8)), int(le16(b, dib + 14)), le32(b, dib + 16),
            le32(b, dib + 32)};
}

// Pixels of a bottom-up 24-bit bitmap starting at byte `at`.
inline Image pixels24(const Bytes& b, std::size_t at, int width, int height) {
    Image im{width, height, {}};
    std::size_t stride = (std::size_t(width) * 3 + 3) / 4 * 4;
    for (int y = 0; y < height; ++y) {
        std::size_t row = at + stride * std::size_t(height - 1 - y);
        for (std::size_t x = 0; x < std::size_t(width); ++x)
            im.rgb.insert(im.rgb.end(),
                          {b.at(row + x * 3 + 2), b.at(row + x * 3 + 1), b.at(row + x * 3)});
    }
    return im;
}

// Bits of a bottom-up 1-bit bitmap starting at byte `at`, one byte per pixel, top-down.
inline Bytes pixels1(const Bytes& b, std::size_t at, int width, int height) {
    Bytes out;
    std::size_t stride = (std::size_t(width) + 31) / 32 * 4;
    for (int y = 0; y < height; ++y) {
        std::size_t row = at + stride * std::size_t(height - 1 - y);
        for (std::size_t x = 0; x < std::size_t(width); ++x)
            out.push_back((b.at(row + x / 8) >> (7 - x % 8)) & 1);
    }
    return out;
}

inline Image readBmp(const std::string& name) {
    Bytes b = readFile(artworkDir() / name);
    return pixels24(b, le32(b, 10), int(le32(b, 18)), int(le32(b, 22)));
}

inline Bytes readMask(int scale) {
    Bytes b = readFile(artworkDir() / fileName("icon_mask", scale));
    return pixels1(b, le32(b, 10), int(le32(b, 18)), int(le32(b, 22)));
}

} // namespace artwork_test
