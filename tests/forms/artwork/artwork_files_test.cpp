// The committed artwork files: their formats, the copies compiled into the program, and that
// the generator redraws them byte for byte.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <random>
#include <set>

#include "artwork_files.h"
#include "forms/artwork/artwork.h"

#ifdef SORVANE_TEST_HAVE_ZLIB
#include <zlib.h>
#endif

namespace artwork_test {
namespace {

namespace fs = std::filesystem;
using sorvane::forms::PictureId;

std::size_t stride24(int width) {
    return (std::size_t(width) * 3 + 3) / 4 * 4;
}

TEST(ArtworkFiles, PicturesAreUncompressed24BitBmpsWithoutPalette) {
    for (const auto& p : sorvane::forms::allPictures()) {
        for (int scale : {1, 2}) {
            std::string name = fileName(p.name, scale);
            Bytes b = readFile(artworkDir() / name);
            ASSERT_GE(b.size(), 54u) << name;
            EXPECT_TRUE(b[0] == 'B' && b[1] == 'M') << name;
            BmpInfo info = bmpInfo(b, 14);
            EXPECT_EQ(le32(b, 14), 40u) << name;
            EXPECT_EQ(info.bits, 24) << name;
            EXPECT_EQ(info.compression, 0u) << name;
            EXPECT_EQ(info.coloursUsed, 0u) << name;
            EXPECT_EQ(le32(b, 10), 54u) << name << ": nothing between header and pixels";
            EXPECT_EQ(info.width, p.width * scale) << name;
            EXPECT_EQ(info.height, p.height * scale) << name << ": bottom-up";
            EXPECT_EQ(b.size(), 54 + stride24(info.width) * std::size_t(info.height)) << name;
        }
    }
}

TEST(ArtworkFiles, CompiledInPicturesHaveTheFilesPixels) {
    for (const auto& p : sorvane::forms::allPictures()) {
        for (int scale : {1, 2}) {
            Image file = readBmp(fileName(p.name, scale));
            const sorvane::forms::Bitmap& b = sorvane::forms::artworkBitmap(p.id, scale);
            ASSERT_EQ(b.width, file.width) << p.name;
            ASSERT_EQ(b.height, file.height) << p.name;
            EXPECT_TRUE(std::equal(file.rgb.begin(), file.rgb.end(), b.rgb))
                << p.name << " " << scale;
        }
        // Every scale from 2 up takes the 2x picture; anything below takes the 1x.
        EXPECT_EQ(&sorvane::forms::artworkBitmap(p.id, 3), &sorvane::forms::artworkBitmap(p.id, 2));
        EXPECT_EQ(&sorvane::forms::artworkBitmap(p.id, 0), &sorvane::forms::artworkBitmap(p.id, 1));
    }
    for (int scale : {1, 2}) {
        Bytes file = readMask(scale);
        EXPECT_TRUE(std::equal(file.begin(), file.end(), sorvane::forms::artworkIconMask(scale)));
    }
}

struct IcoEntry {
    int size;
    BmpInfo info;
    Image colour;
    Bytes transparent;
};

std::vector<IcoEntry> readIco(const Bytes& b) {
    std::vector<IcoEntry> out;
    EXPECT_EQ(le16(b, 0), 0u);
    EXPECT_EQ(le16(b, 2), 1u) << "an icon, not a cursor";
    for (unsigned i = 0; i < le16(b, 4); ++i) {
        std::size_t e = 6 + 16 * std::size_t(i);
        int size = b.at(e) == 0 ? 256 : b.at(e);
        EXPECT_EQ(b.at(e + 1) == 0 ? 256 : b.at(e + 1), size);
        EXPECT_EQ(le16(b, e + 4), 1u) << "planes";
        EXPECT_EQ(le16(b, e + 6), 24u) << "bits per pixel";
        std::size_t at = le32(b, e + 12);
        std::size_t maskStride = (std::size_t(size) + 31) / 32 * 4;
        EXPECT_EQ(le32(b, e + 8), 40 + (stride24(size) + maskStride) * std::size_t(size));
        BmpInfo info = bmpInfo(b, at);
        std::size_t colourAt = at + 40;
        std::size_t maskAt = colourAt + stride24(size) * std::size_t(size);
        out.push_back(
            {size, info, pixels24(b, colourAt, size, size), pixels1(b, maskAt, size, size)});
    }
    return out;
}

TEST(ArtworkFiles, IconFileHas32First_Then16_48And256_EachWithItsMask) {
    std::vector<IcoEntry> entries = readIco(readFile(artworkDir() / "icon.ico"));
    ASSERT_EQ(entries.size(), 4u);
    std::array<int, 4> sizes{32, 16, 48, 256};
    for (std::size_t i = 0; i < 4; ++i) {
        const IcoEntry& e = entries[i];
        EXPECT_EQ(e.size, sizes[i]);
        EXPECT_EQ(e.info.width, e.size);
        EXPECT_EQ(e.info.height, 2 * e.size) << "colour and mask stacked";
        EXPECT_EQ(e.info.bits, 24);
        EXPECT_EQ(e.info.compression, 0u);
        int last = e.size - 1;
        for (auto [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}})
            EXPECT_EQ(e.transparent[std::size_t(y * e.size + x)], 1) << e.size << " corner";
        EXPECT_EQ(e.transparent[std::size_t(e.size / 2 * e.size + e.size / 2)], 0) << e.size;
        for (std::size_t p = 0; p < e.transparent.size(); ++p)
            if (e.transparent[p]) {
                ASSERT_TRUE(e.colour.rgb[p * 3] == 0 && e.colour.rgb[p * 3 + 1] == 0 &&
                            e.colour.rgb[p * 3 + 2] == 0)
                    << "a transparent pixel must be black in the colour bitmap";
            }
    }
    // The 32 px image is the icon picture and its mask.
    EXPECT_EQ(entries[0].colour.rgb, readBmp("icon.bmp").rgb);
    EXPECT_EQ(entries[0].transparent, readMask(1));
}

std::uint32_t crc32(const Bytes& b, std::size_t from, std::size_t to) {
    std::uint32_t crc = 0xffffffffu;
    for (std::size_t i = from; i < to; ++i) {
        crc ^= b[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xedb88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

std::uint32_t be32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b.at(at)) << 24 | std::uint32_t(b.at(at + 1)) << 16 |
           std::uint32_t(b.at(at + 2)) << 8 | std::uint32_t(b.at(at + 3));
}

struct Png {
    std::uint32_t width = 0, height = 0;
    int colourType = -1;
    Bytes zlibData;
};

// Walks the chunks, checking each one's CRC.
Png readPng(const Bytes& b) {
    Png png;
    const Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), b.begin()));
    for (std::size_t at = 8; at + 12 <= b.size();) {
        std::size_t length = be32(b, at);
        std::string type(b.begin() + long(at) + 4, b.begin() + long(at) + 8);
        EXPECT_EQ(be32(b, at + 8 + length), crc32(b, at + 4, at + 8 + length)) << type;
        if (type == "IHDR") {
            png.width = be32(b, at + 8);
            png.height = be32(b, at + 12);
            EXPECT_EQ(b.at(at + 16), 8) << "bits per channel";
            png.colourType = b.at(at + 17);
        }
        if (type == "IDAT")
            png.zlibData.insert(png.zlibData.end(), b.begin() + long(at) + 8,
                                b.begin() + long(at + 8 + length));
        at += 12 + length;
    }
    return png;
}

#ifdef SORVANE_TEST_HAVE_ZLIB
// The alpha channel of an RGBA PNG, rows unfiltered.
Bytes pngAlpha(const Png& png) {
    const std::size_t w = png.width, h = png.height, stride = w * 4;
    Bytes raw(h * (stride + 1));
    uLongf size = uLongf(raw.size());
    EXPECT_EQ(uncompress(raw.data(), &size, png.zlibData.data(), uLong(png.zlibData.size())), Z_OK);
    EXPECT_EQ(size, raw.size());
    Bytes pixels(h * stride), alpha;
    for (std::size_t y = 0; y < h; ++y) {
        int filter = raw[y * (stride + 1)];
        for (std::size_t i = 0; i < stride; ++i) {
            int a = i >= 4 ? pixels[y * stride + i - 4] : 0;
            int up = y ? pixels[(y - 1) * stride + i] : 0;
            int c = (i >= 4 && y) ? pixels[(y - 1) * stride + i - 4] : 0;
            int p = a + up - c, pa = std::abs(p - a), pb = std::abs(p - up), pc = std::abs(p - c);
            int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? up : c;
            int predicted =
                std::array<int, 5>{0, a, up, (a + up) / 2, paeth}.at(std::size_t(filter));
            pixels[y * stride + i] = std::uint8_t(raw[y * (stride + 1) + 1 + i] + predicted);
        }
    }
    for (std::size_t i = 3; i < pixels.size(); i += 4)
        alpha.push_back(pixels[i]);
    return alpha;
}
#endif

TEST(ArtworkFiles, DesktopIconsAreRgbaPngsTransparentRoundTheBattery) {
    for (std::uint32_t size : {16u, 32u, 48u, 64u, 128u, 256u}) {
        std::string folder = std::to_string(size) + "x" + std::to_string(size);
        Png png = readPng(readFile(artworkDir() / "hicolor" / folder / "sorvane.png"));
        EXPECT_EQ(png.width, size);
        EXPECT_EQ(png.height, size);
        EXPECT_EQ(png.colourType, 6) << "RGBA";
#ifdef SORVANE_TEST_HAVE_ZLIB
        Bytes alpha = pngAlpha(png);
        ASSERT_EQ(alpha.size(), std::size_t(size) * size);
        EXPECT_EQ(alpha.front(), 0);
        EXPECT_EQ(alpha.back(), 0);
        EXPECT_EQ(alpha[std::size_t(size / 2 * size + size / 2)], 255);
#endif
    }
}

std::set<fs::path> filesUnder(const fs::path& root) {
    std::set<fs::path> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        auto ext = e.path().extension();
        if (e.is_regular_file() && (ext == ".bmp" || ext == ".ico" || ext == ".png"))
            out.insert(fs::relative(e.path(), root));
    }
    return out;
}

TEST(ArtworkFiles, RedrawingGivesTheCommittedBytes) {
    std::random_device seed;
    fs::path dir = fs::temp_directory_path() /
                   ("sorvane-artwork-" +
                    std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                    "-" + std::to_string(seed()));
    fs::path sheet = dir / "sheet" / "artwork.png";
    std::string command = std::string("\"") + SORVANE_ARTGEN + "\" \"" + (dir / "art").string() +
                          "\" --sheet \"" + sheet.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    std::set<fs::path> drawn = filesUnder(dir / "art");
    EXPECT_EQ(drawn, filesUnder(artworkDir())) << "drawn and committed files differ in name";
    EXPECT_EQ(drawn.size(), 2u * 15 + 2 + 1 + 6); // pictures, masks, icon file, desktop icons
    for (const fs::path& f : drawn)
        EXPECT_TRUE(readFile(dir / "art" / f) == readFile(artworkDir() / f)) << f;
    EXPECT_TRUE(readFile(sheet) == readFile(SORVANE_CONTACT_SHEET)) << "contact sheet";
    fs::remove_all(dir);
}

} // namespace
} // namespace artwork_test
