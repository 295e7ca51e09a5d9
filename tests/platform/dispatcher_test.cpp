// The dispatch rules, each shown to hold on the headless runtime: a broken rule fails here. And
// the rule that keeps a window within reach when the screens change.
#include "platform/headless/headless_os.h"
#include "platform/headless/headless_runtime.h"
#include "platform/screen_fit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace sorvane;
using namespace std::chrono_literals;
using headless::Millis;

constexpr forms::WindowSettings plain{true, false, {0, 0, 0}, nullptr, 900, 435};

struct TwoTimers : forms::Window {
    TwoTimers() : forms::Window("Test", plain) {}
    forms::Timer slow{*this, "slow", 100, true};
    forms::Timer fast{*this, "fast", 1, true};
};

struct Rig : ::testing::Test {
    headless::HeadlessRuntime rt;
    headless::HeadlessOs os{[this] { return rt.now(); }, [this](Millis d) { rt.busy(d); }};
    TwoTimers w;
    int slowTicks = 0;
    int fastTicks = 0;

    Rig() {
        rt.setOs(os);
        rt.attach(w);
        w.slow.Tick = [this] { ++slowTicks; };
        w.fast.Tick = [this] { ++fastTicks; };
    }
};

TEST_F(Rig, IntervalBelowTenMillisecondsRunsAtTen) {
    rt.Load(w);
    rt.advance(1000ms);
    EXPECT_EQ(fastTicks, 100);
    EXPECT_EQ(slowTicks, 10);
    EXPECT_EQ(platform::Dispatcher::effectiveInterval(0), 10);
    EXPECT_EQ(platform::Dispatcher::effectiveInterval(10), 10);
    EXPECT_EQ(platform::Dispatcher::effectiveInterval(11), 11);
}

TEST_F(Rig, TimersStartWhenTheLoadHandlerReturns) {
    int ticksDuringLoad = -1;
    w.Load = [&] {
        // The load handler keeps a box open for half a second of virtual time.
        rt.answerNextBox(win::IDOK, 500ms);
        rt.MsgBox("loading", win::MB_OK);
        ticksDuringLoad = fastTicks + slowTicks;
    };
    rt.Load(w);
    EXPECT_EQ(ticksDuringLoad, 0);
    EXPECT_EQ(rt.now(), 500ms);
    rt.advance(100ms);
    EXPECT_EQ(slowTicks, 1); // its clock started at 500 ms, not at 0
    EXPECT_EQ(fastTicks, 10);
}

TEST_F(Rig, ARunningHandlerIsNotReenteredButOthersRunMeanwhile) {
    int boxes = 0;
    w.slow.Tick = [&] {
        ++slowTicks;
        ++boxes;
        rt.answerNextBox(win::IDNO, 1000ms); // ten of its own periods pass while it is open
        rt.MsgBox("question", win::MB_YESNO);
    };
    rt.Load(w);
    rt.advance(100ms);
    EXPECT_EQ(slowTicks, 1);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(rt.maxOpenBoxes(), 1);
    EXPECT_GE(fastTicks, 100); // the other timer kept running during the box
}

TEST_F(Rig, HeldThreadCoalescesDueTicksIntoOne) {
    w.slow.Tick = [&] {
        ++slowTicks;
        if (slowTicks == 1) rt.busy(550ms); // e.g. a long beep
    };
    w.fast.Enabled = false;
    rt.Load(w);
    rt.advance(100ms);
    EXPECT_EQ(slowTicks, 1);
    EXPECT_EQ(rt.now(), 650ms);
    rt.advance(0ms);
    EXPECT_EQ(slowTicks, 2); // one catch-up tick, not five
    rt.advance(99ms);
    EXPECT_EQ(slowTicks, 2);
    rt.advance(1ms);
    EXPECT_EQ(slowTicks, 3);
}

TEST(Dispatcher, NothingIsDeliveredWhileSuppressed) {
    platform::Dispatcher d;
    int runs = 0;
    int key = 0;
    {
        platform::Dispatcher::Suppress animating(d);
        EXPECT_FALSE(d.deliver(&key, forms::Event::Timer, [&] { ++runs; }));
    }
    EXPECT_TRUE(d.deliver(&key, forms::Event::Timer, [&] { ++runs; }));
    EXPECT_EQ(runs, 1);
}

TEST(Dispatcher, NestedDeliveryOfAnotherEventIsAllowedButNotOfTheSame) {
    platform::Dispatcher d;
    int a = 0, b = 0;
    bool inner = false, reentered = true;
    d.deliver(&a, forms::Event::Timer, [&] {
        inner = d.deliver(&b, forms::Event::Timer, [] {});
        reentered = d.deliver(&a, forms::Event::Timer, [] {});
        EXPECT_TRUE(d.deliver(&a, forms::Event::Click, [] {})); // another event of the source
    });
    EXPECT_TRUE(inner);
    EXPECT_FALSE(reentered);
    EXPECT_TRUE(d.idle());
}

// Every backend delivers through the dispatcher, so this is what any handler's exception does:
// one line on stderr (or the backend's own report), nothing more delivered, exit code 1.
TEST(DispatcherDeathTest, AHandlerThatThrowsEndsTheProgramWithCodeOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    int a = 0;
    EXPECT_EXIT(
        {
            platform::Dispatcher d;
            d.deliver(&a, forms::Event::Timer, [] { throw std::runtime_error("disque plein"); });
            std::fprintf(stderr, "went on\n");
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(1), "^sorvane: a handler failed: disque plein; exiting\\.\n$");
    EXPECT_EXIT(
        {
            platform::Dispatcher d;
            d.handlerFailed = [&](std::string_view what) {
                std::fprintf(stderr, "box: %.*s\n", static_cast<int>(what.size()), what.data());
                d.deliver(&a, forms::Event::Click, [] { std::fprintf(stderr, "ran\n"); });
            };
            d.deliver(&a, forms::Event::Timer, [] { throw 42; });
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(1), "^box: unknown exception\n$");
}

TEST_F(Rig, AnimationHoldsTheThreadAndDeliversNothing) {
    int ticksDuringAnimation = -1;
    w.slow.Enabled = false;
    w.fast.Enabled = false;
    rt.Load(w);
    w.fast.Enabled = true;
    os.AnimateWindow(w.hWnd(), 5000, win::AW_CENTER);
    ticksDuringAnimation = fastTicks;
    EXPECT_EQ(ticksDuringAnimation, 0);
    EXPECT_EQ(rt.now(), 5000ms);
    rt.advance(0ms);
    EXPECT_EQ(fastTicks, 1); // one coalesced tick, then its normal period
    rt.advance(100ms);
    EXPECT_EQ(fastTicks, 11);
}

TEST_F(Rig, NothingRunsAfterTheEnd) {
    w.slow.Tick = [&] {
        ++slowTicks;
        rt.End();
    };
    rt.Load(w);
    rt.advance(1000ms);
    EXPECT_EQ(slowTicks, 1);
    EXPECT_EQ(fastTicks, 9);
    EXPECT_TRUE(rt.ended());
    EXPECT_FALSE(rt.tick(w.fast));
    EXPECT_FALSE(rt.tick(w.slow));
    EXPECT_EQ(rt.now(), 1000ms);
}

// Where a window goes when the screens change under it. The gauge is 128 x 128; a panel of
// 30 px reserves the bottom of the first monitor.
struct Reach {
    const char* name;
    platform::ScreenRect window;
    std::vector<platform::Monitor> monitors;
    std::optional<platform::ScreenRect> to;
};

class KeepReachable : public ::testing::TestWithParam<Reach> {};

TEST_P(KeepReachable, MovesOnlyAWindowNotWhollyOnScreen) {
    EXPECT_EQ(platform::keepReachable(GetParam().window, GetParam().monitors), GetParam().to);
}

const platform::Monitor small{{0, 0, 800, 600}, {0, 0, 800, 570}};
const platform::Monitor right{{800, 0, 1024, 768}, {800, 0, 1024, 768}};

INSTANTIATE_TEST_SUITE_P(
    Screens, KeepReachable,
    ::testing::Values(
        // 1280 x 1024 set to 800 x 600 with the gauge at 1100,850: back above the panel.
        Reach{"shrunk_screen", {1100, 850, 128, 128}, {small}, {{672, 442, 128, 128}}},
        Reach{"one_pixel_out", {673, 100, 128, 128}, {small}, {{672, 100, 128, 128}}},
        Reach{"above_and_left", {-50, -10, 128, 128}, {small}, {{0, 0, 128, 128}}},
        Reach{"whole_on_screen", {600, 400, 128, 128}, {small}, std::nullopt},
        // Under the panel but all of it on screen: the user put it there.
        Reach{"under_the_panel", {10, 470, 128, 128}, {small}, std::nullopt},
        Reach{"across_two_monitors", {740, 100, 128, 128}, {small, right}, std::nullopt},
        // Over the edge where the second monitor is shorter: to the one it overlaps most.
        Reach{
            "past_a_shorter_monitor", {700, 560, 128, 128}, {small, right}, {{672, 442, 128, 128}}},
        Reach{
            "beyond_every_monitor", {3000, 100, 128, 128}, {small, right}, {{1696, 100, 128, 128}}},
        Reach{"mirrored_outputs", {700, 100, 128, 128}, {small, small}, {{672, 100, 128, 128}}},
        Reach{"larger_than_the_area", {10, 10, 900, 700}, {small}, {{0, 0, 900, 700}}},
        Reach{"no_monitor", {5000, 5000, 128, 128}, {}, std::nullopt},
        Reach{"empty_window", {5000, 5000, 0, 0}, {small}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
