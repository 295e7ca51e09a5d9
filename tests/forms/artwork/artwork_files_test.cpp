// The committed artwork files: their formats, the copies compiled into the program, and that
// the generator redraws them byte for byte.
#include <gtest/gtest.h>
#include <zlib.h>

#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <random>
#include <set>

#include "artwork_files.h"
#include "forms/artwork/artwork.h"

namespace artwork_test {
namespace {

namespace fs = std::filesystem;
using sorvane::forms::artworkBitmap;

std::size_t stride24(int width) {
    return (std::size_t(width) * 3 + 3) / 4 * 4;
}

TEST(ArtworkFiles, PicturesAreUncompressed24BitBmpsWithoutPalette) {
    for (const auto& p : sorvane::forms::allPictures()) {
        for (int scale : {1, 2}) {
            std::string name = fileName(p.name, scale);
            Bytes b = readFile(artworkDir() / name);
            ASSERT_TRUE(b.size() >= 54 && b[0] == 'B' && b[1] == 'M') << name;
            BmpInfo info = bmpInfo(b, 14);
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
            const sorvane::forms::Bitmap& b = artworkBitmap(p.id, scale);
            ASSERT_TRUE(b.width == file.width && b.height == file.height) << p.name;
            EXPECT_TRUE(std::equal(file.rgb.begin(), file.rgb.end(), b.rgb)) << p.name << scale;
        }
        // Scales from 2 up take the 2x picture, anything below takes the 1x.
        EXPECT_EQ(&artworkBitmap(p.id, 3), &artworkBitmap(p.id, 2));
        EXPECT_EQ(&artworkBitmap(p.id, 0), &artworkBitmap(p.id, 1));
    }
    for (int scale : {1, 2}) {
        Bytes file = readMask(scale);
        EXPECT_TRUE(std::equal(file.begin(), file.end(), sorvane::forms::artworkIconMask(scale)));
    }
}

TEST(ArtworkFiles, IconFileHas32First_Then16_48And256_EachWithItsMask) {
    Bytes b = readFile(artworkDir() / "icon.ico");
    ASSERT_EQ(le16(b, 2), 1u) << "an icon, not a cursor";
    ASSERT_EQ(le16(b, 4), 4u);
    std::array<int, 4> sizes{32, 16, 48, 256};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t entry = 6 + 16 * i, at = le32(b, entry + 12);
        const int size = sizes[i];
        EXPECT_EQ(b[entry], size & 0xff) << "0 stands for 256";
        EXPECT_EQ(le16(b, entry + 6), 24u);
        BmpInfo info = bmpInfo(b, at);
        EXPECT_TRUE(info.width == size && info.height == 2 * size) << "colour and mask stacked";
        EXPECT_TRUE(info.bits == 24 && info.compression == 0) << size;
        Image colour = pixels24(b, at + 40, size, size);
        Bytes mask = pixels1(b, at + 40 + stride24(size) * std::size_t(size), size, size);
        EXPECT_TRUE(mask.front() == 1 && mask[std::size_t(size - 1)] == 1 && mask.back() == 1)
            << size << ": transparent corners";
        EXPECT_EQ(mask[std::size_t(size / 2 * size + size / 2)], 0) << size << ": opaque middle";
        // The 32 px image is the icon picture, black wherever its mask is transparent.
        if (size == 32) {
            EXPECT_EQ(colour.rgb, readBmp("icon.bmp").rgb);
            EXPECT_EQ(mask, readMask(1));
        }
    }
}

std::uint32_t be32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b.at(at)) << 24 | std::uint32_t(b.at(at + 1)) << 16 |
           std::uint32_t(b.at(at + 2)) << 8 | b.at(at + 3);
}

// The alpha channel of one of our RGBA PNGs; checks every chunk's CRC on the way, which the
// decoder does not.
Bytes pngAlpha(const Bytes& b, std::uint32_t size) {
    EXPECT_EQ(be32(b, 0), 0x89504e47u);
    for (std::size_t at = 8; at + 12 <= b.size();) {
        const std::size_t length = be32(b, at);
        EXPECT_EQ(be32(b, at + 8 + length), crc32(0, &b[at + 4], uInt(length + 4)));
        if (be32(b, at + 4) == 0x49484452) { // IHDR
            EXPECT_TRUE(be32(b, at + 8) == size && be32(b, at + 12) == size);
            EXPECT_TRUE(b.at(at + 16) == 8 && b.at(at + 17) == 6) << "8-bit RGBA";
        }
        at += 12 + length;
    }
    int width = 0, height = 0, channels = 0;
    stbi_uc* px = stbi_load_from_memory(b.data(), int(b.size()), &width, &height, &channels, 4);
    EXPECT_NE(px, nullptr) << stbi_failure_reason();
    Bytes alpha;
    if (!px) return alpha;
    for (std::size_t i = 3; i < std::size_t(width) * std::size_t(height) * 4; i += 4)
        alpha.push_back(px[i]);
    stbi_image_free(px);
    return alpha;
}

TEST(ArtworkFiles, DesktopIconsAreRgbaPngsTransparentRoundTheBattery) {
    for (std::uint32_t size : {16u, 32u, 48u, 64u, 128u, 256u}) {
        std::string folder = std::to_string(size) + "x" + std::to_string(size);
        Bytes alpha = pngAlpha(readFile(artworkDir() / "hicolor" / folder / "sorvane.png"), size);
        ASSERT_EQ(alpha.size(), std::size_t(size) * size);
        EXPECT_TRUE(alpha.front() == 0 && alpha.back() == 0) << size;
        EXPECT_EQ(alpha[std::size_t(size / 2 * size + size / 2)], 255) << size;
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
    const auto unique =
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
        std::to_string(std::random_device{}());
    const fs::path dir = fs::temp_directory_path() / ("sorvane-artwork-" + unique);
    const fs::path sheet = dir / "sheet.png";
    const std::string command = std::string("\"") + SORVANE_ARTGEN + "\" \"" +
                                (dir / "art").string() + "\" --sheet \"" + sheet.string() + "\"";
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
