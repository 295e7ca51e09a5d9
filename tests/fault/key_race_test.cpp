// The key reader polled as fast as it goes while another client taps F6: every tap must read
// as one press, however the tap falls between the reader's round trips to the server.
// GoogleTest first: Xlib's macros (None, Bool, ...) would break its templates.
#include <gtest/gtest.h>

#include "platform/linux/x_keys.h"
#include "support/wait.h"
#include "support/x_helpers.h"
#include "support/x_session.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <atomic>
#include <random>
#include <sstream>
#include <thread>

namespace {

using namespace sorvane;
using namespace sorvane::testsupport;
using namespace std::chrono_literals;

TEST(KeyReader, ATapFallingBetweenTheReadersRoundTripsCountsOnce) {
    XSession session;
    linuxos::XKeys keys(session.displayName());
    ASSERT_TRUE(keys.connected());
    Display* tapper = XOpenDisplay(session.displayName().c_str());
    ASSERT_NE(tapper, nullptr);

    constexpr int taps = 300;
    std::atomic<bool> done{false};
    std::thread typist([&] {
        std::mt19937 random(7);
        for (int i = 0; i < taps; ++i) {
            tapKey(tapper, XK_F6);
            std::this_thread::sleep_for(std::chrono::microseconds(300 + random() % 3000));
        }
        done = true;
    });
    std::vector<unsigned short> results;
    while (!done)
        results.push_back(static_cast<unsigned short>(keys.GetAsyncKeyState(win::VK_F6)));
    typist.join();
    // What the last taps left for the next query.
    waitUntil([&] {
        const auto r = static_cast<unsigned short>(keys.GetAsyncKeyState(win::VK_F6));
        results.push_back(r);
        return r == 0;
    });
    XCloseDisplay(tapper);

    // A key seen down for the first time was pressed since the last query; a press read as
    // "down" then again as "pressed" would toggle an option twice, and the tap would be lost.
    int presses = 0, downWithoutPress = 0;
    unsigned short previous = 0;
    for (unsigned short r : results) {
        if (r & 1) ++presses;
        if ((r & 0x8000) && !(r & 1) && previous == 0) ++downWithoutPress;
        previous = r;
    }
    std::ostringstream where;
    where << results.size() << " queries";
    EXPECT_EQ(downWithoutPress, 0) << where.str();
    EXPECT_LE(presses, taps) << where.str();
    EXPECT_GT(presses, taps / 2) << where.str();
}

} // namespace
