#include "encoders.h"

#include "forms/bmp.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace artgen {

Bytes encodeBmp24(int width, int height, const Bytes& rgb, int pixelsPerMetre) {
    return sorvane::bmp::encode24(width, height, rgb, pixelsPerMetre);
}

Bytes encodeBmpMask(int width, int height, const Bytes& transparent) {
    return sorvane::bmp::encodeMask(width, height, transparent);
}

Bytes encodeIco(const std::vector<IconImage>& images) {
    Bytes dir, data;
    sorvane::bmp::put16(dir, 0);
    sorvane::bmp::put16(dir, 1);
    sorvane::bmp::put16(dir, unsigned(images.size()));
    std::uint32_t offset = std::uint32_t(6 + 16 * images.size());
    for (const IconImage& im : images) {
        std::uint32_t xorSize = std::uint32_t(sorvane::bmp::stride(im.size, 24) * im.size);
        std::uint32_t andSize = std::uint32_t(sorvane::bmp::stride(im.size, 1) * im.size);
        std::uint32_t bytes = 40 + xorSize + andSize;
        dir.push_back(std::uint8_t(im.size >= 256 ? 0 : im.size)); // 0 stands for 256
        dir.push_back(std::uint8_t(im.size >= 256 ? 0 : im.size));
        dir.push_back(0); // no palette
        dir.push_back(0);
        sorvane::bmp::put16(dir, 1);
        sorvane::bmp::put16(dir, 24);
        sorvane::bmp::put32(dir, bytes);
        sorvane::bmp::put32(dir, offset);
        offset += bytes;
        // The stored height covers the colour bitmap and the mask stacked together.
        sorvane::bmp::appendInfo(data, im.size, im.size * 2, 24, xorSize + andSize, 0, 0);
        sorvane::bmp::appendPixels24(data, im.size, im.size, im.rgb);
        sorvane::bmp::appendPixels1(data, im.size, im.size, im.transparent);
    }
    dir.insert(dir.end(), data.begin(), data.end());
    return dir;
}

Bytes encodePng(int width, int height, int channels, const Bytes& pixels) {
    Bytes out;
    // The strongest compression stb offers: the files are committed.
    stbi_write_png_compression_level = 9;
    auto append = [](void* context, void* data, int size) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        static_cast<Bytes*>(context)->insert(static_cast<Bytes*>(context)->end(), bytes,
                                             bytes + size);
    };
    if (!stbi_write_png_to_func(append, &out, width, height, channels, pixels.data(),
                                width * channels))
        out.clear();
    return out;
}

} // namespace artgen
