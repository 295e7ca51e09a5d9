// The gauge as its load handler lays it out, without running it: what the layout tables of the
// native runtimes measure against.
#pragma once

#include "app/headless_machine.h"
#include "program/program.h"

#include <gtest/gtest.h>

namespace sorvane::testing {

struct LaidOutGauge : ::testing::Test {
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

} // namespace sorvane::testing
