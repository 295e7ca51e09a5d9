#include "bmp.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace sorvane::wine {

testsupport::Image readBmp24(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> b(std::istreambuf_iterator<char>(in), {});
    auto u32 = [&](std::size_t at) {
        if (at + 4 > b.size()) throw std::runtime_error(path + ": cut short");
        return static_cast<std::int32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
                                         (std::uint32_t(b[at + 3]) << 24));
    };
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') throw std::runtime_error(path + ": no BMP");
    const std::size_t pixels = static_cast<std::size_t>(u32(10));
    const int width = u32(18), rawHeight = u32(22);
    const int bits = b[28] | (b[29] << 8);
    if (bits != 24 || u32(30) != 0) throw std::runtime_error(path + ": not 24-bit BI_RGB");
    const int height = std::abs(rawHeight);
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t(3);
    if (pixels + stride * static_cast<std::size_t>(height) > b.size())
        throw std::runtime_error(path + ": pixels cut short");
    testsupport::Image img;
    img.width = width;
    img.height = height;
    img.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const int row = rawHeight > 0 ? height - 1 - y : y; // bottom-up unless negative
        const std::uint8_t* src = &b[pixels + stride * static_cast<std::size_t>(row)];
        for (int x = 0; x < width; ++x) {
            std::uint8_t* dst = &img.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            dst[0] = src[x * 3 + 2];
            dst[1] = src[x * 3 + 1];
            dst[2] = src[x * 3 + 0];
        }
    }
    return img;
}

} // namespace sorvane::wine
