// One simulated hour of ordinary use of the whole program on the headless backend, under the
// delivery policy named on the command line ("clock" or "idle"). `make bench` runs it under
// callgrind, which counts the instructions of sorvane_bench_hour alone (--toggle-collect), so
// the figure is the same on a busy machine as on a quiet one.
//
// It prints one line: the policy, the handlers delivered, and what the user would have seen at
// the end. That outcome must not depend on the policy.
#include "app/headless_machine.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using namespace sorvane;
using namespace std::chrono_literals;
using headless::Millis;

struct Outcome {
    long handlers = 0;
    int percent = 0;
    int level = 0;
    int alpha = 0;
    bool taskbar = false;
    bool desktop = false;
    std::size_t boxes = 0;
    std::size_t beeps = 0;
};

} // namespace

// Not inlined and with a plain name, for callgrind's --toggle-collect.
extern "C" __attribute__((noinline)) void sorvane_bench_hour(int idleAware, Outcome* out) {
    app::HeadlessMachine m(true, idleAware ? platform::Policy::IdleAware : platform::Policy::Clock);
    m.os().setRecording(false); // an hour of polls would fill the record
    long handlers = 0;
    m.runtime().dispatcher().afterEachHandler = [&handlers] { ++handlers; };
    auto& p = m.program();

    // Discharging from 80 %, ninety seconds of life per point, one point every three minutes.
    int percent = 80;
    const auto power = [&] { m.setPower(0, static_cast<win::BYTE>(percent), percent * 90); };
    power();
    m.start();
    for (int minute = 1; minute <= 60; ++minute) {
        switch (minute) {
        case 10: // the beep off, and on again a minute later
        case 11:
            m.os().tapKey(win::VK_F5);
            break;
        case 20: // the taskbar away and back
        case 21:
            m.os().tapKey(win::VK_F6);
            break;
        case 30: // the desktop icons away and back
        case 31:
            m.os().tapKey(win::VK_F7);
            break;
        case 40: // hidden until one bar is left; the reminder box read for a few seconds
            m.runtime().answerNextBox(win::IDOK, 4s);
            m.runtime().chooseMenuItem({"Cacher // F8", "1 barre"});
            m.runtime().raise(p.Main.options, forms::Event::Click);
            break;
        case 45: // and called back
            m.os().tapKey(win::VK_F8);
            break;
        default:
            break;
        }
        if (minute % 3 == 0) {
            --percent;
            power();
        }
        m.advance(60s);
    }
    out->handlers = handlers;
    out->percent = percent;
    out->level = m.state().NiveauBarres;
    out->alpha = m.alpha(p.Main.hWnd());
    out->taskbar = m.taskbarVisible();
    out->desktop = m.desktopVisible();
    out->boxes = m.runtime().boxes().size();
    out->beeps = m.os().beeps().size();
}

int main(int argc, char** argv) {
    const bool idle = argc == 2 && std::strcmp(argv[1], "idle") == 0;
    if (argc != 2 || (!idle && std::strcmp(argv[1], "clock") != 0)) {
        std::fprintf(stderr, "usage: %s clock|idle\n", argv[0]);
        return 2;
    }
    Outcome o;
    sorvane_bench_hour(idle ? 1 : 0, &o);
    std::printf("%s handlers=%ld outcome: %d %% level %d alpha %d taskbar %s desktop %s "
                "boxes %zu beeps %zu\n",
                idle ? "idle" : "clock", o.handlers, o.percent, o.level, o.alpha,
                o.taskbar ? "shown" : "hidden", o.desktop ? "shown" : "hidden", o.boxes, o.beeps);
    return 0;
}
