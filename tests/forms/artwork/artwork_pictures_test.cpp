// What the pictures must show, checked pixel by pixel on the committed files and on the copies
// compiled into the program, at 1x and at 2x. Coordinates are those of the 1x picture; at 2x each
// of them stands for a 2 x 2 block, so a 1-pixel line there is 2 pixels wide.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <functional>
#include <string>
#include <tuple>

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
    // Every pixel standing for the 1x pixel (x, y) meets `ok`.
    template <class Ok> bool all(int x, int y, Ok ok) const {
        for (int dy = 0; dy < scale; ++dy)
            for (int dx = 0; dx < scale; ++dx)
                if (!ok(im.at(x * scale + dx, y * scale + dy))) return false;
        return true;
    }
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

PictureId level(int n) {
    return static_cast<PictureId>(n);
}

struct Area {
    int x0, y0, x1, y1; // inclusive, 1x pixels
    bool contains(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

// Checks every pixel of an area; on failure names the first pixel that breaks the rule.
testing::AssertionResult every(const Pic& p, Area a, const std::function<bool(Rgb)>& ok,
                               const char* rule) {
    for (int y = a.y0; y <= a.y1; ++y)
        for (int x = a.x0; x <= a.x1; ++x)
            if (!p.all(x, y, ok))
                return testing::AssertionFailure()
                       << rule << " fails at (" << x << ", " << y << "): " << p.at(x, y);
    return testing::AssertionSuccess();
}

bool black(Rgb c) {
    return c == Rgb{0, 0, 0};
}
bool white(Rgb c) {
    return c == Rgb{255, 255, 255};
}
bool neutral(Rgb c) {
    return c.r == c.g && c.g == c.b;
}

// The bars, top to bottom: first fill row, and the green of the lit fill.
constexpr std::array<int, 9> fillTop{17, 28, 39, 51, 62, 73, 84, 95, 106};
constexpr std::array<std::array<int, 2>, 9> litGreen{{{229, 233},
                                                      {212, 218},
                                                      {196, 203},
                                                      {181, 189},
                                                      {164, 172},
                                                      {148, 156},
                                                      {132, 140},
                                                      {117, 124},
                                                      {99, 108}}};
Area barFill(int bar) {
    return {3, fillTop[bar], 31, fillTop[bar] + 6};
}
Area barWithEdge(int bar) {
    return {2, fillTop[bar] - 1, 32, fillTop[bar] + 7};
}

class Pictures : public testing::TestWithParam<Variant> {
  protected:
    Pic pic(PictureId id) const { return load(GetParam(), id); }
};

TEST_P(Pictures, HaveTheirSizeTimesTheScale) {
    for (const auto& p : sorvane::forms::allPictures()) {
        Pic got = pic(p.id);
        EXPECT_EQ(got.im.width, p.width * GetParam().scale) << p.name;
        EXPECT_EQ(got.im.height, p.height * GetParam().scale) << p.name;
    }
}

TEST_P(Pictures, FrameLinesRunAlongTopBottomAndOuterSide) {
    for (PictureId id : {PictureId::PileOn, PictureId::PileOff}) {
        Pic p = pic(id);
        EXPECT_TRUE(every(p, {0, 0, 84, 0}, black, "black top row"));
        EXPECT_TRUE(every(p, {0, 127, 84, 127}, black, "black bottom row"));
        EXPECT_TRUE(every(p, {0, 0, 0, 127}, black, "black left column"));
    }
    for (int n = 0; n <= 9; ++n) {
        Pic p = pic(level(n));
        EXPECT_TRUE(every(p, {0, 0, 42, 0}, black, "black top row")) << "level " << n;
        EXPECT_TRUE(every(p, {0, 127, 42, 127}, black, "black bottom row")) << "level " << n;
        EXPECT_TRUE(every(p, {42, 0, 42, 127}, black, "black right column")) << "level " << n;
    }
}

TEST_P(Pictures, AnyBatteryBesideAnyLevelIsOneClosedFrameRoundAWhitePanel) {
    for (PictureId pile : {PictureId::PileOn, PictureId::PileOff}) {
        Pic b = pic(pile);
        for (int n = 0; n <= 9; ++n) {
            Pic l = pic(level(n));
            auto panel = [&](int x, int y, auto ok) {
                return x < 85 ? b.all(x, y, ok) : l.all(x - 85, y, ok);
            };
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

TEST_P(Pictures, LevelNLightsExactlyTheBottomNBars) {
    Pic empty = pic(level(0)), full = pic(level(9));
    for (int n = 0; n <= 9; ++n) {
        Pic p = pic(level(n));
        for (int bar = 0; bar < 9; ++bar) {
            bool lit = bar >= 9 - n;
            const Pic& ref = lit ? full : empty;
            Area a = barWithEdge(bar);
            for (int y = a.y0; y <= a.y1; ++y)
                for (int x = a.x0; x <= a.x1; ++x)
                    ASSERT_EQ(p.at(x, y), ref.at(x, y))
                        << "level " << n << " bar " << bar << (lit ? " lit" : " unlit");
        }
    }
}

TEST_P(Pictures, TheTenLevelsDifferOnlyInTheBars) {
    Pic ref = pic(level(0));
    for (int n = 1; n <= 9; ++n) {
        Pic p = pic(level(n));
        for (int y = 0; y < 128 * p.scale; ++y) {
            for (int x = 0; x < 43 * p.scale; ++x) {
                bool inBar = false;
                for (int bar = 0; bar < 9; ++bar)
                    inBar = inBar || barWithEdge(bar).contains(x / p.scale, y / p.scale);
                if (!inBar) {
                    ASSERT_EQ(p.im.at(x, y), ref.im.at(x, y)) << "level " << n;
                }
            }
        }
    }
}

TEST_P(Pictures, LitBarsRunFromYellowToRedOrangeWithinTheirGreenRanges) {
    Pic p = pic(level(9));
    for (int bar = 0; bar < 9; ++bar) {
        int lo = litGreen[bar][0], hi = litGreen[bar][1];
        EXPECT_TRUE(every(
            p, barFill(bar),
            [&](Rgb c) { return c.r == 254 && c.b == 0 && c.g >= lo && c.g <= hi; }, "lit fill"))
            << "bar " << bar;
    }
}

TEST_P(Pictures, UnlitBarsAreDarkWithTheMiddleRowGreenFalling59To26) {
    Pic p = pic(level(0));
    int previous = 256;
    for (int bar = 0; bar < 9; ++bar) {
        EXPECT_TRUE(every(
            p, barFill(bar), [](Rgb c) { return c.b == 0 && c.r + c.g < 200; }, "dark unlit fill"))
            << "bar " << bar;
        int middle = fillTop[bar] + 3;
        int green = p.at(3, middle).g;
        EXPECT_TRUE(every(
            p, {3, middle, 31, middle},
            [&](Rgb c) {
                return c == Rgb{64, green, 0};
            },
            "even middle row"))
            << "bar " << bar;
        EXPECT_LT(green, previous) << "bar " << bar;
        previous = green;
        if (bar == 0) {
            EXPECT_EQ(green, 59);
        }
        if (bar == 8) {
            EXPECT_EQ(green, 26);
        }
    }
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

TEST_P(Pictures, CloseButtonIsARedSquareWithAWhitePowerSymbol) {
    Pic p = pic(PictureId::Fermer);
    auto red = [](Rgb c) { return c.r >= 150 && c.r > c.g + 60 && c.r > c.b + 60; };
    auto bright = [](Rgb c) { return c.r >= 235 && c.g >= 235 && c.b >= 235; };
    for (auto [x, y] :
         {std::pair{0, 0}, {16, 0}, {0, 16}, {16, 16}, {4, 8}, {12, 8}, {8, 3}, {8, 13}})
        EXPECT_TRUE(p.all(x, y, red)) << "(" << x << ", " << y << ") " << p.at(x, y);
    // The ring, about 15 pixels across.
    for (auto [x, y] : {std::pair{8, 1}, {1, 8}, {15, 8}, {8, 15}})
        EXPECT_TRUE(p.all(x, y, bright)) << "ring at (" << x << ", " << y << ") " << p.at(x, y);
    // The bar: one pixel wide, rows 5 to 11.
    EXPECT_TRUE(every(p, {8, 5, 8, 11}, white, "white bar"));
    EXPECT_TRUE(every(p, {7, 5, 7, 11}, red, "red left of the bar"));
    EXPECT_TRUE(every(p, {9, 5, 9, 11}, red, "red right of the bar"));
    EXPECT_TRUE(p.all(8, 4, red) && p.all(8, 12, red));
    // Duller and pinker at the top, brighter red at the bottom.
    Rgb top = p.at(8, 3), bottom = p.at(8, 13);
    EXPECT_TRUE(top.g > bottom.g && top.b > bottom.b && bottom.r >= top.r) << top << bottom;
}

TEST_P(Pictures, OptionsButtonIsAYellowPillWithACreamMiddleBand) {
    Pic p = pic(PictureId::Options);
    for (auto [x, y] : {std::pair{0, 0}, {15, 0}, {0, 9}, {15, 9}})
        EXPECT_TRUE(p.all(x, y, white)) << "rounded end at (" << x << ", " << y << ")";
    Rgb band = p.at(3, 4);
    EXPECT_TRUE(band.r >= 250 && band.g >= 235 && band.b >= 150 && band.b <= 230) << band;
    EXPECT_TRUE(every(
        p, {3, 4, 12, 5}, [&](Rgb c) { return c == band; }, "cream band"));
    auto line = [&](Rgb c) {
        return c.r >= 200 && c.g >= 140 && c.b <= 60 && c.sum() < band.sum();
    };
    EXPECT_TRUE(every(p, {3, 3, 12, 3}, line, "darker yellow line above"));
    EXPECT_TRUE(every(p, {3, 6, 12, 6}, line, "darker yellow line below"));
    Rgb body = p.at(1, 5);
    auto yellow = [](Rgb c) { return c.r >= 230 && c.g >= 180 && c.b <= 60; };
    EXPECT_TRUE(p.all(1, 5, yellow) && p.all(14, 5, yellow)) << body;
    for (auto [x, y] : {std::pair{7, 0}, {7, 9}})
        EXPECT_TRUE(p.all(x, y, [&](Rgb c) { return c.r >= 180 && c.b <= 60 && c.g < body.g; }))
            << "gold edge at (" << x << ", " << y << ") " << p.at(x, y);
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
    int opaque = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            opaque += !transparent(x, y);
            if (transparent(x, y)) {
                ASSERT_TRUE(black(icon.im.at(x, y))) << x << ", " << y;
            }
        }
    }
    EXPECT_GT(opaque, size * size * 4 / 10);
    EXPECT_LT(opaque, size * size * 85 / 100);
}

INSTANTIATE_TEST_SUITE_P(Artwork, Pictures, testing::ValuesIn(variants),
                         [](const auto& info) { return variantName(info.param); });

// Points of the plain battery and what they show, from the top face down to the bottom rim.
struct Probe {
    const char* what;
    int x, y;
    bool (*ok)(Rgb);
};

const Probe probes[] = {
    {"orange outline at the top", 44, 10,
     [](Rgb c) { return c.r >= 200 && c.g >= 80 && c.g <= 130 && c.b <= 20; }},
    {"red-orange outline low on the left", 9, 100,
     [](Rgb c) { return c.r >= 170 && c.g <= 80 && c.b <= 20; }},
    {"red-orange outline low on the right", 79, 100,
     [](Rgb c) { return c.r >= 170 && c.g <= 80 && c.b <= 20; }},
    {"orange rim of the top face", 44, 12,
     [](Rgb c) { return c.r >= 220 && c.g >= 90 && c.g <= 170 && c.b <= 60; }},
    {"cap near-white at the left", 20, 29, [](Rgb c) { return neutral(c) && c.r >= 220; }},
    {"cap dark grey at the right", 70, 29, [](Rgb c) { return neutral(c) && c.r <= 130; }},
    {"lemon yellow body at the left", 12, 60,
     [](Rgb c) { return c.r >= 250 && c.g >= 235 && c.b <= 60; }},
    {"pale yellow highlight left of centre", 27, 60,
     [](Rgb c) { return c.r >= 250 && c.g >= 235 && c.b >= 110; }},
    {"deep orange body at the right", 76, 60,
     [](Rgb c) { return c.r >= 250 && c.g <= 130 && c.b <= 20; }},
    {"near-white metal left of centre", 27, 100, [](Rgb c) { return neutral(c) && c.r >= 240; }},
    {"dark metal at the right", 76, 100, [](Rgb c) { return neutral(c) && c.r <= 70; }},
    {"light grey metal at the left edge", 11, 95,
     [](Rgb c) { return neutral(c) && c.r >= 160 && c.r <= 215; }},
    {"dark red bottom rim", 44, 117,
     [](Rgb c) { return c.r >= 150 && c.r <= 210 && c.g <= 50 && c.b <= 30; }},
};

void PrintTo(const Probe& p, std::ostream* os) {
    *os << p.what;
}

class BatteryProbes : public testing::TestWithParam<std::tuple<Variant, Probe>> {};

TEST_P(BatteryProbes, ShowWhatTheDrawingPutsThere) {
    auto [variant, probe] = GetParam();
    for (PictureId id : {PictureId::PileOn, PictureId::PileOff}) {
        Pic p = load(variant, id);
        EXPECT_TRUE(p.all(probe.x, probe.y, probe.ok))
            << probe.what << " at (" << probe.x << ", " << probe.y
            << "): " << p.at(probe.x, probe.y);
    }
}

INSTANTIATE_TEST_SUITE_P(Artwork, BatteryProbes,
                         testing::Combine(testing::ValuesIn(variants), testing::ValuesIn(probes)),
                         [](const auto& info) {
                             std::string name = variantName(std::get<0>(info.param)) + "_";
                             for (const char* c = std::get<1>(info.param).what; *c; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

} // namespace
} // namespace artwork_test
