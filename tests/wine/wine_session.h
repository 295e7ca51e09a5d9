// One Wine desktop for a run of the Wine tests: a private X session (openbox, picom) under its
// own dbus-launch, one Wine prefix made once (that is the slow part), and a wineserver kept
// alive for the whole run, then killed with `wineserver -k` and by PID.
#pragma once

#include "support/x_helpers.h"
#include "support/x_session.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace sorvane::wine {

class WineSession {
  public:
    WineSession();
    ~WineSession();
    WineSession(const WineSession&) = delete;
    WineSession& operator=(const WineSession&) = delete;

    testsupport::XSession& x() { return *x_; }
    Display* display() { return x_->display(); }

    // The command line that runs a Windows program of this session; `debug` is its WINEDEBUG.
    std::vector<std::string> wine(const std::vector<std::string>& args, bool traced = false,
                                  const std::string& debug = "") const;
    // The same, with the fixture bound over /sys/class/power_supply (its own mount namespace).
    std::vector<std::string> wineWithPower(const std::string& fixture,
                                           const std::vector<std::string>& args,
                                           const std::string& debug = "") const;

    // Runs a command to its end with its output in a log file, not a pipe: Wine's helper
    // processes (explorer, services) inherit the output and outlive the command, so a pipe
    // would never reach its end. Returns the output; `finished` is false on a timeout.
    struct Output {
        bool finished = false;
        int exitCode = -1;
        std::string text;
    };
    Output runToEnd(const std::vector<std::string>& argv,
                    std::chrono::milliseconds timeout = std::chrono::seconds(30));

  private:
    int runs_ = 0;
    std::unique_ptr<testsupport::XSession> x_;
    std::string prefix_;
    pid_t server_ = 0;
};

// X windows of a Windows program: `exe` as Wine names its class ("sorvane.exe").
Window findProgramWindow(Display* d, const std::string& exe, const std::string& name);
// Viewable override-redirect windows of the program without a name: its open pop-up menus,
// leftmost first.
std::vector<Window> findPopupMenus(Display* d, const std::string& exe);
// Asks the window manager to give `w` the focus (_NET_ACTIVE_WINDOW, as a pager does).
void activate(Display* d, Window w);
Window activeWindow(Display* d);

} // namespace sorvane::wine
