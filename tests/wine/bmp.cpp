#include "bmp.h"

#include "forms/bmp.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace sorvane::wine {

testsupport::Image readBmp24(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> b(std::istreambuf_iterator<char>(in), {});
    bmp::Image decoded = bmp::decode(b);
    if (decoded.bits != 24) throw std::runtime_error(path + ": not 24-bit");
    testsupport::Image img;
    img.width = decoded.width;
    img.height = decoded.height;
    img.rgb = std::move(decoded.pixels);
    return img;
}

} // namespace sorvane::wine
