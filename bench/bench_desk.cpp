#include "bench/bench_desk.h"

#include "bench/measure.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace sorvane::bench {

using namespace std::chrono_literals;
using namespace testsupport;

namespace {

// Replaced, never rewritten in place: a reader must never see a half-written file.
void put(const fs::path& file, const std::string& value) {
    fs::create_directories(file.parent_path());
    const fs::path tmp = file.string() + ".new";
    std::ofstream(tmp) << value << "\n";
    fs::rename(tmp, file);
}

std::string tail(const std::string& text, std::size_t lines = 6) {
    std::size_t at = text.size();
    for (std::size_t n = 0; n <= lines && at != std::string::npos && at > 0; ++n)
        at = text.rfind('\n', at - 1);
    return at == std::string::npos ? text : text.substr(at + 1);
}

bool hasViewableOfClass(Display* d, const std::string& name, int depth) {
    for (Window w : windowsInTree(d, depth)) {
        const std::string c = wmClass(d, w);
        const auto dot = c.find('.');
        if (c.empty() || (c.substr(0, dot) != name && c.substr(dot + 1) != name)) continue;
        if (isViewable(d, w)) return true;
    }
    return false;
}

} // namespace

void writeBattery(const fs::path& tree, int percent) {
    e2e::PowerTree(tree).onBattery(percent, 90);
    // 50 Wh, emptied in the 90 minutes the tree announces.
    const long full = 50'000'000; // µWh
    const long now = full / 100 * percent;
    const long power = now * 60 / 90; // µW
    const fs::path bat = tree / "BAT0";
    put(bat / "energy_full_design", std::to_string(full));
    put(bat / "energy_full", std::to_string(full));
    put(bat / "energy_now", std::to_string(now));
    put(bat / "power_now", std::to_string(power));
    put(tree / "AC/uevent", "POWER_SUPPLY_NAME=AC\nPOWER_SUPPLY_TYPE=Mains\nPOWER_SUPPLY_ONLINE=0");
    put(bat / "uevent",
        "POWER_SUPPLY_NAME=BAT0\n"
        "POWER_SUPPLY_TYPE=Battery\n"
        "POWER_SUPPLY_STATUS=Discharging\n"
        "POWER_SUPPLY_PRESENT=1\n"
        "POWER_SUPPLY_ENERGY_FULL_DESIGN=" +
            std::to_string(full) + "\nPOWER_SUPPLY_ENERGY_FULL=" + std::to_string(full) +
            "\nPOWER_SUPPLY_ENERGY_NOW=" + std::to_string(now) + "\nPOWER_SUPPLY_POWER_NOW=" +
            std::to_string(power) + "\nPOWER_SUPPLY_CAPACITY=" + std::to_string(percent) +
            "\nPOWER_SUPPLY_TIME_TO_EMPTY_NOW=5400");
}

BenchDesk::BenchDesk()
    : desk_(/*picom*/ true, /*pcmanfm*/ false),
      i3statusConf_(desk_.session().path("i3status.conf")),
      conkyConf_(desk_.session().path("conky.conf")) {
    for (const char* name : {"sorvane", "i3status", "conky", "cbatticon"}) {
        Contender c;
        c.name = name;
        c.xClient = c.name != "i3status";
        c.tree = c.name == "sorvane" ? desk_.power().dir()
                                     : fs::path(desk_.session().path("power-" + c.name));
        contenders_.push_back(c);
    }
    // Every peer reads the battery once a second, as sorvane does.
    std::ofstream(i3statusConf_)
        << "general {\n  output_format = \"none\"\n  interval = 1\n}\n"
           "order += \"battery 0\"\n"
           "battery 0 {\n  format = \"%status %percentage %remaining\"\n}\n";
    std::ofstream(conkyConf_)
        << "conky.config = {\n"
           "  out_to_x = true, out_to_console = false, background = false,\n"
           "  own_window = true, own_window_type = 'normal', own_window_class = 'Conky',\n"
           "  own_window_hints = 'undecorated,skip_taskbar,skip_pager',\n"
           "  alignment = 'top_right', gap_x = 10, gap_y = 40, minimum_width = 160,\n"
           "  update_interval = 1, double_buffer = true,\n"
           "  use_xft = true, font = 'DejaVu Sans:size=9',\n"
           "}\n"
           "conky.text = [[Batterie ${battery_percent BAT0} % ${battery_bar 6,80 BAT0}\n"
           "${battery_time BAT0}]]\n";
}

BenchDesk::~BenchDesk() {
    stopAll();
}

std::string BenchDesk::describe() {
    return "Xvfb " + desk_.session().displayName() +
           " 1024x768, openbox, tint2 (system tray), picom (xrender)";
}

void BenchDesk::startXtrace(Contender& c) {
    const auto free = [](int n) {
        return !fs::exists("/tmp/.X" + std::to_string(n) + "-lock") &&
               !fs::exists("/tmp/.X11-unix/X" + std::to_string(n));
    };
    int number = -1;
    for (int n = 140; n < 150 && number < 0; ++n) {
        bool mine = false;
        for (const auto& other : contenders_)
            mine = mine || other.fakeDisplay == ":" + std::to_string(n);
        if (!mine && free(n)) number = n;
    }
    if (number < 0) throw std::runtime_error("no free display number for xtrace in :140-:149");
    c.fakeDisplay = ":" + std::to_string(number);
    c.xlog = desk_.session().path("xtrace-" + c.name + ".log");
    fs::remove(c.xlog);
    c.xtrace = desk_.session().spawn({"xtrace", "-d", desk_.session().displayName(), "-D",
                                      c.fakeDisplay, "-n", "-k", "-o", c.xlog.string()},
                                     "xtrace-" + c.name);
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    if (!waitUntil([&] { return fs::exists(socket) || !isRunning(c.xtrace); }, 5s) ||
        !isRunning(c.xtrace))
        throw std::runtime_error("xtrace did not start for " + c.name + "\n" +
                                 desk_.session().log("xtrace-" + c.name));
}

pid_t BenchDesk::launch(Contender& c, bool throughXtrace) {
    std::vector<std::string> display;
    if (throughXtrace && c.xClient) {
        startXtrace(c);
        display = {"env", "DISPLAY=" + c.fakeDisplay};
    }
    if (c.name == "sorvane") return desk_.start(display);
    std::vector<std::string> argv = display;
    if (c.name == "i3status") argv = {"i3status", "-c", i3statusConf_.string()};
    if (c.name == "conky") argv.insert(argv.end(), {"conky", "-c", conkyConf_.string()});
    // -n: no notification pop-ups (nothing shows them here); -u 1: read every second.
    if (c.name == "cbatticon") argv.insert(argv.end(), {"cbatticon", "-n", "-u", "1", "BAT0"});
    return desk_.session().spawn(inPowerNamespace(c.tree.string(), argv), c.name);
}

bool BenchDesk::ready(const Contender& c) {
    if (commandName(c.pid) != c.name) return false; // still on its way through unshare and sh
    if (c.name == "i3status")
        return desk_.session().log("i3status").find("BAT") != std::string::npos;
    if (c.name == "conky") return hasViewableOfClass(d(), "Conky", 3);
    // Its icon sits in tint2's tray, deeper than top-level windows.
    if (c.name == "cbatticon") return hasViewableOfClass(d(), "cbatticon", 6);
    const Window main = mainWindow();
    if (!main || !isViewable(d(), main)) return false;
    const Geometry shape = e2e::shapeExtent(d(), main);
    return shape.width == 128 && shape.height == 128; // the entrance is over
}

void BenchDesk::start(bool throughXtrace, const std::vector<std::string>& only,
                      std::ostream& progress) {
    std::vector<Contender*> starting;
    for (auto& c : contenders_) {
        c.problem.clear();
        if (!only.empty() && std::find(only.begin(), only.end(), c.name) == only.end()) {
            c.problem = "not run in this pass";
            continue;
        }
        writeBattery(c.tree, 55);
        c.pid = launch(c, throughXtrace);
        starting.push_back(&c);
    }
    std::vector<Contender*> waiting = starting;
    waitUntil(
        [&] {
            std::erase_if(waiting, [&](Contender* c) {
                if (!isRunning(c->pid)) {
                    c->problem = "exited at start: " + tail(desk_.session().log(c->name));
                    return true;
                }
                return ready(*c);
            });
            return waiting.empty();
        },
        30s, 20ms);
    for (Contender* c : waiting)
        c->problem = "not up after 30 s: " + tail(desk_.session().log(c->name));
    for (Contender* c : starting)
        if (!c->problem.empty()) {
            progress << "  " << c->name << ": " << c->problem << "\n";
            stop(*c);
        }
    if (!sorvane().problem.empty())
        throw std::runtime_error("sorvane did not come up: " + sorvane().problem);
    // Its first readings drawn: the gauge's pixels hold still for a second and a half.
    waitUntilSettled([&] { return desk_.shot().rgb; }, 1500ms, 10s, 50ms);
}

void BenchDesk::stop(Contender& c) {
    if (c.name == "sorvane")
        desk_.stop();
    else if (c.pid)
        desk_.session().end(c.pid);
    c.pid = 0;
    if (c.xtrace) {
        desk_.session().end(c.xtrace);
        // xtrace leaves its socket behind.
        std::error_code ignored;
        fs::remove("/tmp/.X11-unix/X" + c.fakeDisplay.substr(1), ignored);
        c.xtrace = 0;
        c.fakeDisplay.clear();
    }
}

void BenchDesk::stopAll() {
    for (auto& c : contenders_)
        stop(c);
}

} // namespace sorvane::bench
