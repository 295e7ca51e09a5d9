#include "bench/latency.h"

#include "bench/measure.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>

#include <random>
#include <thread>

namespace sorvane::bench {

using namespace std::chrono_literals;
using namespace testsupport;

namespace {

double msSince(SteadyClock::time_point t0) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - t0).count();
}

// A connection of our own that hears the gauge's property changes.
class OpacityWatch {
  public:
    OpacityWatch(const std::string& display, Window main)
        : d_(XOpenDisplay(display.c_str())), main_(main) {
        if (!d_) return;
        opacity_ = XInternAtom(d_, "_NET_WM_WINDOW_OPACITY", False);
        XSelectInput(d_, main_, PropertyChangeMask);
        XSync(d_, False);
    }
    ~OpacityWatch() {
        if (d_) XCloseDisplay(d_);
    }
    OpacityWatch(const OpacityWatch&) = delete;
    OpacityWatch& operator=(const OpacityWatch&) = delete;

    Display* d() const { return d_; }
    // The alpha (0..255); 255 when the property is absent.
    unsigned alpha() {
        const auto v = getCardinal(d_, main_, "_NET_WM_WINDOW_OPACITY");
        return v ? static_cast<unsigned>(*v / 0x01010101ul) : 255u;
    }
    // Waits for the alpha to satisfy `wanted`, reading it again at each change of the property.
    template <class Pred> bool waitFor(Pred wanted, std::chrono::milliseconds timeout) {
        const auto deadline = SteadyClock::now() + timeout;
        if (wanted(alpha())) return true;
        for (;;) {
            while (XPending(d_)) {
                XEvent e;
                XNextEvent(d_, &e);
                if (e.type == PropertyNotify && e.xproperty.atom == opacity_ && wanted(alpha()))
                    return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - SteadyClock::now());
            if (left.count() <= 0) return false;
            pollfd p{ConnectionNumber(d_), POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left.count()));
        }
    }
    void drain() {
        XSync(d_, False);
        while (XPending(d_)) {
            XEvent e;
            XNextEvent(d_, &e);
        }
    }

  private:
    Display* d_;
    Window main_;
    Atom opacity_ = 0;
};

// The level column of the gauge (right of the battery, under the slider), as on screen.
std::vector<std::uint8_t> levelColumn(Display* d, const Geometry& g) {
    return grab(d, DefaultRootWindow(d), g.x + 86, g.y + 12, 40, 114).rgb;
}

bool near(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::abs(a[i] - b[i]) > 2) return false;
    return true;
}

} // namespace

Latencies keyLatencies(BenchDesk& desk, int samples) {
    Latencies out;
    const Window main = desk.mainWindow();
    OpacityWatch watch(desk.gauge().session().displayName(), main);
    if (!watch.d()) {
        out.problem = "cannot open the display";
        return out;
    }
    const KeyCode f8 = XKeysymToKeycode(watch.d(), XK_F8);
    const Geometry g = geometry(desk.d(), main);
    for (int i = 0; i < samples; ++i) {
        if (watch.alpha() == 250) {
            click(desk.d(), g.x + 49, g.y + 5); // the slider's left arrow: one step down
            if (!watch.waitFor([](unsigned a) { return a != 250; }, 3s)) {
                out.problem = "the slider's arrow did not move the opacity off 250";
                return out;
            }
        }
        watch.drain();
        const auto t0 = SteadyClock::now();
        XTestFakeKeyEvent(watch.d(), f8, True, CurrentTime);
        XFlush(watch.d());
        const bool back = watch.waitFor([](unsigned a) { return a == 250; }, 3s);
        const double ms = msSince(t0);
        XTestFakeKeyEvent(watch.d(), f8, False, CurrentTime);
        XSync(watch.d(), False);
        if (!back) {
            out.problem = "F8 did not bring the opacity back to 250 within 3 s";
            return out;
        }
        out.ms.push_back(ms);
    }
    return out;
}

Latencies refreshLatencies(BenchDesk& desk, int samples) {
    Latencies out;
    Display* d = desk.d();
    const Geometry g = geometry(d, desk.mainWindow());
    const fs::path tree = desk.sorvane().tree;
    const auto column = [&] { return levelColumn(d, g); };

    // The two pictures as this desk shows them (opacity and compositor included).
    std::vector<std::uint8_t> pictures[2];
    const int levels[2] = {55, 45};
    writeBattery(tree, levels[0]);
    pictures[0] = waitUntilSettled(column, 1500ms, 10s, 20ms);
    writeBattery(tree, levels[1]);
    if (!waitUntil([&] { return !near(column(), pictures[0]); }, 5s)) {
        out.problem = "the gauge did not change its level picture from 55 % to 45 %";
        return out;
    }
    pictures[1] = waitUntilSettled(column, 1500ms, 10s, 20ms);

    // Edits land at a random point of the program's one-second reading cycle; edits made right
    // after the previous picture appeared would all wait nearly the full second.
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> phase(0, 999);
    for (int i = 0; i < samples; ++i) {
        const int next = i % 2 == 0 ? 0 : 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(phase(rng)));
        const auto t0 = SteadyClock::now();
        writeBattery(tree, levels[next]);
        if (!waitUntil([&] { return near(column(), pictures[next]); }, 5s, 2ms)) {
            out.problem = "the new level picture did not show within 5 s";
            return out;
        }
        out.ms.push_back(msSince(t0));
    }
    return out;
}

} // namespace sorvane::bench
