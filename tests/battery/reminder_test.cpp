// The reminder: the no-battery question, the low-battery blink and the beep.
#include "battery/reminder.h"
#include "scenario/running_program.h"

namespace {

using namespace sorvane;
using namespace sorvane::testing;

const std::string question = "Vous n'avez pas de batterie :: Quitter?";

struct QuestionRow {
    int pourcent;
    bool asks;
};

class NoBatteryQuestion : public RunningProgram,
                          public ::testing::WithParamInterface<QuestionRow> {};

TEST_P(NoBatteryQuestion, IsPutOnlyAbove100) {
    start(GetParam().pourcent);
    m.advance(1s);
    ASSERT_EQ(rt.boxes().size(), GetParam().asks ? 1u : 0u);
    if (GetParam().asks) {
        const auto& box = rt.boxes()[0];
        EXPECT_EQ(box.text, question);
        EXPECT_EQ(box.title, "Info - Batterie");
        EXPECT_EQ(box.style, 36);
        EXPECT_EQ(box.at, 6000ms);
        EXPECT_TRUE(box.unasked) << "a timer's question must not take the keyboard";
    }
}

INSTANTIATE_TEST_SUITE_P(Percent, NoBatteryQuestion,
                         ::testing::Values(QuestionRow{0, false}, QuestionRow{100, false},
                                           QuestionRow{101, true}, QuestionRow{255, true}));

using Reminder = RunningProgram;

TEST_F(Reminder, NoMeansNeverAgainThisRun) {
    rt.answerNextBox(win::IDNO);
    start(255);
    m.advance(30s);
    EXPECT_EQ(rt.boxes().size(), 1u);
    EXPECT_EQ(s.QuestionPosee, 1);
    EXPECT_FALSE(m.ended());
    EXPECT_EQ(level(), 9) << "255 changes neither the level nor the blink";
    EXPECT_EQ(shownLevel(), 9);
    EXPECT_TRUE(os.beeps().empty());
}

TEST_F(Reminder, YesEndsTheProgramAtOnceAndNothingRunsAfter) {
    rt.answerNextBox(win::IDYES);
    start(255);
    m.advance(1s);
    ASSERT_TRUE(m.ended());
    EXPECT_EQ(s.QuestionPosee, 0);
    const auto from = mark();
    const int changes = rt.nativeChanges();
    m.advance(10s);
    os.tapKey(win::VK_F8);
    m.advance(1s);
    EXPECT_EQ(mark(), from);
    EXPECT_EQ(rt.nativeChanges(), changes);
    EXPECT_EQ(rt.boxes().size(), 1u);
}

TEST_F(Reminder, TimePassingWhileTheQuestionIsOpenNeverPutsASecondOne) {
    rt.answerNextBox(win::IDNO, 10s);
    start(255);
    os.tapKey(win::VK_F5);
    m.advance(1s);
    // Ten seconds went by inside the box: other handlers ran meanwhile, the reminder did not.
    EXPECT_EQ(m.now(), 16000ms);
    EXPECT_EQ(rt.boxes().size(), 1u);
    EXPECT_EQ(rt.maxOpenBoxes(), 1);
    EXPECT_EQ(s.BeepOn, 0) << "the hot keys ran while the box was open";
    EXPECT_EQ(count(0, "GetSystemPowerStatus"), 2u) << "the start-up and the one open tick";
    m.advance(10s);
    EXPECT_EQ(rt.boxes().size(), 1u);
}

TEST_F(Reminder, YesAfterAWhileEndsTheProgramThen) {
    rt.answerNextBox(win::IDYES, 3s);
    start(255);
    m.advance(10s);
    EXPECT_TRUE(m.ended());
    EXPECT_EQ(m.now(), 15010ms) << "the clock still runs; the program does not";
    EXPECT_EQ(rt.boxes().size(), 1u);
}

TEST_F(Reminder, TheProgramClosedWhileTheQuestionIsOpenRunsNothingAfterTheBox) {
    rt.answerNextBox(win::IDNO, 5s);
    start(255);
    after(2500ms, [this] { click(M.fermer); }); // at 7.51 s, inside the box opened at 6 s
    m.advance(3s);
    ASSERT_TRUE(m.ended());
    ASSERT_EQ(rt.boxes().size(), 1u);
    EXPECT_EQ(s.QuestionPosee, 0) << "the reminder went on after the program had ended";
}

TEST_F(Reminder, BelowFivePercentTheBarsBlinkAndTheEmptyPhaseBeeps) {
    start(4);
    EXPECT_EQ(level(), 0);
    EXPECT_EQ(shownLevel(), 9) << "the refresh leaves the picture to the reminder";
    m.advance(1s);
    EXPECT_EQ(shownLevel(), 0);
    EXPECT_EQ(beepSequences(), 1u);
    EXPECT_EQ(os.beeps()[0].start, 6000ms);
    m.advance(1s);
    EXPECT_EQ(shownLevel(), 1);
    EXPECT_EQ(beepSequences(), 1u);
    m.advance(1s);
    EXPECT_EQ(shownLevel(), 0);
    EXPECT_EQ(beepSequences(), 2u);
    EXPECT_EQ(os.beeps()[5].start, 8000ms);
    EXPECT_EQ(level(), 0);
}

TEST_F(Reminder, WithTheBeepOffTheBlinkIsSilent) {
    start(3);
    s.BeepOn = 0;
    m.advance(4s);
    EXPECT_TRUE(os.beeps().empty());
    EXPECT_EQ(s.Clignotant, 0);
    EXPECT_EQ(shownLevel(), 1);
}

TEST_F(Reminder, FivePercentNeverBlinks) {
    start(5);
    m.advance(5s);
    EXPECT_TRUE(os.beeps().empty());
    EXPECT_EQ(shownLevel(), 1);
    EXPECT_EQ(level(), 1);
}

TEST_F(Reminder, RisingToFiveEndsTheBlinkAndALaterFallResumesFromTheKeptPhase) {
    start(4);
    m.advance(1s); // empty picture, beep
    ASSERT_EQ(shownLevel(), 0);
    m.setPower(0, 5);
    m.advance(1s);
    EXPECT_EQ(shownLevel(), 1);
    EXPECT_EQ(level(), 1);
    EXPECT_EQ(s.Clignotant, 1);
    m.advance(3s);
    EXPECT_EQ(beepSequences(), 1u);

    m.setPower(0, 2);
    m.advance(1s); // the kept phase: level 1 first, silently
    EXPECT_EQ(shownLevel(), 1);
    EXPECT_EQ(beepSequences(), 1u);
    m.advance(1s);
    EXPECT_EQ(shownLevel(), 0);
    EXPECT_EQ(beepSequences(), 2u);
}

TEST_F(Reminder, TheBeepIsFiveTonesOfATenthOfASecond) {
    start();
    const auto t = m.now();
    battery::Beep_effet(p);
    EXPECT_EQ(os.beeps(), (std::vector<headless::BeepRecord>{
                              {1010, 100, t},
                              {1505, 100, t + 100ms},
                              {2000, 100, t + 200ms},
                              {1505, 100, t + 300ms},
                              {1010, 100, t + 400ms},
                          }));
    EXPECT_EQ(m.now(), t + 500ms);
    for (std::int16_t off : {0, 2, -1}) {
        s.BeepOn = off;
        battery::Beep_effet(p);
    }
    EXPECT_EQ(os.beeps().size(), 5u) << "only 1 means on";
}

} // namespace
