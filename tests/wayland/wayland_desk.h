// The real `sorvane` under a real Wayland compositor running headless with Xwayland (sway,
// mutter, KWin), as a throwaway user this process creates and removes (compositors refuse to run
// as root), with its own runtime folder and D-Bus session. The test reaches the gauge through the
// compositor's Xwayland display.
#pragma once

#include "support/process.h"

#include <sys/types.h>

#include <string>
#include <vector>

struct _XDisplay;
typedef struct _XDisplay Display;

namespace sorvane::wayland {

using testsupport::Env;

enum class Compositor { Sway, Mutter, Kwin };

class WaylandDesk {
  public:
    // Throws std::runtime_error, with the compositor's log, when it does not come up.
    explicit WaylandDesk(Compositor compositor);
    ~WaylandDesk();
    WaylandDesk(const WaylandDesk&) = delete;
    WaylandDesk& operator=(const WaylandDesk&) = delete;

    static bool installed(Compositor compositor);
    Display* d() const { return display_; }
    const std::string& displayName() const { return displayName_; }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    std::string log(const std::string& name) const;

    // A program run as the session's user, in its environment.
    pid_t spawn(const std::vector<std::string>& argv, const std::string& logName);
    testsupport::RunResult run(const std::vector<std::string>& argv);
    void end(pid_t pid);

    // The battery the gauge reads (a fixture tree bound over /sys/class/power_supply).
    void battery(int percent);
    pid_t startGauge();
    void stopGauge();
    // xdg-desktop-portal with KDE's backend; false when it does not offer GlobalShortcuts.
    bool startPortal();
    pid_t portal() const { return portal_; }
    // A native Wayland window (foot), which takes the focus.
    pid_t startNativeWindow();

  private:
    std::vector<std::string> asUser(const std::vector<std::string>& argv) const;
    void waitForXwayland();
    void teardown();

    Compositor compositor_;
    std::string dir_, user_, displayName_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    Env env_;
    Display* display_ = nullptr;
    pid_t dbus_ = 0, compositorPid_ = 0, gauge_ = 0, portal_ = 0;
    std::vector<pid_t> started_;
};

} // namespace sorvane::wayland
