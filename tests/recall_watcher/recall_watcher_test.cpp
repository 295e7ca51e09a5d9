// The recall watcher: the gauge topmost, the level recall and the F8 recall.
#include "support/running_program.h"

namespace {

using namespace sorvane;
using namespace sorvane::testing;

class Recall : public RunningProgram {
  protected:
    // Hides the gauge with the menu's "N barre"; returns when the box has been answered.
    void hide(int bars) { choose({"Cacher // F8", std::to_string(bars) + " barre"}); }
    bool shown() { return m.alpha(gauge()) == 250 && M.HScroll1.Value() == 250; }
    std::size_t topmostCalls(std::size_t from) {
        return count(from, "SetWindowPos(" + hex(gauge()) + ", -1, 0, 0, 0, 0, 0x3)");
    }
};

TEST_F(Recall, EightBarsAtLevelNineWaitsForLevelEightThenReturnsWithTheBeep) {
    start(100);
    hide(8);
    const auto from = mark();
    m.advance(20s);
    EXPECT_EQ(m.alpha(gauge()), 0);
    EXPECT_TRUE(os.beeps().empty());

    m.setPower(0, 84);
    const auto fell = m.now();
    m.advance(1s); // the reading, then the refresh: level 8
    ASSERT_EQ(level(), 8);
    const auto levelSeen = m.now();
    while (m.alpha(gauge()) == 0 && m.now() < levelSeen + 3s)
        m.advance(10ms);
    EXPECT_TRUE(shown());
    EXPECT_LE(m.now() - fell, 3s);
    EXPECT_FALSE(p.F8.verif.Enabled.get());
    EXPECT_EQ(beepSequences(), 1u);
    EXPECT_EQ(topmostCalls(from), 1u) << "raised again with the recall";
    EXPECT_EQ(s.BarresRappel, 8) << "kept after the recall";
}

struct AlreadyRow {
    int pourcent;
    int bars;
};

std::ostream& operator<<(std::ostream& o, const AlreadyRow& r) {
    return o << r.pourcent << " % with " << r.bars << " bars";
}

class AlreadyLow : public Recall, public ::testing::WithParamInterface<AlreadyRow> {};

TEST_P(AlreadyLow, ComesBackAtTheFirstWatcherTickTwoSecondsAfterTheCommand) {
    start(GetParam().pourcent);
    m.advance(1s);
    const auto commanded = m.now();
    hide(GetParam().bars);
    m.advance(1990ms);
    EXPECT_EQ(m.alpha(gauge()), 0);
    m.advance(10ms);
    EXPECT_TRUE(shown());
    EXPECT_EQ(os.beeps().at(0).start - commanded, 2s) << "recalled, then the beep";
    EXPECT_EQ(beepSequences(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Levels, AlreadyLow,
                         ::testing::Values(AlreadyRow{34, 3}, // equal values recall
                                           AlreadyRow{10, 5}, AlreadyRow{80, 8},
                                           AlreadyRow{14, 1}));

TEST_F(Recall, WithTheBeepOffTheLevelRecallIsSilent) {
    start(30);
    choose({"Beep /!\\ F5"});
    hide(3);
    m.advance(2s);
    EXPECT_TRUE(shown());
    EXPECT_TRUE(os.beeps().empty());
}

TEST_F(Recall, F8WhileHiddenBringsTheGaugeBackSilentlyAndCancelsTheLevelRecall) {
    start(50);
    hide(4);
    const auto from = mark();
    os.tapKey(win::VK_F8);
    m.advance(50ms);
    EXPECT_TRUE(shown());
    EXPECT_FALSE(p.F8.verif.Enabled.get());
    EXPECT_EQ(topmostCalls(from), 1u);
    m.setPower(0, 20);
    m.advance(10s);
    EXPECT_TRUE(os.beeps().empty()) << "no level recall after a key recall";
}

TEST_F(Recall, F8WhileShownResetsTheOpacityAndTheSlider) {
    start(50);
    M.HScroll1.setValue(90);
    ASSERT_EQ(m.alpha(gauge()), 90);
    const auto from = mark();
    os.tapKey(win::VK_F8);
    m.advance(50ms);
    EXPECT_TRUE(shown());
    EXPECT_FALSE(p.F8.verif.Enabled.get());
    EXPECT_EQ(topmostCalls(from), 1u);
    EXPECT_TRUE(os.beeps().empty());
}

TEST_F(Recall, HoldingF8GivesTheSameResultAsOnePress) {
    start(50);
    hide(2);
    os.keyDown(win::VK_F8);
    m.advance(1s);
    os.keyUp(win::VK_F8);
    m.advance(1s);
    EXPECT_TRUE(shown());
    EXPECT_FALSE(p.F8.verif.Enabled.get());
    EXPECT_TRUE(os.beeps().empty());
    EXPECT_TRUE(m.topmost(gauge()));
    EXPECT_EQ(s.BarresRappel, 2);
}

TEST_F(Recall, TheWatcherIsNeverSeenAndTheGaugeStaysTopmost) {
    start(50);
    EXPECT_TRUE(m.topmost(gauge()));
    hide(6);
    m.advance(2s);
    os.tapKey(win::VK_F8);
    m.advance(2s);
    EXPECT_EQ(m.alpha(p.F8.hWnd()), 0);
    EXPECT_EQ(p.F8.Width.get(), 0);
    EXPECT_EQ(p.F8.Height.get(), 0);
    EXPECT_TRUE(m.topmost(gauge()));
}

TEST_F(Recall, ASecondHideAfterARecallArmsTheWatcherAgain) {
    start(50);
    hide(5);
    m.advance(2s);
    ASSERT_TRUE(shown());
    hide(2);
    EXPECT_EQ(m.alpha(gauge()), 0);
    m.setPower(0, 20);
    m.advance(4s);
    EXPECT_TRUE(shown());
    EXPECT_EQ(beepSequences(), 2u);
}

} // namespace
