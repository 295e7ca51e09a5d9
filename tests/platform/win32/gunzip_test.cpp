// The pictures travel gzip-packed in Sorvane.exe: unpacking gives back every byte, and a damaged
// member is refused, never read past or half used.
#include "platform/win32/gunzip.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>

namespace {

using sorvane::win32::gunzip;
using sorvane::win32::GzipError;
using Bytes = std::vector<std::uint8_t>;

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes packed(const std::string& name) {
    return readFile(std::string(SORVANE_PACKED_DIR) + "/" + name + ".gz");
}

class Pictures : public ::testing::TestWithParam<const char*> {};

TEST_P(Pictures, UnpackToTheArtworkFile) {
    const Bytes member = packed(GetParam());
    ASSERT_FALSE(member.empty()) << GetParam() << " was not packed";
    EXPECT_EQ(gunzip(member), readFile(std::string(SORVANE_ARTWORK_DIR) + "/" + GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Win32, Pictures,
                         ::testing::Values("level0.bmp", "pile_on.bmp", "pile_off@2x.bmp",
                                           "options.bmp"));

TEST(Gunzip, EmptyContent) {
    EXPECT_TRUE(gunzip(packed("empty.txt")).empty());
}

TEST(Gunzip, StoredBlocksAndHeaderFieldsAreRead) {
    // A member made by hand: FNAME and FCOMMENT set, one stored block holding "Sorvane".
    const Bytes member = {0x1F, 0x8B, 8, 0x18, 0, 0,    0,    0,   0,   3,   'f', 0,
                          'c',  0,    1, 7,    0, 0xF8, 0xFF, 'S', 'o', 'r', 'v', 'a',
                          'n',  'e',  0, 0,    0, 0,    7,    0,   0,   0};
    Bytes fixed = member;
    const Bytes text{'S', 'o', 'r', 'v', 'a', 'n', 'e'};
    const auto crc = static_cast<std::uint32_t>(::crc32(0, text.data(), uInt(text.size())));
    for (int i = 0; i < 4; ++i)
        fixed[26 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
    EXPECT_EQ(gunzip(fixed), (Bytes{'S', 'o', 'r', 'v', 'a', 'n', 'e'}));
    EXPECT_THROW(gunzip(member), GzipError) << "wrong CRC";
}

TEST(Gunzip, EveryTruncationIsRefused) {
    const Bytes member = packed("options.bmp");
    ASSERT_GT(member.size(), 20u);
    for (std::size_t n = 0; n < member.size(); ++n)
        EXPECT_THROW(gunzip(std::span(member.data(), n)), GzipError) << "cut at " << n;
}

TEST(Gunzip, EveryFlippedByteIsRefusedOrHarmless) {
    // A damaged member either fails to unpack or, when the damage only touches the header's
    // time stamp or flags it ignores, still gives the same bytes. Never anything else.
    const Bytes member = packed("options.bmp");
    const Bytes original = gunzip(member);
    for (std::size_t i = 0; i < member.size(); ++i) {
        Bytes damaged = member;
        damaged[i] ^= 0x55;
        try {
            EXPECT_EQ(gunzip(damaged), original) << "byte " << i;
        } catch (const GzipError&) {
        }
    }
}

TEST(Gunzip, ContentBeyondTheLimitIsRefused) {
    const Bytes member = packed("pile_on.bmp");
    EXPECT_THROW(gunzip(member, 1000), GzipError);
    EXPECT_NO_THROW(gunzip(member, 1u << 20));
}

TEST(Gunzip, NotGzipAtAll) {
    EXPECT_THROW(gunzip(readFile(std::string(SORVANE_ARTWORK_DIR) + "/options.bmp")), GzipError);
}

} // namespace
