// How the Win32 runtime places, hit-tests and labels the gauge: what the Windows build shows
// comes from these numbers, checked here without Windows.
#include "platform/win32/win32_layout.h"

#include "program/program.h"
#include "app/headless_machine.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>

namespace {

using namespace sorvane;
using namespace sorvane::win32;

struct TwipsCase {
    forms::Twips twips;
    int dpi;
    int pixels;
};

class TwipsToPixels : public ::testing::TestWithParam<TwipsCase> {};

TEST_P(TwipsToPixels, RoundToTheNearestPixel) {
    EXPECT_EQ(twipsToPixels(GetParam().twips, GetParam().dpi), GetParam().pixels);
}

// The gauge's own numbers at 96 dpi, as its window layout states them, then larger scales.
INSTANTIATE_TEST_SUITE_P(Win32, TwipsToPixels,
                         ::testing::Values(TwipsCase{1920, 96, 128}, TwipsCase{25, 96, 2},
                                           TwipsCase{500, 96, 33}, TwipsCase{1275, 96, 85},
                                           TwipsCase{1280, 96, 85}, TwipsCase{645, 96, 43},
                                           TwipsCase{10, 96, 1}, TwipsCase{1760, 96, 117},
                                           TwipsCase{3480, 96, 232}, TwipsCase{690, 96, 46},
                                           TwipsCase{135, 96, 9}, TwipsCase{855, 96, 57},
                                           TwipsCase{1920, 120, 160}, TwipsCase{1920, 144, 192},
                                           TwipsCase{1920, 192, 256}, TwipsCase{0, 96, 0},
                                           TwipsCase{-25, 96, -2}, TwipsCase{2147483, 96, 143166}));

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
}

struct Gauge : ::testing::Test {
    app::HeadlessMachine m;
    Program& p = m.program();
    forms::MainForm& Main = p.Main;

    void SetUp() override {
        // The places the load handler gives the label and the slider.
        Main.temps.Left = 240;
        Main.temps.Top = 1320;
        Main.HScroll1.Left = 690;
        Main.HScroll1.Top = 10;
    }
};

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

INSTANTIATE_TEST_SUITE_P(Win32, PictureRects,
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
    Win32, HitTest,
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

struct ScrollCase {
    int code;
    int thumb;
    std::optional<int> target;
};

class Scroll : public Gauge, public ::testing::WithParamInterface<ScrollCase> {};

TEST_P(Scroll, RequestsStayInsideTheRange) {
    // From 200 on a bar of Min 50, Max 255, steps 1.
    EXPECT_EQ(scrollTarget(Main.HScroll1, GetParam().code, GetParam().thumb), GetParam().target);
}

INSTANTIATE_TEST_SUITE_P(Win32, Scroll,
                         ::testing::Values(ScrollCase{0, 0, 199}, ScrollCase{1, 0, 201},
                                           ScrollCase{4, 120, 120}, ScrollCase{4, 10, 50},
                                           ScrollCase{4, 400, 255},
                                           ScrollCase{5, 120, std::nullopt}, ScrollCase{6, 0, 50},
                                           ScrollCase{7, 0, 255}, ScrollCase{8, 0, std::nullopt},
                                           ScrollCase{99, 0, std::nullopt}));

TEST_F(Gauge, TrackClicksMoveByThePageStep) {
    const int page = Main.HScroll1.LargeChange;
    EXPECT_EQ(scrollTarget(Main.HScroll1, 2, 0), 200 - page);
    EXPECT_EQ(scrollTarget(Main.HScroll1, 3, 0), 200 + page);
}

TEST_F(Gauge, ScrollingPastTheEndsStopsAtThem) {
    Main.HScroll1.setValue(Main.HScroll1.Max);
    EXPECT_EQ(scrollTarget(Main.HScroll1, 1, 0), Main.HScroll1.Max);
    EXPECT_EQ(scrollTarget(Main.HScroll1, 3, 0), Main.HScroll1.Max);
    Main.HScroll1.setValue(Main.HScroll1.Min);
    EXPECT_EQ(scrollTarget(Main.HScroll1, 0, 0), Main.HScroll1.Min);
}

TEST_F(Gauge, MenuEntriesNumberEveryItemAndOnlyLeavesAreCommands) {
    auto& menu = p.menu;
    const auto entries = menuEntries(menu.menu);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[3].item, &menu.cacher);
    ASSERT_EQ(entries[3].children.size(), 8u);

    std::set<unsigned> ids;
    auto collect = [&](auto&& self, const std::vector<MenuEntry>& list) -> void {
        for (const auto& e : list) {
            EXPECT_GT(e.id, 0u) << "0 is TrackPopupMenu's 'nothing chosen'";
            EXPECT_TRUE(ids.insert(e.id).second) << "duplicate id " << e.id;
            self(self, e.children);
        }
    };
    collect(collect, entries);
    EXPECT_EQ(ids.size(), 13u);

    EXPECT_EQ(findMenuCommand(entries, entries[0].id), &menu.ckd_beep);
    EXPECT_EQ(findMenuCommand(entries, entries[3].children[2].id), &menu.troisbarre);
    EXPECT_EQ(findMenuCommand(entries, entries[4].id), &menu.quitter);
    EXPECT_EQ(findMenuCommand(entries, entries[3].id), nullptr) << "cacher only opens";
    EXPECT_EQ(findMenuCommand(entries, 0), nullptr) << "dismissed";
    EXPECT_EQ(findMenuCommand(entries, 999), nullptr);
}

TEST(BitmapResource, ScaleOneAndTwoNeverCollide) {
    std::set<int> ids;
    for (const auto& pic : forms::allPictures())
        for (int scale : {1, 2})
            EXPECT_TRUE(ids.insert(bitmapResource(pic.id, scale)).second);
    EXPECT_EQ(bitmapResource(forms::PictureId::Level0, 1), 100);
    EXPECT_EQ(bitmapResource(forms::PictureId::Options, 1), 113);
    EXPECT_EQ(ids.count(iconResource), 0u);
}

struct Utf8Case {
    const char* name;
    std::string in;
    std::u16string out;
};

class Utf8 : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8, ConvertsForTheWideCalls) {
    EXPECT_EQ(utf8ToUtf16(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Win32, Utf8,
    ::testing::Values(Utf8Case{"ascii", "Sorvane Par Quillet.", u"Sorvane Par Quillet."},
                      Utf8Case{"accent",
                               "Pour r\xC3\xA9"
                               "afficher",
                               u"Pour r\u00E9afficher"},
                      Utf8Case{"threeBytes", "\xE2\x82\xAC", u"\u20AC"},
                      Utf8Case{"surrogatePair", "\xF0\x9F\x94\x8B", u"\U0001F50B"},
                      Utf8Case{"empty", "", u""},
                      // Malformed input is shown as U+FFFD, never dropped or read past.
                      Utf8Case{"cutShort", "a\xC3", u"a\uFFFD"},
                      Utf8Case{"strayContinuation", "\x80z", u"\uFFFDz"},
                      Utf8Case{"overlong", "\xC0\xAF", u"\uFFFD\uFFFD"},
                      Utf8Case{"encodedSurrogate", "\xED\xA0\x80", u"\uFFFD"},
                      Utf8Case{"latin1Byte", "caf\xE9!", u"caf\uFFFD!"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
