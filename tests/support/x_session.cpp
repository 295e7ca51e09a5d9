#include "support/x_session.h"

#include "support/wait.h"
#include "support/x_helpers.h"

#include <X11/Xlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace sorvane::testsupport {
namespace {

XErrorHandler g_previousHandler = nullptr;
std::vector<Display*> g_tolerant; // the helpers' connections: windows vanish under tests

extern "C" int tolerantHandler(Display* d, XErrorEvent* e) {
    for (Display* mine : g_tolerant)
        if (mine == d) return 0;
    return g_previousHandler ? g_previousHandler(d, e) : 0;
}

using namespace std::chrono_literals;

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

// A window manager owns WM_S0 early in its start-up; it is ready once it announces itself with
// _NET_SUPPORTING_WM_CHECK (openbox ignores windows mapped in between).
bool wmReady(Display* d) {
    if (selectionOwner(d, "WM_S0") == None) return false;
    const auto check = getProperty(d, DefaultRootWindow(d), "_NET_SUPPORTING_WM_CHECK");
    return check && check->format == 32 && !check->items.empty() && check->items[0] != None;
}
bool dockReady(Display* d) {
    return !findViewableByType(d, "DOCK").empty();
}
bool desktopReady(Display* d) {
    return !findViewableByType(d, "DESKTOP").empty();
}
bool compositorReady(Display* d) {
    return selectionOwner(d, "_NET_WM_CM_S0") != None;
}

// xfce4-panel asks on its first start whether to use the default layout; a channel file
// answers that question before it is put.
void seedXfcePanel(const std::string& configHome) {
    const std::string dir = configHome + "/xfce4/xfconf/xfce-perchannel-xml";
    std::filesystem::create_directories(dir);
    const char* system = "/etc/xdg/xfce4/panel/default.xml";
    if (exists(system))
        std::filesystem::copy_file(system, dir + "/xfce4-panel.xml",
                                   std::filesystem::copy_options::overwrite_existing);
}

// Some window managers announce themselves before they manage new windows (openbox drops map
// requests that come during its start-up): map a probe window until one gets a frame.
bool wmManagesNewWindows(Display* d, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const Window probe = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
        XMapWindow(d, probe);
        XSync(d, False);
        const bool framed = waitUntil(
            [&] { return parentOf(d, probe) != DefaultRootWindow(d) && isViewable(d, probe); },
            300ms);
        XDestroyWindow(d, probe);
        XSync(d, False);
        if (framed) return true;
    }
    return false;
}

} // namespace

void makeTolerant(Display* d) {
    if (g_tolerant.empty()) g_previousHandler = XSetErrorHandler(tolerantHandler);
    g_tolerant.push_back(d);
}

void forgetTolerant(Display* d) {
    std::erase(g_tolerant, d);
}

XSession::XSession(XSessionOptions options) : options_(options) {
    char tmpl[] = "/tmp/sorvane-xs-XXXXXX";
    if (!::mkdtemp(tmpl)) throw std::runtime_error("XSession: mkdtemp failed");
    dir_ = tmpl;
    for (const char* sub : {"home", "config", "cache", "data", "runtime"})
        std::filesystem::create_directories(dir_ + "/" + sub);
    ::chmod((dir_ + "/runtime").c_str(), 0700);
    try {
        startXvfb();
        startDbus();
        if (options_.xfcePanel) seedXfcePanel(dir_ + "/config");
        if (!options_.desktopColour.empty()) {
            std::filesystem::create_directories(dir_ + "/config/pcmanfm/default");
            const std::string look = "wallpaper_mode=color\ndesktop_bg=" + options_.desktopColour +
                                     "\ndesktop_fg=#ffffff\n";
            std::ofstream(dir_ + "/config/pcmanfm/default/pcmanfm.conf") << "[desktop]\n" << look;
            std::ofstream(dir_ + "/config/pcmanfm/default/desktop-items-0.conf") << "[*]\n" << look;
        }
        if (options_.wm == Wm::Openbox)
            startWaited({"openbox", "--sm-disable"}, "openbox", wmReady);
        startWm();
        if (options_.wm != Wm::Off && !wmManagesNewWindows(display_, 15s))
            throw std::runtime_error("XSession: the window manager does not manage windows\n" +
                                     log(wmName_));
        if (options_.tint2) startWaited({"tint2"}, "tint2", dockReady);
        if (options_.xfcePanel)
            startWaited({"xfce4-panel", "--sm-client-disable"}, "xfce4-panel", dockReady);
        if (options_.pcmanfmDesktop) startWaited({"pcmanfm", "--desktop"}, "pcmanfm", desktopReady);
        if (options_.xfdesktop)
            startWaited({"xfdesktop", "--sm-client-disable"}, "xfdesktop", desktopReady);
        if (options_.picom) startPicom();
    } catch (...) {
        teardown();
        throw;
    }
}

void XSession::startWm() {
    switch (options_.wm) {
    case Wm::Off:
        return;
    case Wm::Openbox:
        wmName_ = "openbox";
        wm_ = startWaited({"openbox", "--sm-disable"}, wmName_, wmReady);
        return;
    case Wm::Xfwm4:
    case Wm::Xfwm4Compositing:
        wmName_ = "xfwm4";
        // Its compositor waits for vertical blanks that a virtual screen never sends.
        wm_ =
            startWaited({"xfwm4", options_.wm == Wm::Xfwm4 ? "--compositor=off" : "--compositor=on",
                         "--vblank=off", "--sm-client-disable"},
                        wmName_, wmReady);
        return;
    case Wm::Icewm:
        wmName_ = "icewm";
        wm_ = startWaited({"icewm"}, wmName_, wmReady);
        return;
    case Wm::Kwin: {
        wmName_ = "kwin_x11";
        // The packaged binary carries a file capability that a container may refuse to run;
        // a copy has none.
        const std::string copy = path("kwin_x11");
        std::filesystem::copy_file("/usr/bin/kwin_x11", copy,
                                   std::filesystem::copy_options::overwrite_existing);
        wm_ = startWaited({"env", "KWIN_X11_NO_SYNC_TO_VBLANK=1", copy, "--replace"}, wmName_,
                          wmReady, 30000);
        return;
    }
    }
}

void XSession::restartWm() {
    if (wm_) end(wm_);
    wm_ = 0;
    startWm();
}

XSession::~XSession() {
    teardown();
}

void XSession::startXvfb() {
    const std::string size = std::to_string(options_.width) + "x" + std::to_string(options_.height);
    const std::vector<std::string> extensions{"-nolisten",  "tcp",   "-ac",        "-noreset",
                                              "+extension", "XTEST", "+extension", "Composite",
                                              "+extension", "RANDR", "+extension", "XFIXES"};
    std::vector<std::string> xvfb{"-screen", "0", size + "x24"};
    xvfb.insert(xvfb.end(), extensions.begin(), extensions.end());
    startServer("Xvfb", xvfb, {});
    if (!options_.resizable) return;
    // Xephyr's screen lives in a window of the Xvfb; the desktop's programs see only Xephyr.
    host_ = xvfb_;
    const std::string host = displayName_;
    forgetTolerant(display_);
    XCloseDisplay(display_);
    display_ = nullptr;
    std::vector<std::string> xephyr{"-screen", size, "-resizeable"};
    xephyr.insert(xephyr.end(), extensions.begin(), extensions.end());
    startServer("Xephyr", xephyr, {"DISPLAY=" + host});
}

void XSession::startServer(const std::string& program, const std::vector<std::string>& args,
                           const Env& env) {
    // Spread concurrent test processes over the range so they rarely try the same number.
    const int first = 20 + static_cast<int>((::getpid() + (host_ ? 1 : 0)) % 400);
    for (int i = 0; i < 400; ++i) {
        const int n = 20 + (first - 20 + i) % 400;
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        if (exists(lock) || exists("/tmp/.X11-unix/X" + std::to_string(n))) continue;
        const std::string name = ":" + std::to_string(n);
        std::vector<std::string> argv{program, name};
        argv.insert(argv.end(), args.begin(), args.end());
        const pid_t pid = testsupport::spawn(argv, env, path(program + ".log"));
        Display* d = nullptr;
        waitUntil(
            [&] {
                if (!isRunning(pid)) return true;
                // Only our own server: a concurrent one may have won this number.
                if (readFile(lock).find(std::to_string(pid)) == std::string::npos) return false;
                d = XOpenDisplay(name.c_str());
                return d != nullptr;
            },
            10s);
        if (!d) {
            endProcess(pid);
            continue;
        }
        xvfb_ = pid;
        number_ = n;
        displayName_ = name;
        display_ = d;
        makeTolerant(display_);
        env_ = {"DISPLAY=" + name,
                "HOME=" + dir_ + "/home",
                "XDG_CONFIG_HOME=" + dir_ + "/config",
                "XDG_CACHE_HOME=" + dir_ + "/cache",
                "XDG_DATA_HOME=" + dir_ + "/data",
                "XDG_RUNTIME_DIR=" + dir_ + "/runtime",
                "XDG_SESSION_TYPE=x11",
                "XDG_CURRENT_DESKTOP",
                "WAYLAND_DISPLAY",
                "NO_AT_BRIDGE=1",
                "GTK_A11Y=none",
                "QT_QPA_PLATFORM=xcb"};
        return;
    }
    throw std::runtime_error("XSession: no free X display between :20 and :419\n" +
                             readFile(path(program + ".log")));
}

bool XSession::resizeScreen(int width, int height) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    return run({"xrandr", "-s", size}, 10s).exitCode == 0;
}

void XSession::startDbus() {
    // --exit-with-x11: the bus also ends with the X server, even when this process is killed
    // outright (Xvfb, our own child, goes with us).
    const RunResult r = run({"dbus-launch", "--sh-syntax", "--exit-with-x11"}, 10s);
    const auto value = [&](const std::string& key) -> std::string {
        const auto at = r.out.find(key + "='");
        if (at == std::string::npos) return {};
        const auto begin = at + key.size() + 2;
        return r.out.substr(begin, r.out.find('\'', begin) - begin);
    };
    const std::string address = value("DBUS_SESSION_BUS_ADDRESS");
    if (r.exitCode != 0 || address.empty())
        throw std::runtime_error("XSession: dbus-launch failed (" + std::to_string(r.exitCode) +
                                 "): " + r.out + r.err);
    const auto pidAt = r.out.find("DBUS_SESSION_BUS_PID=");
    if (pidAt != std::string::npos)
        dbus_ = static_cast<pid_t>(std::atoi(r.out.c_str() + pidAt + 21));
    env_.push_back("DBUS_SESSION_BUS_ADDRESS=" + address);
}

pid_t XSession::startWaited(const std::vector<std::string>& argv, const std::string& name,
                            bool (*ready)(Display*), int timeoutMs) {
    const pid_t pid = spawn(argv, name);
    bool up = waitUntil([&] { return ready(display_) || !isRunning(pid); },
                        std::chrono::milliseconds(timeoutMs), 20ms);
    if (!up || !isRunning(pid))
        throw std::runtime_error("XSession: " + name + " did not come up on " + displayName_ +
                                 "\n" + log(name));
    return pid;
}

pid_t XSession::spawn(const std::vector<std::string>& argv, const std::string& logName) {
    const std::string name =
        logName.empty() ? argv.front().substr(argv.front().rfind('/') + 1) : logName;
    const pid_t pid = testsupport::spawn(argv, env_, path(name + ".log"));
    started_.push_back(pid);
    return pid;
}

RunResult XSession::run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
    return testsupport::run(argv, env_, timeout);
}

void XSession::end(pid_t pid) {
    endProcess(pid);
    std::erase(started_, pid);
    if (pid == picom_) picom_ = 0;
}

void XSession::startPicom() {
    if (picom_) return;
    picom_ = startWaited({"picom", "--backend", "xrender", "--config", "/dev/null"}, "picom",
                         compositorReady);
}

void XSession::stopPicom() {
    if (!picom_) return;
    end(picom_);
    waitUntil([&] { return !compositorReady(display_); }, 5s);
}

std::string XSession::log(const std::string& name) const {
    return readFile(path(name + ".log"));
}

void XSession::teardown() {
    for (auto it = started_.rbegin(); it != started_.rend(); ++it)
        endProcess(*it);
    started_.clear();
    picom_ = 0;
    if (dbus_ > 0) endProcess(dbus_);
    dbus_ = 0;
    if (display_) {
        forgetTolerant(display_);
        if (isRunning(xvfb_)) XCloseDisplay(display_);
        display_ = nullptr;
    }
    if (xvfb_ > 0) endProcess(xvfb_);
    xvfb_ = 0;
    if (host_ > 0) endProcess(host_);
    host_ = 0;
    // What is left re-parented to us: dbus-launch's watcher (it leaves with the X server),
    // services the bus started.
    endOrphans();
    if (!dir_.empty() && !std::getenv("SORVANE_KEEP_SESSION")) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
}

} // namespace sorvane::testsupport
