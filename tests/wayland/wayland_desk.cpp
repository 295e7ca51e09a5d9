#include "wayland/wayland_desk.h"

#include "e2e/gauge_desk.h"
#include "support/wait.h"

#include <X11/Xlib.h>

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace sorvane::wayland {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::waitUntil;

namespace {

const char* const kwinBinary = "/usr/bin/kwin_wayland";
const char* const portalBackend = "/usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde";
const char* const portalFrontend = "/usr/libexec/xdg-desktop-portal";

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> cmdline(pid_t pid) {
    std::vector<std::string> args;
    std::string all = slurp("/proc/" + std::to_string(pid) + "/cmdline"), arg;
    std::istringstream in(all);
    while (std::getline(in, arg, '\0'))
        args.push_back(arg);
    return args;
}

// Processes whose real user is `uid`.
std::vector<pid_t> processesOf(uid_t uid) {
    std::vector<pid_t> pids;
    for (const auto& e : fs::directory_iterator("/proc")) {
        const std::string name = e.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        struct stat st {};
        if (::stat(e.path().c_str(), &st) == 0 && st.st_uid == uid)
            pids.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    return pids;
}

} // namespace

bool WaylandDesk::installed(Compositor c) {
    switch (c) {
    case Compositor::Sway:
        return ::access("/usr/bin/sway", X_OK) == 0;
    case Compositor::Mutter:
        return ::access("/usr/bin/mutter", X_OK) == 0;
    case Compositor::Kwin:
        return ::access(kwinBinary, R_OK) == 0;
    }
    return false;
}

WaylandDesk::WaylandDesk(Compositor compositor) : compositor_(compositor) {
    char tmpl[] = "/tmp/sorvane-wayland-XXXXXX";
    if (!::mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    ::chmod(dir_.c_str(), 0755);
    try {
        uid_ = ::getuid();
        gid_ = ::getgid();
        if (uid_ == 0) {
            user_ = "sorvwl" + std::to_string(::getpid());
            const auto made = testsupport::run(
                {"useradd", "-M", "-d", path("home"), "-s", "/usr/sbin/nologin", user_});
            if (made.exitCode != 0) throw std::runtime_error("useradd: " + made.err);
            const passwd* pw = ::getpwnam(user_.c_str());
            if (!pw) throw std::runtime_error("no user " + user_);
            uid_ = pw->pw_uid;
            gid_ = pw->pw_gid;
        }
        for (const char* sub : {"home", "run", "power_supply"}) {
            fs::create_directory(path(sub));
            if (::chown(path(sub).c_str(), uid_, gid_) != 0) throw std::runtime_error("chown");
        }
        ::chmod(path("run").c_str(), 0700);
        const char* desktop = compositor == Compositor::Kwin     ? "KDE"
                              : compositor == Compositor::Mutter ? "GNOME"
                                                                 : "sway";
        env_ = {"HOME=" + path("home"),
                "XDG_RUNTIME_DIR=" + path("run"),
                "XDG_CONFIG_HOME=" + path("home/.config"),
                "XDG_DATA_HOME=" + path("home/.local/share"),
                "XDG_CACHE_HOME=" + path("home/.cache"),
                "DBUS_SESSION_BUS_ADDRESS=unix:path=" + path("run/bus"),
                "XDG_SESSION_TYPE=wayland",
                "XDG_CURRENT_DESKTOP=" + std::string(desktop),
                "WAYLAND_DISPLAY=wayland-sorvane",
                "DISPLAY=",
                "XAUTHORITY="};
        dbus_ = spawn(
            {"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + path("run/bus")},
            "dbus");
        if (!waitUntil([&] { return fs::exists(path("run/bus")); }, 10s))
            throw std::runtime_error("no session bus: " + log("dbus"));

        std::vector<std::string> argv{"env", "-u", "WAYLAND_DISPLAY"};
        switch (compositor) {
        case Compositor::Sway:
            std::ofstream(path("sway.conf")) << "xwayland force\n"
                                             << "output HEADLESS-1 resolution 1024x768\n";
            argv.insert(argv.end(), {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
                                     "WLR_RENDERER=pixman", "sway", "-c", path("sway.conf")});
            break;
        case Compositor::Mutter:
            argv.insert(argv.end(), {"mutter", "--headless", "--wayland", "--virtual-monitor",
                                     "1024x768", "--wayland-display=wayland-sorvane"});
            break;
        case Compositor::Kwin:
            // The installed binary carries a file capability that a container refuses; a copy
            // does not.
            fs::copy_file(kwinBinary, path("kwin_wayland"));
            argv.insert(argv.end(), {path("kwin_wayland"), "--virtual", "--xwayland", "--socket",
                                     "wayland-sorvane", "--width", "1024", "--height", "768"});
            break;
        }
        compositorPid_ = spawn(argv, "compositor");
        waitForXwayland();
    } catch (...) {
        teardown();
        throw;
    }
}

WaylandDesk::~WaylandDesk() {
    teardown();
}

std::vector<std::string> WaylandDesk::asUser(const std::vector<std::string>& argv) const {
    if (user_.empty()) return argv;
    std::vector<std::string> out{
        "setpriv",        "--reuid", std::to_string(uid_), "--regid", std::to_string(gid_),
        "--clear-groups", "--"};
    out.insert(out.end(), argv.begin(), argv.end());
    return out;
}

pid_t WaylandDesk::spawn(const std::vector<std::string>& argv, const std::string& logName) {
    const pid_t pid = testsupport::spawn(asUser(argv), env_, path(logName + ".log"));
    started_.push_back(pid);
    return pid;
}

testsupport::RunResult WaylandDesk::run(const std::vector<std::string>& argv) {
    return testsupport::run(asUser(argv), env_, 20s);
}

void WaylandDesk::end(pid_t pid) {
    testsupport::endProcess(pid);
    std::erase(started_, pid);
}

std::string WaylandDesk::log(const std::string& name) const {
    return slurp(path(name + ".log"));
}

// Finds the compositor's Xwayland (its child), its display and its authority file, then lets
// this process's own connection in.
void WaylandDesk::waitForXwayland() {
    std::string auth;
    const bool found = waitUntil(
        [&] {
            if (!testsupport::isRunning(compositorPid_)) return false;
            for (pid_t pid : processesOf(uid_)) {
                // wlroots double-forks its Xwayland: know it by its runtime folder.
                const std::string environ = slurp("/proc/" + std::to_string(pid) + "/environ");
                if (environ.find("XDG_RUNTIME_DIR=" + path("run") + '\0') == std::string::npos)
                    continue;
                const auto args = cmdline(pid);
                if (args.empty() || fs::path(args[0]).filename() != "Xwayland") continue;
                for (std::size_t i = 1; i < args.size(); ++i) {
                    if (args[i].size() > 1 && args[i][0] == ':') displayName_ = args[i];
                    if (args[i] == "-auth" && i + 1 < args.size()) auth = args[i + 1];
                }
                return !displayName_.empty();
            }
            return false;
        },
        20s, 50ms);
    if (!found) throw std::runtime_error("no Xwayland: " + log("compositor"));
    for (auto& e : env_) {
        if (e.starts_with("DISPLAY=")) e = "DISPLAY=" + displayName_;
        if (e.starts_with("XAUTHORITY=")) e = "XAUTHORITY=" + auth;
    }
    // The server takes connections a little after it is started; then the session's user lets
    // this process's user in (root here).
    const bool open = waitUntil(
        [&] {
            if (!user_.empty() && run({"xhost", "+si:localuser:root"}).exitCode != 0) return false;
            display_ = XOpenDisplay(displayName_.c_str());
            return display_ != nullptr;
        },
        20s, 100ms);
    if (!open) throw std::runtime_error("cannot open " + displayName_ + ": " + log("compositor"));
    testsupport::makeTolerant(display_);
    // The Wayland socket, for native clients.
    const fs::path socket = path("run/wayland-sorvane");
    std::string name = "wayland-sorvane";
    if (!fs::exists(socket))
        for (const auto& e : fs::directory_iterator(path("run")))
            if (e.path().filename().string().starts_with("wayland-") &&
                e.path().extension() != ".lock")
                name = e.path().filename();
    for (auto& e : env_)
        if (e.starts_with("WAYLAND_DISPLAY=")) e = "WAYLAND_DISPLAY=" + name;
}

void WaylandDesk::battery(int percent) {
    e2e::PowerTree tree(path("power_supply"));
    tree.onBattery(percent);
    testsupport::run({"chmod", "-R", "a+rX", path("power_supply")});
}

pid_t WaylandDesk::startGauge() {
    // The binary where the session's user can read it.
    if (!fs::exists(path("sorvane"))) fs::copy_file(SORVANE_BINARY, path("sorvane"));
    std::ofstream(path("asound.conf"))
        << "</usr/share/alsa/alsa.conf>\n"
        << "pcm.!default { type file; slave { pcm { type null } } file \"| cat >> "
        << path("home/beep.raw") << "\" format raw }\n";
    const auto argv = testsupport::inPowerNamespace(
        path("power_supply"),
        asUser({"env", "ALSA_CONFIG_PATH=" + path("asound.conf"), path("sorvane")}));
    gauge_ = testsupport::spawn(argv, env_, path("sorvane.log"));
    started_.push_back(gauge_);
    return gauge_;
}

void WaylandDesk::stopGauge() {
    if (gauge_) end(gauge_);
    gauge_ = 0;
}

bool WaylandDesk::startPortal() {
    if (::access(portalBackend, X_OK) != 0 || ::access(portalFrontend, X_OK) != 0) return false;
    spawn({"env", "QT_QPA_PLATFORM=wayland", portalBackend}, "portal-kde");
    const auto offered = [&] {
        return run({"dbus-send", "--session", "--print-reply",
                    "--dest=org.freedesktop.impl.portal.desktop.kde",
                    "/org/freedesktop/portal/desktop", "org.freedesktop.DBus.Peer.Ping"})
                   .exitCode == 0;
    };
    if (!waitUntil(offered, 15s, 50ms)) return false;
    portal_ = spawn({portalFrontend}, "portal");
    return waitUntil(
        [&] {
            return run({"dbus-send", "--session", "--print-reply",
                        "--dest=org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                        "org.freedesktop.DBus.Properties.Get",
                        "string:org.freedesktop.portal.GlobalShortcuts", "string:version"})
                       .exitCode == 0;
        },
        15s, 100ms);
}

pid_t WaylandDesk::startNativeWindow() {
    return spawn({"foot", "sleep", "600"}, "foot");
}

void WaylandDesk::teardown() {
    if (display_) {
        testsupport::forgetTolerant(display_);
        XCloseDisplay(display_);
    }
    display_ = nullptr;
    for (auto it = started_.rbegin(); it != started_.rend(); ++it)
        testsupport::endProcess(*it, 1s);
    started_.clear();
    if (!user_.empty()) {
        // What the bus started for the session (the permission store, ...), by PID.
        const auto gone = [&] {
            testsupport::endOrphans();
            return processesOf(uid_).empty();
        };
        for (pid_t pid : processesOf(uid_))
            ::kill(pid, SIGTERM);
        if (!waitUntil(gone, 1s))
            for (pid_t pid : processesOf(uid_))
                ::kill(pid, SIGKILL);
        waitUntil(gone, 2s);
        // Lock files and sockets a killed Xwayland leaves in the shared /tmp.
        std::error_code ec;
        for (const auto& [where, prefix] : {std::pair{"/tmp", ".X"}, {"/tmp/.X11-unix", "X"}})
            for (const auto& e : fs::directory_iterator(where, ec)) {
                struct stat st {};
                if (::lstat(e.path().c_str(), &st) == 0 && st.st_uid == uid_ &&
                    e.path().filename().string().starts_with(prefix))
                    fs::remove(e.path(), ec);
            }
    }
    testsupport::endOrphans();
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
    if (!user_.empty()) testsupport::run({"userdel", user_});
    user_.clear();
}

} // namespace sorvane::wayland
