#include "forms/artwork/artwork.h"

#include <array>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "forms/artwork/embedded.h"

namespace sorvane::forms {

namespace {

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

struct Decoded {
    int width = 0, height = 0, bits = 0;
    std::vector<std::uint8_t> pixels; // R, G, B per pixel, or one byte per pixel for 1 bit
};

// Reads the two kinds of BMP the artwork uses: 24-bit colour and 1-bit masks, uncompressed,
// in either row order.
Decoded decodeBmp(const embedded::File& file) {
    auto fail = [&](const char* why) {
        throw std::runtime_error("embedded " + std::string(file.name) + ": " + why);
    };
    const unsigned char* d = file.data;
    if (file.size < 54 || d[0] != 'B' || d[1] != 'M' || le32(d + 14) < 40) fail("not a BMP");
    Decoded out;
    const std::uint32_t offset = le32(d + 10);
    out.width = int(le32(d + 18));
    const int storedHeight = int(le32(d + 22));
    out.bits = d[28] | d[29] << 8;
    if (le32(d + 30) != 0) fail("compressed");
    if (out.bits != 24 && out.bits != 1) fail("neither 24-bit nor 1-bit");
    if (out.width <= 0 || storedHeight == 0) fail("empty");
    out.height = std::abs(storedHeight);
    const std::size_t w = std::size_t(out.width), h = std::size_t(out.height);
    const std::size_t stride = out.bits == 24 ? (w * 3 + 3) & ~std::size_t(3) : (w + 31) / 32 * 4;
    if (offset > file.size || (file.size - offset) / stride < h) fail("truncated");

    out.pixels.reserve(w * h * (out.bits == 24 ? 3 : 1));
    for (std::size_t y = 0; y < h; ++y) {
        const unsigned char* row = d + offset + stride * (storedHeight > 0 ? h - 1 - y : y);
        for (std::size_t x = 0; x < w; ++x) {
            if (out.bits == 24) {
                out.pixels.insert(out.pixels.end(), {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]});
            } else {
                out.pixels.push_back((row[x / 8] >> (7 - x % 8)) & 1);
            }
        }
    }
    return out;
}

Decoded decodeNamed(const std::string& name) {
    for (const embedded::File* f : embedded::files())
        if (f->name == name) return decodeBmp(*f);
    throw std::runtime_error("no embedded file " + name);
}

std::string fileName(std::string_view base, int scaleIndex) {
    return std::string(base) + (scaleIndex ? "@2x" : "") + ".bmp";
}

// Each picture is decoded at its first use and kept for the life of the program: a gauge shows
// one scale of most pictures, and the other stays packed in the program's read-only pages.
struct Entry {
    std::once_flag decoded;
    std::vector<std::uint8_t> pixels;
    Bitmap bitmap{};
};

Entry& entry(PictureId id, std::size_t k) {
    static std::array<std::array<Entry, 2>, pictureCount> entries;
    Entry& e = entries[std::size_t(id)][k];
    std::call_once(e.decoded, [&] {
        const Picture& p = *picture(id);
        Decoded d = decodeNamed(fileName(p.name, int(k)));
        if (d.bits != 24 || d.width != p.width << k || d.height != p.height << k)
            throw std::runtime_error("embedded " + fileName(p.name, int(k)) + ": wrong size");
        e.pixels = std::move(d.pixels);
        e.bitmap = Bitmap{d.width, d.height, e.pixels.data()};
    });
    return e;
}

const std::vector<std::uint8_t>& iconMask(std::size_t k) {
    static std::array<std::once_flag, 2> decoded;
    static std::array<std::vector<std::uint8_t>, 2> masks;
    std::call_once(decoded[k], [&] {
        const Picture& icon = *picture(PictureId::Icon);
        Decoded d = decodeNamed(fileName("icon_mask", int(k)));
        if (d.bits != 1 || d.width != icon.width << k || d.height != icon.height << k)
            throw std::runtime_error("embedded " + fileName("icon_mask", int(k)) + ": wrong size");
        masks[k] = std::move(d.pixels);
    });
    return masks[k];
}

std::size_t scaleIndex(int scale) {
    return scale >= 2 ? 1 : 0;
}

} // namespace

const Bitmap& artworkBitmap(PictureId id, int scale) {
    return entry(id, scaleIndex(scale)).bitmap;
}

const std::uint8_t* artworkIconMask(int scale) {
    return iconMask(scaleIndex(scale)).data();
}

} // namespace sorvane::forms
