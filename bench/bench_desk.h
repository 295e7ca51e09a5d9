// The desk the benchmark measures on: one private X session (openbox, tint2 with its system
// tray, picom) with sorvane and its peers side by side, each in its own mount namespace over its
// own copy of one fixture battery.
#pragma once

#include "e2e/gauge_desk.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace sorvane::bench {

namespace fs = std::filesystem;

// One battery discharging at `percent` with 90 minutes left, mains off line; written as both
// the attribute files (sorvane, cbatticon) and the uevent summaries (i3status, conky).
void writeBattery(const fs::path& tree, int percent);

struct Contender {
    std::string name; // also its command name
    bool xClient = true;
    fs::path tree;
    pid_t pid = 0;
    std::string problem; // why it has no figures in this pass
    // Behind xtrace: its own proxy display and log.
    pid_t xtrace = 0;
    std::string fakeDisplay;
    fs::path xlog;
};

class BenchDesk {
  public:
    BenchDesk();
    ~BenchDesk();
    BenchDesk(const BenchDesk&) = delete;
    BenchDesk& operator=(const BenchDesk&) = delete;

    e2e::GaugeDesk& gauge() { return desk_; }
    Display* d() const { return desk_.d(); }
    std::vector<Contender>& contenders() { return contenders_; }
    Contender& sorvane() { return contenders_.front(); }
    std::string describe();

    // Starts the named programs (all when empty), each behind its own xtrace when asked, and
    // waits until every one is up and sorvane's entrance is over. A peer that does not come up
    // gets a problem and is left out; sorvane not coming up throws.
    void start(bool throughXtrace, const std::vector<std::string>& only, std::ostream& progress);
    void stopAll();
    // The gauge's main window, 0 when there is none.
    Window mainWindow() const { return desk_.form("Main"); }

  private:
    pid_t launch(Contender& c, bool throughXtrace);
    bool ready(const Contender& c);
    void startXtrace(Contender& c);
    void stop(Contender& c);

    e2e::GaugeDesk desk_;
    std::vector<Contender> contenders_;
    fs::path i3statusConf_;
    fs::path conkyConf_;
};

} // namespace sorvane::bench
