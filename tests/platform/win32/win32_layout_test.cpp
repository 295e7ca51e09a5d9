// How the Win32 runtime scrolls, builds its menus and labels the gauge: what the Windows build
// shows comes from these numbers, checked here without Windows.
#include "platform/win32/win32_layout.h"

#include "support/laid_out_gauge.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>

namespace {

using namespace sorvane;
using namespace sorvane::win32;

using Gauge = sorvane::testing::LaidOutGauge;

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
