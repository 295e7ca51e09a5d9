// A private X desktop for one end-to-end test, torn down by PID whatever happens.
//
//   #include "support/x_session.h"
//   using namespace sorvane::testsupport;
//   XSession s({.wm = Wm::Openbox, .tint2 = true, .pcmanfmDesktop = true});
//   Display* d = s.display();                    // the helper's own Xlib connection
//   pid_t gauge = s.spawn({"./sorvane"});        // DISPLAY, dbus, HOME set for it
//   pid_t g2 = s.spawn(inPowerNamespace(fixture, {"./sorvane"}), "gauge");
//   ASSERT_TRUE(waitUntil([&] { return !findWindowsByClass(d, "sorvane").empty(); }));
//   tapKey(d, XK_F8);  auto shot = grab(d);  shot.writePpm(s.path("shot.ppm"));
//
// The constructor picks a free display number (:20 upward, never :0, skipping any with a
// /tmp/.X<n>-lock), starts Xvfb (1024x768x24, XTEST, Composite, RANDR; resizable: an Xephyr in
// it, on a display number of its own), waits until it accepts connections, starts `dbus-launch`,
// then the requested window manager, panels, desktop and compositor, each waited for by a condition
// (WM_S0 owned, a dock or desktop window mapped, _NET_WM_CM_S0 owned). It throws std::runtime_error
// (with the component's log) when a part does not come up. Each session has its own HOME and XDG
// folders under a temporary folder (path()), and every child's output goes to path("<name>.log").
// The destructor, SIGINT, SIGTERM and SIGHUP end every process started, by PID.
//
// Command line: the sorvane-xsession tool runs one command inside such a session (see
// xsession_main.cpp), for script tests.
#pragma once

#include "support/process.h"

// Xlib's own typedefs, repeated so this header does not pull in Xlib's macros (None, Bool,
// Status...), which break googletest when included before it.
struct _XDisplay;
typedef struct _XDisplay Display;
typedef unsigned long Window;
typedef unsigned long Atom;

#include <string>
#include <vector>

namespace sorvane::testsupport {

// Xfwm4Compositing: xfwm4 with its own compositor; Kwin: kwin_x11.
enum class Wm { Off, Openbox, Xfwm4, Xfwm4Compositing, Icewm, Kwin };

// A test's own connection survives windows vanishing under it: its X errors are ignored.
void makeTolerant(Display* d);
void forgetTolerant(Display* d);

struct XSessionOptions {
    Wm wm = Wm::Off;
    bool tint2 = false;
    bool xfcePanel = false;
    bool pcmanfmDesktop = false;
    bool xfdesktop = false;
    bool picom = false;
    int width = 1024;
    int height = 768;
    // The desktop runs in Xephyr nested inside the Xvfb: its screen can then change size under
    // the programs (Xvfb offers one RandR size only).
    bool resizable = false;
    // The colour pcmanfm paints its desktop with ("#rrggbb"); empty: its default, black. A
    // coloured desktop makes its hiding, and what a hidden panel uncovers, show on screen.
    std::string desktopColour = {};
};

class XSession {
  public:
    explicit XSession(XSessionOptions options = {});
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    const std::string& displayName() const { return displayName_; }
    int displayNumber() const { return number_; }
    Display* display() const { return display_; }
    // DISPLAY, DBUS_SESSION_BUS_ADDRESS, HOME and XDG_* for the session's programs.
    const Env& env() const { return env_; }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // Starts a program in the session; its output goes to path(logName + ".log").
    pid_t spawn(const std::vector<std::string>& argv, const std::string& logName = "");
    // Runs a program in the session to its end.
    RunResult run(const std::vector<std::string>& argv,
                  std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Ends one program started by spawn.
    void end(pid_t pid);

    // Sets the screen to one of its RandR sizes (resizable sessions); false when refused.
    bool resizeScreen(int width, int height);

    // The compositor may come and go during a test.
    void startPicom();
    void stopPicom();
    bool picomRunning() const { return picom_ > 0; }

    // Ends the window manager and starts it again (it finds the windows as they are then).
    void restartWm();

    // A component's log, for failure messages.
    std::string log(const std::string& name) const;

  private:
    void startXvfb();
    // Starts an X server on a free display number and connects to it; logs to program.log.
    void startServer(const std::string& program, const std::vector<std::string>& args,
                     const Env& env);
    void startDbus();
    void startWm();
    pid_t startWaited(const std::vector<std::string>& argv, const std::string& name,
                      bool (*ready)(Display*), int timeoutMs = 15000);
    void teardown();

    XSessionOptions options_;
    std::string dir_;
    std::string displayName_;
    int number_ = -1;
    Display* display_ = nullptr;
    Env env_;
    pid_t xvfb_ = 0; // the session's server: Xvfb, or Xephyr when resizable
    pid_t host_ = 0; // the Xvfb that Xephyr shows its screen in
    pid_t dbus_ = 0;
    pid_t picom_ = 0;
    pid_t wm_ = 0;
    std::string wmName_;
    std::vector<pid_t> started_;
};

} // namespace sorvane::testsupport
