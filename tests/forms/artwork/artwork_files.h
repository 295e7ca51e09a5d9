// Readers for the committed artwork files, through the program's BMP module. The file tests also
// check the headers byte by byte, and the picture tests the colours where they must be.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "forms/bmp.h"
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

using BmpInfo = sorvane::bmp::Info;
inline BmpInfo bmpInfo(const Bytes& b, std::size_t dib) {
    return sorvane::bmp::readInfo(b, dib);
}

// Pixels of a bottom-up 24-bit bitmap starting at byte `at`.
inline Image pixels24(const Bytes& b, std::size_t at, int width, int height) {
    return {width, height, sorvane::bmp::decodePixels(b, at, {width, height, 24, 0, 0}, height).pixels};
}

// Bits of a bottom-up 1-bit bitmap starting at byte `at`, one byte per pixel, top-down.
inline Bytes pixels1(const Bytes& b, std::size_t at, int width, int height) {
    return sorvane::bmp::decodePixels(b, at, {width, height, 1, 0, 0}, height).pixels;
}

inline Image readBmp(const std::string& name) {
    sorvane::bmp::Image im = sorvane::bmp::decode(readFile(artworkDir() / name));
    return {im.width, im.height, std::move(im.pixels)};
}

inline Bytes readMask(int scale) {
    return sorvane::bmp::decode(readFile(artworkDir() / fileName("icon_mask", scale))).pixels;
}

} // namespace artwork_test
