// Opacity: the one procedure every change of alpha goes through, and the slider that drives it.
#include "gauge_window/mod_opacite.h"
#include "support/running_program.h"

namespace {

using namespace sorvane;
using namespace sorvane::testing;

struct StyleRow {
    win::LONG before;
    bool layered;
    int alpha;
    win::LONG after;
};

std::ostream& operator<<(std::ostream& o, const StyleRow& r) {
    return o << std::hex << r.before << (r.layered ? " layered " : " plain ") << std::dec
             << r.alpha;
}

class Applique : public RunningProgram, public ::testing::WithParamInterface<StyleRow> {};

TEST_P(Applique, SetsOrClearsOnlyTheLayeredBitAndAlwaysGivesTheAlpha) {
    const auto& r = GetParam();
    const auto h = os.addProgramWindow("W");
    os.SetWindowLongA(h, win::GWL_EXSTYLE, r.before);
    const auto from = mark();
    gauge_window::mod_opacite::AppliqueOpacite(m.program().os, h, r.layered,
                                               static_cast<win::BYTE>(r.alpha));
    char style[16];
    std::snprintf(style, sizeof style, "0x%x", static_cast<unsigned>(r.after));
    EXPECT_EQ(callsSince(from), (std::vector<std::string>{
                                    "GetWindowLongA(" + hex(h) + ", -20)",
                                    "SetWindowLongA(" + hex(h) + ", -20, " + style + ")",
                                    "SetLayeredWindowAttributes(" + hex(h) + ", 0, " +
                                        std::to_string(r.alpha) + ", 0x2)",
                                }));
    EXPECT_EQ(os.window(h)->exStyle, r.after);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, Applique,
    ::testing::Values(StyleRow{0, true, 200, 0x80000}, StyleRow{0x80000, true, 0, 0x80000},
                      StyleRow{0x88, true, 255, 0x80088}, StyleRow{0x80088, false, 99, 0x88},
                      StyleRow{0x88, false, 10, 0x88},
                      StyleRow{-1, false, 1, static_cast<win::LONG>(0xFFF7FFFFu)}));

using Opacity = RunningProgram;

TEST_F(Opacity, RepeatedCallsKeepTheBitAndChangeOnlyTheAlpha) {
    start();
    for (int a : {10, 0, 250, 128}) {
        gauge_window::mod_opacite::AppliqueOpacite(p.os, gauge(), true, static_cast<win::BYTE>(a));
        EXPECT_EQ(os.window(gauge())->exStyle, win::WS_EX_LAYERED);
        EXPECT_EQ(m.alpha(gauge()), a);
    }
}

TEST_F(Opacity, AlphaZeroKeepsTheWindowItsPlaceAndItsStacking) {
    start();
    gauge_window::mod_opacite::AppliqueOpacite(p.os, gauge(), true, 0);
    EXPECT_EQ(m.alpha(gauge()), 0);
    ASSERT_NE(os.window(gauge()), nullptr);
    EXPECT_TRUE(m.visible(gauge()));
    EXPECT_TRUE(M.Visible());
    EXPECT_TRUE(m.topmost(gauge()));
    EXPECT_EQ(M.Left.get(), 25);
    EXPECT_EQ(M.Top.get(), 500);
    EXPECT_EQ(M.Width.get(), 1920);
}

TEST_F(Opacity, TheSliderGivesItsValueAsAlpha) {
    start();
    const auto from = mark();
    M.HScroll1.setValue(120);
    EXPECT_EQ(callsSince(from), (std::vector<std::string>{
                                    "GetWindowLongA(" + hex(gauge()) + ", -20)",
                                    "SetWindowLongA(" + hex(gauge()) + ", -20, 0x80000)",
                                    "SetLayeredWindowAttributes(" + hex(gauge()) + ", 0, 120, 0x2)",
                                }));
    M.HScroll1.setValue(255);
    EXPECT_EQ(m.alpha(gauge()), 255);
}

TEST_F(Opacity, TheSliderAloneCannotMakeTheGaugeInvisible) {
    start();
    M.HScroll1.setValue(M.HScroll1.Min);
    EXPECT_EQ(m.alpha(gauge()), 50);
    EXPECT_THROW(M.HScroll1.setValue(0), std::out_of_range);
    EXPECT_EQ(m.alpha(gauge()), 50);
}

} // namespace
