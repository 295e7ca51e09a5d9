#include "forms/bmp.h"

#include <cstdlib>
#include <string>

namespace sorvane::bmp {

namespace {

std::uint32_t le32(std::span<const std::uint8_t> d, std::size_t at) {
    if (at + 4 > d.size() || at + 4 < at) throw Error("BMP cut short");
    return std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8 | std::uint32_t(d[at + 2]) << 16 |
           std::uint32_t(d[at + 3]) << 24;
}

void fileHeader(Bytes& out, std::uint32_t fileSize, std::uint32_t pixelOffset) {
    out.push_back('B');
    out.push_back('M');
    put32(out, fileSize);
    put32(out, 0);
    put32(out, pixelOffset);
}

} // namespace

std::size_t stride(int width, int bits) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
}

Info readInfo(std::span<const std::uint8_t> d, std::size_t at) {
    if (le32(d, at) < infoHeaderSize) throw Error("BMP: unknown info header");
    return {static_cast<int>(le32(d, at + 4)), static_cast<int>(le32(d, at + 8)),
            static_cast<int>(le32(d, at + 12) >> 16), le32(d, at + 16), le32(d, at + 32)};
}

Image decodePixels(std::span<const std::uint8_t> d, std::size_t at, const Info& info, int rows) {
    if (info.compression != 0) throw Error("BMP: compressed");
    if (info.bits != 24 && info.bits != 1) throw Error("BMP: neither 24-bit nor 1-bit");
    if (info.width <= 0 || rows <= 0 || info.width > 1 << 16 || rows > 1 << 16)
        throw Error("BMP: empty or oversized");
    const std::size_t w = std::size_t(info.width), h = std::size_t(rows);
    const std::size_t step = stride(info.width, info.bits);
    if (at > d.size() || (d.size() - at) / step < h) throw Error("BMP: pixels cut short");
    Image out{info.width, rows, info.bits, {}};
    out.pixels.reserve(w * h * (info.bits == 24 ? 3 : 1));
    for (std::size_t y = 0; y < h; ++y) {
        const std::uint8_t* row = d.data() + at + step * (info.height > 0 ? h - 1 - y : y);
        for (std::size_t x = 0; x < w; ++x) {
            if (info.bits == 24)
                out.pixels.insert(out.pixels.end(), {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]});
            else
                out.pixels.push_back((row[x / 8] >> (7 - x % 8)) & 1);
        }
    }
    return out;
}

Image decode(std::span<const std::uint8_t> file) {
    if (file.size() < fileHeaderSize + infoHeaderSize || file[0] != 'B' || file[1] != 'M')
        throw Error("not a BMP");
    const Info info = readInfo(file, fileHeaderSize);
    return decodePixels(file, le32(file, 10), info, std::abs(info.height));
}

void appendInfo(Bytes& out, int width, int height, int bits, std::uint32_t imageSize, int ppm,
                int coloursUsed) {
    put32(out, infoHeaderSize);
    put32(out, std::uint32_t(width));
    put32(out, std::uint32_t(height));
    put16(out, 1);
    put16(out, unsigned(bits));
    put32(out, 0); // BI_RGB
    put32(out, imageSize);
    put32(out, std::uint32_t(ppm));
    put32(out, std::uint32_t(ppm));
    put32(out, std::uint32_t(coloursUsed));
    put32(out, 0);
}

// Rows run bottom-up, blue first, each padded to 4 bytes.
void appendPixels24(Bytes& out, int width, int height, const Bytes& rgb) {
    const std::size_t pad = stride(width, 24) - std::size_t(width) * 3;
    for (int y = height - 1; y >= 0; --y) {
        const std::uint8_t* row = &rgb[std::size_t(y) * std::size_t(width) * 3];
        for (int x = 0; x < width; ++x)
            out.insert(out.end(), {row[x * 3 + 2], row[x * 3 + 1], row[x * 3 + 0]});
        out.insert(out.end(), pad, 0);
    }
}

void appendPixels1(Bytes& out, int width, int height, const Bytes& bits) {
    for (int y = height - 1; y >= 0; --y) {
        Bytes row(stride(width, 1), 0);
        for (int x = 0; x < width; ++x)
            if (bits[std::size_t(y) * std::size_t(width) + std::size_t(x)])
                row[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
}

Bytes encode24(int width, int height, const Bytes& rgb, int pixelsPerMetre) {
    const auto imageSize = std::uint32_t(stride(width, 24) * std::size_t(height));
    const auto offset = std::uint32_t(fileHeaderSize + infoHeaderSize);
    Bytes out;
    fileHeader(out, offset + imageSize, offset);
    appendInfo(out, width, height, 24, imageSize, pixelsPerMetre, 0);
    appendPixels24(out, width, height, rgb);
    return out;
}

Bytes encodeMask(int width, int height, const Bytes& bits) {
    const auto imageSize = std::uint32_t(stride(width, 1) * std::size_t(height));
    const auto offset = std::uint32_t(fileHeaderSize + infoHeaderSize + 8);
    Bytes out;
    fileHeader(out, offset + imageSize, offset);
    appendInfo(out, width, height, 1, imageSize, 3780, 2);
    put32(out, 0x00000000);
    put32(out, 0x00ffffff);
    appendPixels1(out, width, height, bits);
    return out;
}

void put16(Bytes& out, unsigned v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

} // namespace sorvane::bmp
