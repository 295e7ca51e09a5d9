// How fast the running gauge answers: F8 (opacity back at 250) and a battery change (the new
// level picture on screen), timed from outside as a user would see them.
#pragma once

#include "bench/bench_desk.h"

#include <string>
#include <vector>

namespace sorvane::bench {

struct Latencies {
    std::vector<double> ms;
    std::string problem; // why fewer samples than asked for
};

// XTEST F8 press → _NET_WM_WINDOW_OPACITY at 250 × 0x01010101, seen as a PropertyNotify on a
// connection of our own. Before each press one click on the slider's left arrow brings the
// opacity off 250.
Latencies keyLatencies(BenchDesk& desk, int samples);

// Fixture edited (55 % ↔ 45 %: six bars ↔ five) → the level column on screen (the compositor's
// output, read with XGetImage every 2 ms) shows the other level's picture.
Latencies refreshLatencies(BenchDesk& desk, int samples);

} // namespace sorvane::bench
