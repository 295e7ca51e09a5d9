// Where the windowless controls of the gauge are, in pixels, for the native runtimes: what the
// Qt and the Windows builds show and which control a click reaches come from these numbers.
#include "forms/layout.h"

#include "support/laid_out_gauge.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace sorvane;
using namespace sorvane::forms;

struct TwipsCase {
    forms::Twips twips;
    int dpi;
    int pixels;
};

class TwipsToPixels : public ::testing::TestWithParam<TwipsCase> {};

TEST_P(TwipsToPixels, RoundToTheNearestPixel) {
    EXPECT_EQ(twipsToPixels(GetParam().twips, GetParam().dpi), GetParam().pixels);
}

// The gauge's own numbers at 96 dpi (what Qt's logical pixels use), as its window layout states
// them, then larger scales.
INSTANTIATE_TEST_SUITE_P(
    Layout, TwipsToPixels,
    ::testing::Values(TwipsCase{1920, 96, 128}, TwipsCase{25, 96, 2}, TwipsCase{500, 96, 33},
                      TwipsCase{1275, 96, 85}, TwipsCase{1280, 96, 85}, TwipsCase{645, 96, 43},
                      TwipsCase{10, 96, 1}, TwipsCase{1760, 96, 117}, TwipsCase{3480, 96, 232},
                      TwipsCase{690, 96, 46}, TwipsCase{135, 96, 9}, TwipsCase{855, 96, 57},
                      TwipsCase{1920, 120, 160}, TwipsCase{1920, 144, 192},
                      TwipsCase{1920, 192, 256}, TwipsCase{0, 96, 0}, TwipsCase{-25, 96, -2},
                      TwipsCase{7, 96, 0}, TwipsCase{8, 96, 1}, TwipsCase{2147483, 96, 143166}));

TEST(PictureScale, DrawsFromThe2xPicturesAbove96Dpi) {
    // Between 96 and 192 dpi the pictures are resampled: down from the 2x ones, not up from the
    // 1x ones, which would blur the one-pixel frame lines and the bars' edges.
    EXPECT_EQ(pictureScale(72), 1);
    EXPECT_EQ(pictureScale(96), 1);
    EXPECT_EQ(pictureScale(120), 2);
    EXPECT_EQ(pictureScale(144), 2);
    EXPECT_EQ(pictureScale(168), 2);
    EXPECT_EQ(pictureScale(192), 2);
    EXPECT_EQ(pictureScale(288), 2);
    // A device scale is the same rule: 1.25 is 120 dpi.
    EXPECT_EQ(pictureScaleForDeviceScale(1.0), 1);
    EXPECT_EQ(pictureScaleForDeviceScale(1.25), 2);
    EXPECT_EQ(pictureScaleForDeviceScale(2.0), 2);
}

using Gauge = sorvane::testing::LaidOutGauge;

class PictureRects : public Gauge, public ::testing::WithParamInterface<int> {};

TEST_P(PictureRects, BatteryAndLevelFillTheWholeGaugeWithoutAGap) {
    const int dpi = GetParam();
    const int side = twipsToPixels(1920, dpi); // the gauge window after start-up
    for (auto battery : {forms::PictureId::PileOn, forms::PictureId::PileOff}) {
        for (int n = 0; n <= 9; ++n) {
            const PixelRect pile = pictureRect(Main.Pile, *forms::picture(battery), dpi);
            const PixelRect level = pictureRect(Main.ImgBat, *forms::levelPicture(n), dpi);
            EXPECT_EQ(pile.left, 0);
            EXPECT_EQ(pile.left + pile.width, level.left) << "the seam at " << dpi << " dpi";
            EXPECT_EQ(level.left + level.width, side) << "the right edge at " << dpi << " dpi";
            for (const PixelRect& r : {pile, level}) {
                EXPECT_EQ(r.top, 0);
                EXPECT_EQ(r.height, side) << "full height at " << dpi << " dpi";
            }
        }
    }
}

TEST_P(PictureRects, ButtonsStayOnTheBatteryPicture) {
    const int dpi = GetParam();
    const PixelRect pile = pictureRect(Main.Pile, *forms::picture(forms::PictureId::PileOn), dpi);
    for (forms::Image* button : {&Main.fermer, &Main.options}) {
        ASSERT_TRUE(button->Picture.get()) << button->name();
        const PixelRect r = pictureRect(*button, *button->Picture.get(), dpi);
        EXPECT_GE(r.left, pile.left) << button->name();
        EXPECT_GE(r.top, pile.top) << button->name();
        EXPECT_LE(r.left + r.width, pile.left + pile.width) << button->name();
        EXPECT_LE(r.top + r.height, pile.top + pile.height) << button->name();
    }
}

INSTANTIATE_TEST_SUITE_P(Layout, PictureRects,
                         ::testing::Values(72, 96, 108, 120, 125, 144, 168, 192, 240, 288));

TEST_F(Gauge, PicturesAreDrawnAtTheirOwnSizeAt96And192Dpi) {
    // There the artwork's pixels are copied as they are: the 1x set at 96 dpi, the 2x at 192.
    for (const auto& picture : forms::allPictures()) {
        for (int scale : {1, 2}) {
            const PixelRect r = pictureRect(Main.Pile, picture, 96 * scale);
            EXPECT_EQ(r.width, picture.width * scale) << picture.name;
            EXPECT_EQ(r.height, picture.height * scale) << picture.name;
        }
    }
    // And at 96 dpi each image control is exactly as large as its picture.
    const std::pair<forms::Image*, forms::PictureId> shown[] = {
        {&Main.Pile, forms::PictureId::PileOff},
        {&Main.ImgBat, forms::PictureId::Level9},
        {&Main.fermer, forms::PictureId::Fermer},
        {&Main.options, forms::PictureId::Options}};
    for (auto [image, id] : shown)
        EXPECT_EQ(pictureRect(*image, *forms::picture(id), 96), pixelRect(*image, 96))
            << image->name();
}

struct HitCase {
    int x, y;
    const char* control; // "" for none
};

class HitTest : public Gauge, public ::testing::WithParamInterface<HitCase> {};

TEST_P(HitTest, FindsTheTopmostWindowlessControl) {
    const auto* c = controlAt(Main, GetParam().x, GetParam().y, 96);
    EXPECT_EQ(c ? std::string(c->name()) : std::string(), GetParam().control)
        << "at " << GetParam().x << "," << GetParam().y;
}

INSTANTIATE_TEST_SUITE_P(
    Layout, HitTest,
    ::testing::Values(HitCase{40, 40, "Pile"}, HitCase{84, 40, "Pile"}, HitCase{85, 40, "ImgBat"},
                      HitCase{127, 127, "ImgBat"},
                      // The buttons and the label lie over the battery picture.
                      HitCase{1, 1, "fermer"}, HitCase{17, 17, "fermer"}, HitCase{18, 18, "Pile"},
                      HitCase{1, 117, "options"}, HitCase{16, 126, "options"},
                      HitCase{17, 120, "Pile"}, HitCase{16, 88, "temps"}, HitCase{72, 104, "temps"},
                      HitCase{73, 104, "Pile"},
                      // The slider is a native child window: the form never sees its mouse.
                      HitCase{60, 5, "Pile"}, HitCase{100, 5, "ImgBat"}),
    [](const auto& info) {
        return std::to_string(info.param.x) + "_" + std::to_string(info.param.y);
    });

struct ClickCase {
    const char* name;
    int dpi;
    int downX, downY, upX, upY;
    bool cancelled;      // the button was taken elsewhere in between (a window move)
    const char* clicked; // "" for no click
};

class Clicks : public Gauge, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(Clicks, APressAndAReleaseOverTheSameControlClickIt) {
    const auto& c = GetParam();
    ClickPairing pairing;
    pairing.press(Main, c.downX, c.downY, c.dpi);
    if (c.cancelled) pairing.cancel();
    const Control* clicked = pairing.release(Main, c.upX, c.upY, c.dpi);
    EXPECT_EQ(clicked ? std::string(clicked->name()) : std::string(), c.clicked);
    EXPECT_EQ(pairing.pressed(), nullptr) << "a release always ends the press";
    EXPECT_EQ(pairing.release(Main, c.upX, c.upY, c.dpi), nullptr) << "one click per press";
}

INSTANTIATE_TEST_SUITE_P(
    Layout, Clicks,
    ::testing::Values(ClickCase{"sameSpot", 96, 5, 5, 5, 5, false, "fermer"},
                      ClickCase{"movedWithinTheButton", 96, 1, 1, 17, 17, false, "fermer"},
                      ClickCase{"releasedOffTheButton", 96, 5, 5, 18, 18, false, ""},
                      ClickCase{"pressedBesideIt", 96, 18, 18, 5, 5, false, ""},
                      ClickCase{"takenByAWindowMove", 96, 5, 5, 5, 5, true, ""},
                      ClickCase{"optionsAt192Dpi", 192, 4, 240, 30, 250, false, "options"},
                      ClickCase{"offOptionsAt192Dpi", 192, 4, 240, 34, 250, false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Gauge, MouseArgumentsAreInTwipsFromTheControlAtAnyDpi) {
    for (int dpi : {96, 120, 192}) {
        const PixelRect r = pixelRect(Main.fermer, dpi);
        const MouseArgs a = mouseArgs(Main.fermer, r.left + 4 * dpi / 96, r.top, dpi, 1, 2);
        EXPECT_FLOAT_EQ(a.X, 60) << dpi << " dpi";
        EXPECT_FLOAT_EQ(a.Y, 0) << dpi << " dpi";
        EXPECT_EQ(a.Button, 1);
        EXPECT_EQ(a.Shift, 2);
    }
}

} // namespace
