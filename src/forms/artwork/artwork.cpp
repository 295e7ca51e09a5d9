#include "forms/artwork/artwork.h"

#include <array>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "forms/artwork/embedded.h"
#include "forms/bmp.h"

namespace sorvane::forms {

namespace {

bmp::Image decodeNamed(const std::string& name) {
    for (const embedded::File* f : embedded::files()) {
        if (f->name != name) continue;
        try {
            return bmp::decode(std::span(f->data, f->size));
        } catch (const bmp::Error& e) {
            throw std::runtime_error("embedded " + name + ": " + e.what());
        }
    }
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
        bmp::Image d = decodeNamed(fileName(p.name, int(k)));
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
        bmp::Image d = decodeNamed(fileName("icon_mask", int(k)));
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
