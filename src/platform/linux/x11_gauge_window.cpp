// The program's own windows on X11 (any EWMH window manager).
//
//   [~] SetWindowPos(own, HWND_TOPMOST, SWP_NOMOVE | SWP_NOSIZE)   _NET_WM_STATE_ABOVE (client
//       message, or the property before the first map) and a raise; asked again each time the
//       window is shown, since window managers drop it on unmap.
//   [~] ReleaseCapture + SendMessageA(WM_NCLBUTTONDOWN, HTCAPTION)   the runtime's releaseCapture
//       hook, then _NET_WM_MOVERESIZE (move), only while the server says button 1 is down;
//       started without a button, window managers glue the window to the pointer.
//   [~] AnimateWindow(AW_CENTER)   a bounding shape growing from a 1x1 centre rectangle to the
//       whole window, the window at its final place throughout; blocking; flushed per step.
//   [X] GetWindowLongA / SetWindowLongA(GWL_EXSTYLE)   a style word kept per window.
//   [~] SetLayeredWindowAttributes(LWA_ALPHA)   _NET_WM_WINDOW_OPACITY = alpha * 0x01010101
//       (255: deleted), used by a compositor. Alpha 0 also empties the bounding and the input
//       shapes: invisible with or without a compositor (and while one comes or goes), same
//       place and stacking, clicks pass through. The compositor's arrival and departure
//       (_NET_WM_CM_S<n>, XFixes) re-apply every window's alpha.
//   Gaps: without a compositor alpha 1..254 shows the window opaque.
#include "platform/linux/x11_gauge_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace sorvane::linuxos {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

X11GaugeWindow::X11GaugeWindow(XConnection& x) : x_(x) {
    Display* d = x_.display();
    if (!d) return;
    int error = 0;
    if (XFixesQueryExtension(d, &xfixesEvent_, &error)) {
        const std::string cm = "_NET_WM_CM_S" + std::to_string(x_.screen());
        XFixesSelectSelectionInput(d, x_.root(), x_.atom(cm.c_str()),
                                   XFixesSetSelectionOwnerNotifyMask |
                                       XFixesSelectionWindowDestroyNotifyMask |
                                       XFixesSelectionClientCloseNotifyMask);
    } else {
        xfixesEvent_ = -1;
    }
    checkCompositor();
    x_.sync();
}

bool X11GaugeWindow::checkCompositor() {
    const std::string cm = "_NET_WM_CM_S" + std::to_string(x_.screen());
    compositor_ = XGetSelectionOwner(x_.display(), x_.atom(cm.c_str())) != None;
    return compositor_;
}

void X11GaugeWindow::processEvents() {
    Display* d = x_.display();
    if (!d) return;
    // Handling an event makes round trips that may queue more: go on until none is left, so
    // nothing waits in Xlib's queue while the descriptor reads empty.
    while (XPending(d)) {
        bool compositorChanged = false;
        std::vector<Window> mapped;
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (xfixesEvent_ >= 0 && e.type == xfixesEvent_ + XFixesSelectionNotify) {
                compositorChanged = true;
            } else if (e.type == MapNotify && own_.count(e.xmap.window)) {
                mapped.push_back(e.xmap.window);
            }
        }
        if (compositorChanged) {
            const bool before = compositor_;
            if (checkCompositor() != before)
                for (auto [w, alpha] : alpha_)
                    applyOpacity(w);
        }
        for (Window w : mapped)
            reassertOnTop(w);
    }
    XFlush(d);
}

void X11GaugeWindow::addOwnWindow(unsigned long window) {
    if (!x_.display() || !window) return;
    own_.insert(window);
    // To hear of its maps (topmost is asked again) on our connection.
    XSelectInput(x_.display(), window, StructureNotifyMask);
    XFlush(x_.display());
}

void X11GaugeWindow::removeOwnWindow(unsigned long window) {
    own_.erase(window);
    topmost_.erase(window);
    alpha_.erase(window);
    exStyle_.erase(window);
}

void X11GaugeWindow::setSkipTaskbar(unsigned long window) {
    if (!x_.exists(window)) return;
    x_.addState(window, "_NET_WM_STATE_SKIP_TASKBAR");
    x_.addState(window, "_NET_WM_STATE_SKIP_PAGER");
    x_.sync();
}

void X11GaugeWindow::keepOnTop(unsigned long window) {
    topmost_.insert(window);
    askTopmost(window);
}

void X11GaugeWindow::reassertOnTop(unsigned long window) {
    if (topmost_.count(window)) askTopmost(window);
}

void X11GaugeWindow::askTopmost(unsigned long w) {
    if (!x_.exists(w)) return;
    const bool shown = x_.mapped(w);
    x_.addState(w, "_NET_WM_STATE_ABOVE");
    if (shown) XRaiseWindow(x_.display(), w);
    x_.sync();
}

void X11GaugeWindow::place(unsigned long window, bool move, int x, int y, bool size, int cx,
                           int cy) {
    Display* d = x_.display();
    if (move) XMoveWindow(d, window, x, y);
    if (size && cx > 0 && cy > 0)
        XResizeWindow(d, window, static_cast<unsigned>(cx), static_cast<unsigned>(cy));
    x_.sync();
}

bool X11GaugeWindow::startMove(unsigned long window) {
    Display* d = x_.display();
    Window rootReturn = None, child = None;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    // The server's button state, not the toolkit's: a move started with no button down would
    // glue the window to the pointer until the next click.
    if (!XQueryPointer(d, x_.root(), &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask) ||
        !(mask & Button1Mask))
        return false;
    XUngrabPointer(d, CurrentTime);
    // 8: _NET_WM_MOVERESIZE_MOVE; the last 1: asked by an application.
    x_.sendToRoot(window, "_NET_WM_MOVERESIZE", {rootX, rootY, 8, Button1, 1});
    x_.sync();
    return true;
}

bool X11GaugeWindow::reveal(unsigned long window, unsigned time) {
    Display* d = x_.display();
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, window, &a)) return false;
    const int w = a.width, h = a.height;
    const auto setShape = [&](int cw, int ch) {
        XRectangle r{static_cast<short>((w - cw) / 2), static_cast<short>((h - ch) / 2),
                     static_cast<unsigned short>(cw), static_cast<unsigned short>(ch)};
        XShapeCombineRectangles(d, window, ShapeBounding, 0, 0, &r, 1, ShapeSet, YXBanded);
        XFlush(d);
    };
    animating_.insert(window);
    setShape(1, 1);
    if (a.map_state == IsUnmapped) {
        if (showWindow)
            showWindow(window);
        else
            XMapWindow(d, window);
        XFlush(d);
    }
    const auto start = Clock::now();
    const auto total = std::chrono::milliseconds(time);
    for (;;) {
        const auto elapsed = Clock::now() - start;
        if (elapsed >= total) break;
        const double f = std::chrono::duration<double>(elapsed) / total;
        setShape(std::max(1, static_cast<int>(w * f)), std::max(1, static_cast<int>(h * f)));
        if (animationStep) animationStep();
        std::this_thread::sleep_for(std::min<Clock::duration>(16ms, total - elapsed));
    }
    animating_.erase(window);
    // The whole window, or what its opacity asks for.
    if (alpha_.count(window))
        applyOpacity(window);
    else
        XShapeCombineMask(d, window, ShapeBounding, 0, 0, None, ShapeSet);
    x_.sync();
    if (animationStep) animationStep();
    return true;
}

win::LONG X11GaugeWindow::exStyle(unsigned long window) const {
    const auto it = exStyle_.find(window);
    return it == exStyle_.end() ? 0 : it->second;
}

win::LONG X11GaugeWindow::setExStyle(unsigned long window, win::LONG style) {
    const win::LONG previous = exStyle(window);
    exStyle_[window] = style;
    return previous;
}

void X11GaugeWindow::setAlpha(unsigned long window, win::BYTE alpha) {
    alpha_[window] = alpha;
    applyOpacity(window);
}

void X11GaugeWindow::applyOpacity(unsigned long w) {
    Display* d = x_.display();
    const win::BYTE alpha = alpha_[w];
    if (alpha == 255) {
        XDeleteProperty(d, w, x_.atom("_NET_WM_WINDOW_OPACITY"));
    } else {
        const long value = static_cast<long>(alpha * 0x01010101ul);
        XChangeProperty(d, w, x_.atom("_NET_WM_WINDOW_OPACITY"), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
    }
    // Alpha 0 is also an empty shape: invisible whether a compositor runs, arrives or leaves,
    // and clicks fall through to the window below, as with a transparent window on Windows.
    if (!animating_.count(w)) {
        if (alpha == 0)
            XShapeCombineRectangles(d, w, ShapeBounding, 0, 0, nullptr, 0, ShapeSet, YXBanded);
        else
            XShapeCombineMask(d, w, ShapeBounding, 0, 0, None, ShapeSet);
    }
    if (alpha == 0)
        XShapeCombineRectangles(d, w, ShapeInput, 0, 0, nullptr, 0, ShapeSet, YXBanded);
    else
        XShapeCombineMask(d, w, ShapeInput, 0, 0, None, ShapeSet);
    x_.sync();
}

} // namespace sorvane::linuxos
