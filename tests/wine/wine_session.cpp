#include "wine_session.h"

#include "support/process.h"
#include "support/wait.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace sorvane::wine {

using namespace testsupport;
using namespace std::chrono_literals;

WineSession::WineSession()
    : x_(std::make_unique<XSession>(XSessionOptions{.wm = Wm::Openbox, .picom = true})) {
    prefix_ = x_->path("prefix");
    std::filesystem::create_directories(prefix_);
    // A server of our own in the foreground, so it has a PID to end; every Wine process of the
    // run talks to it and the prefix stays warm between tests.
    server_ =
        x_->spawn({"env", "WINEPREFIX=" + prefix_, SORVANE_WINESERVER, "-f", "-p"}, "wineserver");
    const auto boot = runToEnd(wine({"wineboot", "-i"}), 180s);
    // The registry reaches the disk only when the server leaves: the prefix is ready when
    // wineboot has finished.
    if (!boot.finished)
        throw std::runtime_error("wineboot failed: " + boot.text + x_->log("wineserver"));
}

WineSession::Output WineSession::runToEnd(const std::vector<std::string>& argv,
                                          std::chrono::milliseconds timeout) {
    const std::string name = "run" + std::to_string(++runs_);
    const pid_t pid = x_->spawn(argv, name);
    Output out;
    out.finished = waitUntil([&] { return !isRunning(pid, &out.exitCode); }, timeout, 20ms);
    x_->end(pid);
    out.text = x_->log(name);
    return out;
}

WineSession::~WineSession() {
    run({"env", "WINEPREFIX=" + prefix_, SORVANE_WINESERVER, "-k"}, {}, 10s);
    if (server_) x_->end(server_);
}

std::vector<std::string> WineSession::wine(const std::vector<std::string>& args, bool traced,
                                           const std::string& debug) const {
    // SORVANE_WINEDEBUG=+relay (say) traces the program under test in a failing run.
    const char* trace = traced ? std::getenv("SORVANE_WINEDEBUG") : nullptr;
    std::vector<std::string> argv = {"env", "WINEPREFIX=" + prefix_,
                                     "WINEDEBUG=" + (!debug.empty() ? debug
                                                     : trace        ? std::string(trace)
                                                                    : std::string("-all")),
                                     // No Mono or Gecko installer prompts in a fresh prefix.
                                     "WINEDLLOVERRIDES=mscoree=;mshtml=", SORVANE_WINE};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

std::vector<std::string> WineSession::wineWithPower(const std::string& fixture,
                                                    const std::vector<std::string>& args,
                                                    const std::string& debug) const {
    return inPowerNamespace(fixture, wine(args, true, debug));
}

namespace {
bool overrideRedirect(Display* d, Window w) {
    XWindowAttributes a{};
    return XGetWindowAttributes(d, w, &a) && a.override_redirect;
}

std::vector<Window> rootChildren(Display* d) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    std::vector<Window> out;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) {
        out.assign(children, children + n);
        XFree(children);
    }
    return out;
}
} // namespace

Window findProgramWindow(Display* d, const std::string& exe, const std::string& name) {
    // Wine's class is "sorvane.exe" for both halves, dots included: compare it whole.
    for (Window w : windowsInTree(d, 3))
        if (wmClass(d, w) == exe + "." + exe && wmName(d, w) == name && isViewable(d, w)) return w;
    return 0;
}

std::vector<Window> findPopupMenus(Display* d, const std::string& exe) {
    std::vector<Window> menus;
    for (Window w : rootChildren(d)) {
        if (!isViewable(d, w) || !overrideRedirect(d, w)) continue;
        if (wmClass(d, w) != exe + "." + exe || !wmName(d, w).empty()) continue;
        if (geometry(d, w).width < 20) continue;
        menus.push_back(w);
    }
    std::sort(menus.begin(), menus.end(),
              [&](Window a, Window b) { return geometry(d, a).x < geometry(d, b).x; });
    return menus;
}

void activate(Display* d, Window w) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = atom(d, "_NET_ACTIVE_WINDOW");
    e.xclient.format = 32;
    e.xclient.data.l[0] = 2; // from a pager: the window manager obeys at once
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &e);
    XSync(d, False);
}

Window activeWindow(Display* d) {
    auto p = getProperty(d, DefaultRootWindow(d), "_NET_ACTIVE_WINDOW");
    return p && !p->items.empty() ? p->items[0] : 0;
}

} // namespace sorvane::wine
