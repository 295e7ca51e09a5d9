// Windows the X11 tests create on their own connection: fake panels with hand-made (and
// malformed) properties, coloured backgrounds, stand-ins for the program's own windows.
#pragma once

#include "support/wait.h"
#include "support/x_helpers.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>
#include <vector>

namespace sorvane::testwindows {

struct Spec {
    int x = 0, y = 0;
    unsigned width = 100, height = 30;
    unsigned long rgb = 0x808080;
    const char* type = nullptr; // "DOCK", "DESKTOP", ...
    bool wmClass = true;
    bool overrideRedirect = false;
    bool map = true;
    // Frameless, as the gauge is: the window manager draws no border or title around it.
    bool decorated = false;
    std::vector<const char*> states = {}; // _NET_WM_STATE_* suffixes set before the map
};

inline Window make(Display* d, const Spec& s) {
    XSetWindowAttributes a{};
    a.background_pixel = s.rgb;
    a.override_redirect = s.overrideRedirect;
    const Window w =
        XCreateWindow(d, DefaultRootWindow(d), s.x, s.y, s.width, s.height, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWBackPixel | CWOverrideRedirect, &a);
    XSizeHints hints{};
    hints.flags = USPosition | USSize;
    hints.x = s.x;
    hints.y = s.y;
    hints.width = static_cast<int>(s.width);
    hints.height = static_cast<int>(s.height);
    XSetWMNormalHints(d, w, &hints);
    if (s.wmClass) {
        XClassHint cls{const_cast<char*>("sorvane-test"), const_cast<char*>("SorvaneTest")};
        XSetClassHint(d, w, &cls);
    }
    if (s.type) {
        const std::string name = std::string("_NET_WM_WINDOW_TYPE_") + s.type;
        const long type = static_cast<long>(XInternAtom(d, name.c_str(), False));
        XChangeProperty(d, w, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&type), 1);
    }
    if (!s.decorated) {
        const long motif[5] = {2, 0, 0, 0, 0}; // flags: decorations; decorations: none
        const Atom hints = XInternAtom(d, "_MOTIF_WM_HINTS", False);
        XChangeProperty(d, w, hints, hints, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(motif), 5);
    }
    if (!s.states.empty()) {
        std::vector<long> atoms;
        for (const char* st : s.states)
            atoms.push_back(static_cast<long>(
                XInternAtom(d, (std::string("_NET_WM_STATE_") + st).c_str(), False)));
        XChangeProperty(d, w, XInternAtom(d, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(atoms.data()),
                        static_cast<int>(atoms.size()));
    }
    if (s.map) {
        XMapWindow(d, w);
        XSync(d, False);
        testsupport::waitUntil([&] { return testsupport::isViewable(d, w); });
    }
    XSync(d, False);
    return w;
}

} // namespace sorvane::testwindows
