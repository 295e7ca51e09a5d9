// Moving, closing and the options pop-up of the borderless gauge.
#include "support/running_program.h"

namespace {

using namespace sorvane;
using namespace sorvane::testing;

struct MoveRow {
    const char* control;
    int buttons;
    bool moves;
};

std::ostream& operator<<(std::ostream& o, const MoveRow& r) {
    return o << r.control << " buttons " << r.buttons;
}

class Dragging : public RunningProgram, public ::testing::WithParamInterface<MoveRow> {};

TEST_P(Dragging, StartsASystemMoveOnlyWithTheLeftButtonDown) {
    const auto& r = GetParam();
    start();
    const auto from = mark();
    forms::MouseArgs args;
    args.Button = r.buttons;
    args.X = 30;
    args.Y = 40;
    rt.raise(*M.findControl(r.control), forms::Event::MouseMove, args);
    if (r.moves) {
        EXPECT_EQ(callsSince(from), (std::vector<std::string>{
                                        "ReleaseCapture()",
                                        "SendMessageA(" + hex(gauge()) + ", 0xa1, 2, 0)",
                                    }));
        EXPECT_EQ(os.window(gauge())->moves, 1);
    } else {
        EXPECT_TRUE(callsSince(from).empty())
            << "a bare hover must not glue the gauge to the mouse";
        EXPECT_EQ(os.window(gauge())->moves, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Controls, Dragging,
                         ::testing::Values(MoveRow{"Pile", 1, true}, MoveRow{"ImgBat", 1, true},
                                           MoveRow{"temps", 1, true}, MoveRow{"Pile", 3, true},
                                           MoveRow{"Pile", 0, false}, MoveRow{"ImgBat", 0, false},
                                           MoveRow{"temps", 0, false}, MoveRow{"ImgBat", 2, false},
                                           MoveRow{"temps", 4, false}, MoveRow{"fermer", 1, false},
                                           MoveRow{"options", 1, false},
                                           MoveRow{"HScroll1", 1, false}));

using Window = RunningProgram;

TEST_F(Window, CloseEndsAtOnceAndLeavesTheShellAsItWas) {
    start();
    choose({"TaskBar F6"});
    choose({"IconBureau F7"});
    m.advance(10ms);
    ASSERT_FALSE(m.taskbarVisible());
    ASSERT_FALSE(m.desktopVisible());
    EXPECT_TRUE(click(M.fermer));
    EXPECT_TRUE(m.ended());
    const auto from = mark();
    os.tapKey(win::VK_F8);
    os.tapKey(win::VK_F6);
    m.advance(60s);
    EXPECT_EQ(mark(), from) << "no handler runs after the end";
    EXPECT_FALSE(m.taskbarVisible());
    EXPECT_FALSE(m.desktopVisible());
    EXPECT_FALSE(click(M.options));
    EXPECT_TRUE(rt.menus().size() == 2u);
}

TEST_F(Window, OptionsPopsUpTheSameMenuWindowEveryTime) {
    start();
    rt.dismissNextMenu();
    click(M.options);
    ASSERT_TRUE(p.menu.loaded());
    const auto menuWindow = p.menu.hWnd();
    EXPECT_FALSE(p.menu.Visible());
    EXPECT_FALSE(m.visible(menuWindow));

    choose({"Beep /!\\ F5"});
    choose({"TaskBar F6"});
    rt.dismissNextMenu();
    click(M.options);
    EXPECT_EQ(p.menu.hWnd(), menuWindow);
    ASSERT_EQ(rt.menus().size(), 4u);
    const auto& first = rt.menus()[0].entries;
    const auto& last = rt.menus()[3].entries;
    EXPECT_EQ(first[0], "[x] Beep /!\\ F5");
    EXPECT_EQ(last[0], "Beep /!\\ F5") << "check marks survive between pop-ups";
    EXPECT_EQ(last[1], "TaskBar F6");
    EXPECT_EQ(last[2], "[x] IconBureau F7");
    EXPECT_EQ(last.size(), 13u);
}

} // namespace
