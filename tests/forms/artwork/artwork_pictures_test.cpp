// What the pictures must show, checked pixel by pixel on the committed files and on the copies
// compiled into the program, at 1x and at 2x. Coordinates are those of the 1x picture; at 2x each
// of them stands for a 2 x 2 block, so a 1-pixel line there is 2 pixels wide.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "artwork_files.h"
#include "forms/artwork/artwork.h"

namespace artwork_test {
namespace {

using sorvane::forms::PictureId;

struct Variant {
    bool embedded;
    int scale;
};

std::string variantName(const Variant& v) {
    return std::string(v.embedded ? "Embedded" : "File") + std::to_string(v.scale) + "x";
}

void PrintTo(const Variant& v, std::ostream* os) {
    *os << variantName(v);
}

const std::array<Variant, 4> variants{{{false, 1}, {false, 2}, {true, 1}, {true, 2}}};

// A picture seen in 1x coordinates.
struct Pic {
    Image im;
    int scale;
    // The first pixel standing for the 1x pixel (x, y) that does not meet `ok`, if any.
    template <class Ok> std::optional<Rgb> breaks(int x, int y, Ok ok) const {
        for (int dy = 0; dy < scale; ++dy)
            for (int dx = 0; dx < scale; ++dx)
                if (Rgb c = im.at(x * scale + dx, y * scale + dy); !ok(c)) return c;
        return std::nullopt;
    }
    template <class Ok> bool all(int x, int y, Ok ok) const { return !breaks(x, y, ok); }
    Rgb at(int x, int y) const { return im.at(x * scale, y * scale); }
};

Pic load(const Variant& v, PictureId id) {
    if (v.embedded) {
        const sorvane::forms::Bitmap& b = sorvane::forms::artworkBitmap(id, v.scale);
        return {{b.width, b.height, Bytes(b.rgb, b.rgb + std::size_t(b.width * b.height * 3))},
                v.scale};
    }
    return {readBmp(fileName(sorvane::forms::picture(id)->name, v.scale)), v.scale};
}

const auto level = [](int n) { return static_cast<PictureId>(n); };

struct Area {
    int x0, y0, x1, y1; // inclusive, 1x pixels
    bool contains(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

// Checks every pixel of an area; on failure names the first pixel that breaks the rule.
testing::AssertionResult every(const Pic& p, Area a, const std::function<bool(Rgb)>& ok,
                               const char* rule) {
    for (int y = a.y0; y <= a.y1; ++y)
        for (int x = a.x0; x <= a.x1; ++x)
            if (auto bad = p.breaks(x, y, ok))
                return testing::AssertionFailure()
                       << rule << " fails at (" << x << ", " << y << "): " << *bad;
    return testing::AssertionSuccess();
}

const auto black = [](Rgb c) { return c == Rgb{0, 0, 0}; };
const auto white = [](Rgb c) { return c == Rgb{255, 255, 255}; };
const auto neutral = [](Rgb c) { return c.r == c.g && c.g == c.b; };

// The bars, top to bottom: first fill row, and the lowest and highest green of the lit fill.
constexpr std::array<int, 9> fillTop{17, 28, 39, 51, 62, 73, 84, 95, 106};
constexpr std::array<int, 9> litLow{229, 212, 196, 181, 164, 148, 132, 117, 99};
constexpr std::array<int, 9> litHigh{233, 218, 203, 189, 172, 156, 140, 124, 108};
const auto barFill = [](int bar) { return Area{3, fillTop[bar], 31, fillTop[bar] + 6}; };
const auto barWithEdge = [](int bar) { return Area{2, fillTop[bar] - 1, 32, fillTop[bar] + 7}; };

class Pictures : public testing::TestWithParam<Variant> {
  protected:
    Pic pic(PictureId id) const { return load(GetParam(), id); }
};

TEST_P(Pictures, AnyBatteryBesideAnyLevelIsOneClosedFrameRoundAWhitePanel) {
    for (PictureId pile : {PictureId::PileOn, PictureId::PileOff}) {
        Pic b = pic(pile);
        for (int n = 0; n <= 9; ++n) {
            Pic l = pic(level(n));
            auto panel = [&](int x, int y, auto ok) {
                return x < 85 ? b.all(x, y, ok) : l.all(x - 85, y, ok);
            };
            // Battery: top, bottom, left. Level: top, bottom, right.
            for (int i = 0; i < 128; ++i) {
                ASSERT_TRUE(panel(i, 0, black) && panel(i, 127, black) && panel(0, i, black) &&
                            panel(127, i, black))
                    << "frame broken at " << i << ", level " << n;
            }
            // Just inside, the panel is white all round: the line is one pixel thick.
            for (int i = 1; i < 127; ++i) {
                ASSERT_TRUE(panel(i, 1, white) && panel(i, 126, white) && panel(1, i, white) &&
                            panel(126, i, white))
                    << "not white inside the frame at " << i << ", level " << n;
            }
        }
    }
}

// Every pixel of level N is that of level 0, except the bottom N bars, which are those of level 9.
TEST_P(Pictures, LevelNLightsExactlyTheBottomNBarsAndNothingElseChanges) {
    Pic empty = pic(level(0)), full = pic(level(9));
    const int s = empty.scale;
    for (int n = 0; n <= 9; ++n) {
        Pic p = pic(level(n));
        for (int y = 0; y < 128 * s; ++y) {
            for (int x = 0; x < 43 * s; ++x) {
                bool lit = false;
                for (int bar = 9 - n; bar < 9; ++bar)
                    lit = lit || barWithEdge(bar).contains(x / s, y / s);
                ASSERT_EQ(p.im.at(x, y), (lit ? full : empty).im.at(x, y))
                    << "level " << n << " at pixel " << x << ", " << y;
            }
        }
    }
    EXPECT_NE(empty.at(3, 110), full.at(3, 110)) << "lit and unlit bars look different";
}

TEST_P(Pictures, LitBarsRunFromYellowToRedOrangeWithinTheirGreenRanges) {
    Pic p = pic(level(9));
    for (int bar = 0; bar < 9; ++bar) {
        int lo = litLow[bar], hi = litHigh[bar];
        EXPECT_TRUE(every(
            p, barFill(bar),
            [&](Rgb c) { return c.r == 254 && c.b == 0 && c.g >= lo && c.g <= hi; }, "lit fill"))
            << "bar " << bar;
    }
}

TEST_P(Pictures, UnlitBarsAreDarkWithTheMiddleRowGreenFalling59To26) {
    Pic p = pic(level(0));
    std::vector<int> greens;
    for (int bar = 0; bar < 9; ++bar) {
        auto dark = [](Rgb c) { return c.b == 0 && c.r + c.g < 200; };
        EXPECT_TRUE(every(p, barFill(bar), dark, "dark unlit fill")) << "bar " << bar;
        int middle = fillTop[bar] + 3, green = p.at(3, middle).g;
        auto reference = [&](Rgb c) { return c == Rgb{64, green, 0}; };
        EXPECT_TRUE(every(p, {3, middle, 31, middle}, reference, "middle row")) << "bar " << bar;
        greens.push_back(green);
    }
    EXPECT_EQ(greens.front(), 59);
    EXPECT_EQ(greens.back(), 26);
    EXPECT_TRUE(std::is_sorted(greens.rbegin(), greens.rend()) &&
                std::adjacent_find(greens.begin(), greens.end()) == greens.end())
        << "green falls from bar to bar";
}

TEST_P(Pictures, EveryBarHasAOnePixelEdgeDarkerThanTheFillBesideIt) {
    for (int n : {0, 9}) {
        Pic p = pic(level(n));
        for (int bar = 0; bar < 9; ++bar) {
            Area a = barWithEdge(bar), f = barFill(bar);
            for (int y = a.y0; y <= a.y1; ++y) {
                for (int x = a.x0; x <= a.x1; ++x) {
                    if (f.contains(x, y)) continue;
                    Rgb fill = p.at(std::clamp(x, f.x0, f.x1), std::clamp(y, f.y0, f.y1));
                    ASSERT_TRUE(
                        p.all(x, y, [&](Rgb c) { return c.b == 0 && c.sum() < fill.sum(); }))
                        << "level " << n << " bar " << bar << " edge at (" << x << ", " << y << ") "
                        << p.at(x, y) << " beside " << fill;
                }
            }
        }
    }
}

TEST_P(Pictures, BarsCastGreyShadowsThatFadeToWhiteBeforeTheFrame) {
    Pic p = pic(level(0));
    const int s = p.scale;
    for (int bar = 0; bar < 9; ++bar) {
        // Under the bar: the first row of the gap.
        EXPECT_TRUE(every(
            p, {4, fillTop[bar] + 8, 31, fillTop[bar] + 8},
            [](Rgb c) { return neutral(c) && c.r < 240 && c.r > 150; },
            "grey shadow under the bar"))
            << "bar " << bar;
        // To the right: grey beside the bar, lightening step by step to white at x 41.
        for (int y = fillTop[bar] * s; y < (fillTop[bar] + 7) * s; ++y) {
            Rgb first = p.im.at(33 * s, y);
            EXPECT_TRUE(neutral(first) && first.r < 240 && first.r > 150)
                << "bar " << bar << " beside it " << first;
            for (int x = 33 * s + 1; x < 42 * s - 1; ++x) {
                Rgb c = p.im.at(x, y);
                ASSERT_TRUE(neutral(c) && c.r >= p.im.at(x - 1, y).r)
                    << "bar " << bar << " strip at pixel " << x << ", " << y << ": " << c;
            }
        }
        EXPECT_TRUE(every(p, {41, fillTop[bar], 41, fillTop[bar] + 6}, white, "white at x 41"));
    }
}

TEST_P(Pictures, OnlyTheMainsBatteryHasTheCreamBoltWithinItsBox) {
    Pic on = pic(PictureId::PileOn), off = pic(PictureId::PileOff);
    const int s = on.scale;
    const Rgb cream{0xFE, 0xF9, 0xDD};
    Area box{26, 50, 51, 99};
    Area seen{85, 128, -1, -1}; // the bounds of the differences, in 1x pixels
    int creamPixels = 0;
    bool above = false, below = false;
    for (int y = 0; y < 128 * s; ++y) {
        for (int x = 0; x < 85 * s; ++x) {
            if (on.im.at(x, y) == off.im.at(x, y)) continue;
            ASSERT_TRUE(box.contains(x / s, y / s))
                << "differ outside the bolt box at pixel " << x << ", " << y;
            seen = {std::min(seen.x0, x / s), std::min(seen.y0, y / s), std::max(seen.x1, x / s),
                    std::max(seen.y1, y / s)};
            creamPixels += off.im.at(x, y) == cream;
            above = above || y / s < 80;
            below = below || y / s > 90;
        }
    }
    // The bolt spans its box: the left edge at x 26, the upper point at x 51, the lower at y 99,
    // across both halves of the body.
    EXPECT_EQ(seen.x0, 26);
    EXPECT_EQ(seen.x1, 51);
    EXPECT_LE(seen.y0, 51);
    EXPECT_EQ(seen.y1, 99);
    EXPECT_TRUE(above && below);
    EXPECT_GE(creamPixels, 150 * s * s);
    // The left edge at mid-height.
    EXPECT_NE(on.at(26, 73), off.at(26, 73));
    EXPECT_NE(on.at(26, 75), off.at(26, 75));
}

TEST_P(Pictures, TheBatteryKeepsWithinItsDrawingArea) {
    for (PictureId id : {PictureId::PileOn, PictureId::PileOff}) {
        Pic p = pic(id);
        Area drawing{9, 10, 79, 121};
        for (int y = 1; y < 127; ++y)
            for (int x = 1; x < 85; ++x)
                if (!drawing.contains(x, y)) {
                    ASSERT_TRUE(p.all(x, y, white)) << "not white at (" << x << ", " << y << ")";
                }
        EXPECT_FALSE(p.all(9, 60, white));
        EXPECT_FALSE(p.all(79, 60, white));
        EXPECT_FALSE(p.all(44, 10, white));
    }
}

TEST_P(Pictures, IconIsTransparentRoundTheBatteryAndBlackWhereTransparent) {
    const int s = GetParam().scale, size = 32 * s;
    Bytes mask = GetParam().embedded ? Bytes(sorvane::forms::artworkIconMask(s),
                                             sorvane::forms::artworkIconMask(s) + size * size)
                                     : readMask(s);
    ASSERT_EQ(mask.size(), std::size_t(size * size));
    auto transparent = [&](int x, int y) { return mask[std::size_t(y * size + x)] == 1; };
    EXPECT_TRUE(transparent(0, 0) && transparent(size - 1, 0) && transparent(0, size - 1) &&
                transparent(size - 1, size - 1));
    EXPECT_FALSE(transparent(size / 2, size / 2));
    Pic icon = pic(PictureId::Icon);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (transparent(x, y)) {
                ASSERT_TRUE(black(icon.im.at(x, y))) << x << ", " << y;
            }
}

INSTANTIATE_TEST_SUITE_P(Artwork, Pictures, testing::ValuesIn(variants),
                         [](const auto& info) { return variantName(info.param); });

// Places in a picture and what the description says they show.
struct Probe {
    const char* what;
    PictureId picture;
    Area area;
    bool (*ok)(Rgb);
};
void PrintTo(const Probe& p, std::ostream* os) {
    *os << p.what;
}

const auto red = [](Rgb c) { return c.r >= 150 && c.r > c.g + 60 && c.r > c.b + 60; };
const auto nearWhite = [](Rgb c) { return c.r >= 235 && c.g >= 235 && c.b >= 235; };
const auto outlineRedOrange = [](Rgb c) { return c.r >= 170 && c.g <= 80 && c.b <= 20; };
const auto darkerYellow = [](Rgb c) { return c.r >= 200 && c.g >= 140 && c.g <= 200 && c.b <= 60; };
const auto pillYellow = [](Rgb c) { return c.r >= 230 && c.g >= 180 && c.b <= 60; };
const auto goldEdge = [](Rgb c) { return c.r >= 180 && c.g >= 130 && c.g <= 175 && c.b <= 60; };

constexpr PictureId battery = PictureId::PileOn, fermer = PictureId::Fermer,
                    options = PictureId::Options;

constexpr Area pt(int x, int y) {
    return {x, y, x, y};
}

// clang-format off: one row per place
const Probe probes[] = {
    // The battery, from the top face down to the bottom rim.
    {"orange outline at the top", battery, pt(44, 10),
     [](Rgb c) { return c.r >= 200 && c.g >= 80 && c.g <= 130 && c.b <= 20; }},
    {"red-orange outline low on the left", battery, pt(9, 100), outlineRedOrange},
    {"red-orange outline low on the right", battery, pt(79, 100), outlineRedOrange},
    {"orange rim of the top face", battery, pt(44, 12),
     [](Rgb c) { return c.r >= 220 && c.g >= 90 && c.g <= 170 && c.b <= 60; }},
    {"cap near-white at the left", battery, pt(20, 29),
     [](Rgb c) { return neutral(c) && c.r >= 220; }},
    {"cap dark grey at the right", battery, pt(70, 29),
     [](Rgb c) { return neutral(c) && c.r <= 130; }},
    {"lemon yellow body at the left", battery, pt(12, 60),
     [](Rgb c) { return c.r >= 250 && c.g >= 235 && c.b <= 60; }},
    {"pale yellow highlight left of centre", battery, pt(27, 60),
     [](Rgb c) { return c.r >= 250 && c.g >= 235 && c.b >= 110; }},
    {"deep orange body at the right", battery, pt(76, 60),
     [](Rgb c) { return c.r >= 250 && c.g <= 130 && c.b <= 20; }},
    {"near-white metal left of centre", battery, pt(27, 100),
     [](Rgb c) { return neutral(c) && c.r >= 240; }},
    {"dark metal at the right", battery, pt(76, 100),
     [](Rgb c) { return neutral(c) && c.r <= 70; }},
    {"light grey metal at the left edge", battery, pt(11, 95),
     [](Rgb c) { return neutral(c) && c.r >= 160 && c.r <= 215; }},
    {"dark red bottom rim", battery, pt(44, 117),
     [](Rgb c) { return c.r >= 150 && c.r <= 210 && c.g <= 50 && c.b <= 30; }},
    // The close button: a red square, a white ring about 15 px across, a 1-px bar rows 5 to 11.
    {"close: red corner", fermer, pt(0, 0), red},
    {"close: red opposite corner", fermer, pt(16, 16), red},
    {"close: red inside the ring", fermer, pt(4, 8), red},
    {"close: ring at the top", fermer, pt(8, 1), nearWhite},
    {"close: ring at the left", fermer, pt(1, 8), nearWhite},
    {"close: ring at the right", fermer, pt(15, 8), nearWhite},
    {"close: ring at the bottom", fermer, pt(8, 15), nearWhite},
    {"close: white bar", fermer, {8, 5, 8, 11}, white},
    {"close: red left of the bar", fermer, {7, 5, 7, 11}, red},
    {"close: red right of the bar", fermer, {9, 5, 9, 11}, red},
    {"close: red above the bar", fermer, pt(8, 4), red},
    {"close: red below the bar", fermer, pt(8, 12), red},
    {"close: duller pinkish red at the top", fermer, pt(8, 3),
     [](Rgb c) { return c.r >= 190 && c.r <= 235 && c.g >= 60 && c.b >= 60; }},
    {"close: brighter red at the bottom", fermer, pt(8, 13),
     [](Rgb c) { return c.r >= 235 && c.g <= 50 && c.b <= 50; }},
    // The options button: a yellow pill, a gold edge, a cream band between darker lines.
    {"options: rounded left end", options, pt(0, 0), white},
    {"options: rounded right end", options, pt(15, 9), white},
    {"options: yellow at the left", options, pt(1, 5), pillYellow},
    {"options: yellow at the right", options, pt(14, 5), pillYellow},
    {"options: gold edge at the top", options, pt(7, 0), goldEdge},
    {"options: gold edge at the bottom", options, pt(7, 9), goldEdge},
    {"options: cream band",
     options,
     {3, 4, 12, 5},
     [](Rgb c) { return c.r >= 250 && c.g >= 235 && c.b >= 150 && c.b <= 230; }},
    {"options: darker yellow line above", options, {3, 3, 12, 3}, darkerYellow},
    {"options: darker yellow line below", options, {3, 6, 12, 6}, darkerYellow},
};
// clang-format on

class Probes : public testing::TestWithParam<std::tuple<Variant, Probe>> {};

TEST_P(Probes, ShowWhatTheDescriptionSays) {
    auto [variant, probe] = GetParam();
    EXPECT_TRUE(every(load(variant, probe.picture), probe.area, probe.ok, probe.what));
}

INSTANTIATE_TEST_SUITE_P(Artwork, Probes,
                         testing::Combine(testing::ValuesIn(variants), testing::ValuesIn(probes)),
                         [](const auto& info) {
                             std::string name = variantName(std::get<0>(info.param)) + "_";
                             for (const char* c = std::get<1>(info.param).what; *c; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

} // namespace
} // namespace artwork_test
