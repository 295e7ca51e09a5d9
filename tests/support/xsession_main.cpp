// sorvane-xsession: runs one command inside a private X desktop and returns its exit code.
//
//   sorvane-xsession [--wm openbox|xfwm4|xfwm4-compositing|icewm|kwin] [--tint2] [--xfce4-panel]
//   [--pcmanfm-desktop]
//                    [--xfdesktop] [--picom] [--power FIXTURE_DIR] -- COMMAND [ARG...]
//
// The command gets DISPLAY, DBUS_SESSION_BUS_ADDRESS, HOME and XDG_* of the session; with
// --power it runs in a private mount namespace with FIXTURE_DIR over /sys/class/power_supply.
// Every process started is ended by PID when the command ends or this tool is interrupted.
#include "support/x_session.h"

#include <cstring>
#include <iostream>

using namespace sorvane::testsupport;

namespace {
int usage() {
    std::cerr << "usage: sorvane-xsession [--wm openbox|xfwm4|xfwm4-compositing|icewm|kwin] "
                 "[--tint2] [--xfce4-panel] "
                 "[--pcmanfm-desktop] [--xfdesktop] [--picom] [--power DIR] -- COMMAND [ARG...]\n";
    return 2;
}
} // namespace

int main(int argc, char** argv) {
    XSessionOptions options;
    std::string power;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            ++i;
            break;
        } else if (a == "--wm" && i + 1 < argc) {
            const std::string wm = argv[++i];
            if (wm == "openbox")
                options.wm = Wm::Openbox;
            else if (wm == "xfwm4")
                options.wm = Wm::Xfwm4;
            else if (wm == "xfwm4-compositing")
                options.wm = Wm::Xfwm4Compositing;
            else if (wm == "icewm")
                options.wm = Wm::Icewm;
            else if (wm == "kwin")
                options.wm = Wm::Kwin;
            else
                return usage();
        } else if (a == "--tint2") {
            options.tint2 = true;
        } else if (a == "--xfce4-panel") {
            options.xfcePanel = true;
        } else if (a == "--pcmanfm-desktop") {
            options.pcmanfmDesktop = true;
        } else if (a == "--xfdesktop") {
            options.xfdesktop = true;
        } else if (a == "--picom") {
            options.picom = true;
        } else if (a == "--power" && i + 1 < argc) {
            power = argv[++i];
        } else {
            return usage();
        }
    }
    if (i >= argc) return usage();
    std::vector<std::string> command(argv + i, argv + argc);
    if (!power.empty()) command = inPowerNamespace(power, command);
    try {
        XSession session(options);
        // The command's own output stays on ours.
        const RunResult r = session.run(command, std::chrono::minutes(10));
        std::cout << r.out << std::flush;
        std::cerr << r.err << std::flush;
        return r.exitCode;
    } catch (const std::exception& e) {
        std::cerr << "sorvane-xsession: " << e.what() << "\n";
        return 125;
    }
}
