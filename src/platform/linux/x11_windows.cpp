// The shell windows and the program's own windows on X11 (any EWMH window manager).
//
//   [~] FindWindowA("Shell_traywnd", "")   the panels: windows whose _NET_WM_WINDOW_TYPE holds
//       _DOCK, found by walking the tree from the root (root, frame, client), since a hidden
//       panel has left _NET_CLIENT_LIST. Override-redirect windows and windows without WM_CLASS
//       are skipped (openbox's 1x1 dock helper). Several panels: the handle returned is the
//       lowest window id, and hiding or showing it acts on every panel found at that moment.
//   [~] FindWindowA("Progman", "Program Manager")   the desktop-icons window(s):
//       _NET_WM_WINDOW_TYPE_DESKTOP, found and handled the same way.
//   [~] SetWindowPos(SWP_HIDEWINDOW / SWP_SHOWWINDOW), ShowWindow(SW_HIDE / SW_SHOW)   hide: the
//       window's _NET_WM_STATE and place are copied into private properties on the window,
//       then it is withdrawn (the window manager deletes _NET_WM_STATE then). Show: wait
//       (bounded) until the withdraw is complete, write the state back, map, and put the window
//       back where it was if the window manager placed it elsewhere. Hiding a hidden window or
//       showing a shown one does nothing. The program keeps no state: all is on the window.
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
//   Errors: a window that vanishes between finding and acting raises no fatal X error.
//   Gaps: without a compositor alpha 1..254 shows the window opaque.
//   Wayland/XWayland: only XWayland windows are reached; native panels and desktops are not
//       found (every shell call is silently without effect).
#include "platform/linux/x11_windows.h"

#include "platform/linux/x11_properties.h"
#include "platform/linux/x_errors.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

namespace sorvane::linuxos {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kSavedState = "_SORVANE_SAVED_WM_STATE";
constexpr const char* kSavedGeometry = "_SORVANE_SAVED_GEOMETRY";
constexpr auto kWithdrawWait = 1000ms;
constexpr auto kMapWait = 1000ms;

// One property as XGetWindowProperty hands it, freed on scope exit.
class RawProperty {
  public:
    RawProperty(Display* d, Window w, Atom property) {
        unsigned char* data = nullptr;
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        // Enough for any sane list; a longer one is reported through bytesAfter and refused.
        if (XGetWindowProperty(d, w, property, 0, kMaxPropertyItems, False, AnyPropertyType, &type,
                               &format, &count, &after, &data) != Success) {
            data = nullptr;
            type = None;
        }
        data_ = data;
        value_.type = type;
        value_.format = format;
        value_.count = count;
        value_.bytesAfter = after;
        std::size_t size = 0;
        if (data) {
            if (format == 32)
                size = count * sizeof(long);
            else if (format == 16)
                size = count * sizeof(short);
            else if (format == 8)
                size = count;
        }
        value_.bytes = std::span<const unsigned char>(data, size);
    }
    ~RawProperty() {
        if (data_) XFree(data_);
    }
    RawProperty(const RawProperty&) = delete;
    RawProperty& operator=(const RawProperty&) = delete;
    const PropertyValue& value() const { return value_; }

  private:
    unsigned char* data_ = nullptr;
    PropertyValue value_;
};

Display* dpy(_XDisplay* d) {
    return d;
}

// Events read into Xlib's queue during an operation's round trips are handled before it returns.
struct PumpOnExit {
    X11Windows& windows;
    ~PumpOnExit() { windows.processEvents(); }
};

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(2ms);
    }
}

std::vector<long> asLongs(const std::vector<unsigned long>& v) {
    return std::vector<long>(v.begin(), v.end());
}

} // namespace

X11Windows::X11Windows(const std::string& displayName) {
    display_ = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!display_) return;
    tolerateErrorsOn(display_);
    screen_ = DefaultScreen(dpy(display_));
    root_ = RootWindow(dpy(display_), screen_);
    int error = 0;
    if (XFixesQueryExtension(dpy(display_), &xfixesEvent_, &error)) {
        const std::string cm = "_NET_WM_CM_S" + std::to_string(screen_);
        XFixesSelectSelectionInput(dpy(display_), root_, atom(cm.c_str()),
                                   XFixesSetSelectionOwnerNotifyMask |
                                       XFixesSelectionWindowDestroyNotifyMask |
                                       XFixesSelectionClientCloseNotifyMask);
    } else {
        xfixesEvent_ = -1;
    }
    checkCompositor();
    XSync(dpy(display_), False);
}

X11Windows::~X11Windows() {
    if (!display_) return;
    XCloseDisplay(dpy(display_));
    stopToleratingErrorsOn(display_);
}

int X11Windows::connectionFd() const {
    return display_ ? ConnectionNumber(dpy(display_)) : -1;
}

unsigned long X11Windows::atom(const char* name) {
    auto it = atoms_.find(name);
    if (it != atoms_.end()) return it->second;
    const Atom a = XInternAtom(dpy(display_), name, False);
    atoms_[name] = a;
    return a;
}

bool X11Windows::checkCompositor() {
    const std::string cm = "_NET_WM_CM_S" + std::to_string(screen_);
    compositor_ = XGetSelectionOwner(dpy(display_), atom(cm.c_str())) != None;
    return compositor_;
}

void X11Windows::processEvents() {
    if (!display_) return;
    Display* d = dpy(display_);
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
            if (topmost_.count(w)) askTopmost(w);
    }
    XFlush(d);
}

void X11Windows::addOwnWindow(win::HWND window) {
    if (!display_ || !window) return;
    own_.insert(window);
    // To hear of its maps (topmost is asked again) on our connection.
    XSelectInput(dpy(display_), window, StructureNotifyMask);
    XFlush(dpy(display_));
}

void X11Windows::removeOwnWindow(win::HWND window) {
    own_.erase(window);
    topmost_.erase(window);
    alpha_.erase(window);
    exStyle_.erase(window);
}

void X11Windows::setSkipTaskbar(win::HWND window) {
    if (!display_ || !exists(window)) return;
    Display* d = dpy(display_);
    RawProperty current(d, window, atom("_NET_WM_STATE"));
    std::vector<unsigned long> state =
        parseAtomList(current.value(), XA_ATOM).value_or(std::vector<unsigned long>{});
    for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        const unsigned long a = atom(name);
        if (std::find(state.begin(), state.end(), a) == state.end()) state.push_back(a);
    }
    const auto longs = asLongs(state);
    XChangeProperty(d, window, atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(longs.data()),
                    static_cast<int>(longs.size()));
    XSync(d, False);
}

bool X11Windows::exists(unsigned long window) {
    if (!display_ || !window) return false;
    XWindowAttributes a;
    return XGetWindowAttributes(dpy(display_), window, &a) != 0;
}

std::vector<unsigned long> X11Windows::findShellWindows(ShellKind kind) {
    Display* d = dpy(display_);
    const unsigned long wanted =
        atom(kind == ShellKind::Dock ? "_NET_WM_WINDOW_TYPE_DOCK" : "_NET_WM_WINDOW_TYPE_DESKTOP");
    std::vector<unsigned long> found;
    std::vector<std::pair<Window, int>> todo{{root_, 0}};
    while (!todo.empty()) {
        const auto [w, depth] = todo.back();
        todo.pop_back();
        if (depth > 0 && !own_.count(w)) {
            XWindowAttributes a;
            if (XGetWindowAttributes(d, w, &a) && !a.override_redirect &&
                parseHasWmClass(RawProperty(d, w, XA_WM_CLASS).value(), XA_STRING)) {
                const auto types =
                    parseAtomList(RawProperty(d, w, atom("_NET_WM_WINDOW_TYPE")).value(), XA_ATOM);
                if (types && std::find(types->begin(), types->end(), wanted) != types->end())
                    found.push_back(w);
            }
        }
        if (depth >= 3) continue;
        Window rootReturn = None, parent = None, *children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(d, w, &rootReturn, &parent, &children, &n)) continue;
        for (unsigned i = 0; i < n; ++i)
            todo.push_back({children[i], depth + 1});
        if (children) XFree(children);
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

std::vector<unsigned long> X11Windows::sameKindAs(unsigned long window) {
    for (ShellKind kind : {ShellKind::Dock, ShellKind::Desktop}) {
        auto all = findShellWindows(kind);
        if (std::find(all.begin(), all.end(), window) != all.end()) return all;
    }
    return {window};
}

win::HWND X11Windows::FindWindowA(const char* className, const char* windowName) {
    if (!display_ || !className) return 0;
    processEvents();
    const PumpOnExit pump{*this};
    std::string cls(className);
    std::transform(cls.begin(), cls.end(), cls.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::vector<unsigned long> found;
    // The taskbar has an empty title and the desktop window "Program Manager"; another title
    // names no shell window.
    if (cls == "shell_traywnd" && (!windowName || !*windowName))
        found = findShellWindows(ShellKind::Dock);
    else if (cls == "progman" && (!windowName || std::strcmp(windowName, "Program Manager") == 0))
        found = findShellWindows(ShellKind::Desktop);
    return found.empty() ? 0 : found.front();
}

bool X11Windows::waitWithdrawn(unsigned long w) {
    Display* d = dpy(display_);
    const auto parentOf = [&] {
        Window rootReturn = None, parent = None, *children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(d, w, &rootReturn, &parent, &children, &n)) return Window(None);
        if (children) XFree(children);
        return parent;
    };
    return waitFor(
        [&] {
            if (parentOf() != root_) return false;
            RawProperty wmState(d, w, atom("WM_STATE"));
            const auto& v = wmState.value();
            if (v.type == None) return true;
            if (v.format != 32 || v.count < 1 || v.bytes.size() < sizeof(long)) return true;
            long state = 0;
            std::memcpy(&state, v.bytes.data(), sizeof state);
            return state == WithdrawnState;
        },
        kWithdrawWait);
}

bool X11Windows::hide(unsigned long w) {
    Display* d = dpy(display_);
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) return false;
    RawProperty saved(d, w, atom(kSavedState));
    if (a.map_state == IsUnmapped && saved.value().type != None) return true; // already hidden
    // The window manager deletes _NET_WM_STATE on withdraw: keep a copy on the window itself.
    RawProperty state(d, w, atom("_NET_WM_STATE"));
    const auto atoms = parseAtomList(state.value(), XA_ATOM).value_or(std::vector<unsigned long>{});
    const auto longs = asLongs(atoms);
    XChangeProperty(d, w, atom(kSavedState), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(longs.data()),
                    static_cast<int>(longs.size()));
    int x = 0, y = 0;
    Window child = None;
    XTranslateCoordinates(d, w, root_, 0, 0, &x, &y, &child);
    const auto geometry = asLongs(encodeSavedGeometry(
        {x, y, static_cast<std::uint32_t>(a.width), static_cast<std::uint32_t>(a.height)}));
    XChangeProperty(d, w, atom(kSavedGeometry), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(geometry.data()), 4);
    XWithdrawWindow(d, w, screen_);
    XSync(d, False);
    // Settled before returning: while the manager unmanages it, the window is on its way from
    // its frame to the root, and a search in that moment would miss it.
    waitWithdrawn(w);
    return true;
}

bool X11Windows::show(unsigned long w) {
    Display* d = dpy(display_);
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) return false;
    if (a.map_state != IsUnmapped) return true; // shown already
    // A quick hide-then-show would otherwise map the window while the window manager is still
    // unmanaging it, and the state written back would be deleted with the old frame.
    waitWithdrawn(w);
    RawProperty savedState(d, w, atom(kSavedState));
    if (const auto atoms = parseAtomList(savedState.value(), XA_ATOM)) {
        const auto longs = asLongs(*atoms);
        XChangeProperty(d, w, atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(longs.data()),
                        static_cast<int>(longs.size()));
    }
    RawProperty savedGeometry(d, w, atom(kSavedGeometry));
    const auto place = parseSavedGeometry(savedGeometry.value(), XA_CARDINAL);
    XMapWindow(d, w);
    XSync(d, False);
    if (place) {
        const auto where = [&] {
            int x = 0, y = 0;
            Window child = None;
            XTranslateCoordinates(d, w, root_, 0, 0, &x, &y, &child);
            return std::pair{x, y};
        };
        waitFor(
            [&] {
                XWindowAttributes now;
                return XGetWindowAttributes(d, w, &now) && now.map_state == IsViewable;
            },
            kMapWait);
        const auto placed = where();
        if (placed.first != place->x || placed.second != place->y) {
            XMoveWindow(d, w, place->x, place->y);
            XSync(d, False);
            // A frame may offset the client: correct once by what is left.
            if (waitFor([&] { return where() != placed; }, 200ms)) {
                auto [nx, ny] = where();
                if (nx != place->x || ny != place->y) {
                    XMoveWindow(d, w, 2 * place->x - nx, 2 * place->y - ny);
                    XSync(d, False);
                }
            }
        }
    }
    XDeleteProperty(d, w, atom(kSavedState));
    XDeleteProperty(d, w, atom(kSavedGeometry));
    if (topmost_.count(w)) askTopmost(w);
    XSync(d, False);
    return true;
}

win::BOOL X11Windows::SetWindowPos(win::HWND window, win::HWND insertAfter, int x, int y, int cx,
                                   int cy, win::UINT flags) {
    if (!display_ || !exists(window)) return 0;
    processEvents();
    const PumpOnExit pump{*this};
    Display* d = dpy(display_);
    bool ok = true;
    if (flags & win::SWP_HIDEWINDOW) {
        // The position and size are not applied with a hide or a show.
        for (unsigned long w : sameKindAs(window))
            ok = hide(w) && ok;
        return ok ? 1 : 0;
    }
    if (flags & win::SWP_SHOWWINDOW) {
        for (unsigned long w : sameKindAs(window))
            ok = show(w) && ok;
        return ok ? 1 : 0;
    }
    if (insertAfter == win::HWND_TOPMOST) {
        topmost_.insert(window);
        askTopmost(window);
    }
    if (!(flags & win::SWP_NOMOVE)) XMoveWindow(d, window, x, y);
    if (!(flags & win::SWP_NOSIZE) && cx > 0 && cy > 0)
        XResizeWindow(d, window, static_cast<unsigned>(cx), static_cast<unsigned>(cy));
    XSync(d, False);
    return 1;
}

win::BOOL X11Windows::ShowWindow(win::HWND window, int command) {
    if (!display_ || !exists(window)) return 0;
    processEvents();
    const PumpOnExit pump{*this};
    XWindowAttributes a;
    const bool wasVisible =
        XGetWindowAttributes(dpy(display_), window, &a) && a.map_state != IsUnmapped;
    if (command == win::SW_HIDE)
        for (unsigned long w : sameKindAs(window))
            hide(w);
    else if (command == win::SW_SHOW)
        for (unsigned long w : sameKindAs(window))
            show(w);
    return wasVisible ? 1 : 0;
}

void X11Windows::askTopmost(unsigned long w) {
    Display* d = dpy(display_);
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) return;
    const unsigned long above = atom("_NET_WM_STATE_ABOVE");
    if (a.map_state == IsUnmapped) {
        // Before the first map the client sets the state itself; the manager reads it on map.
        RawProperty current(d, w, atom("_NET_WM_STATE"));
        auto state = parseAtomList(current.value(), XA_ATOM).value_or(std::vector<unsigned long>{});
        if (std::find(state.begin(), state.end(), above) == state.end()) state.push_back(above);
        const auto longs = asLongs(state);
        XChangeProperty(d, w, atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(longs.data()),
                        static_cast<int>(longs.size()));
    } else {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = atom("_NET_WM_STATE");
        e.xclient.format = 32;
        e.xclient.data.l[0] = 1; // _NET_WM_STATE_ADD
        e.xclient.data.l[1] = static_cast<long>(above);
        e.xclient.data.l[3] = 1; // from an application
        XSendEvent(d, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
        XRaiseWindow(d, w);
    }
    XSync(d, False);
}

win::BOOL X11Windows::ReleaseCapture() {
    if (releaseCapture) releaseCapture();
    return 1;
}

win::LRESULT X11Windows::SendMessageA(win::HWND window, win::UINT message, win::WPARAM wParam,
                                      win::LPARAM) {
    if (!display_ || message != win::WM_NCLBUTTONDOWN || wParam != win::HTCAPTION) return 0;
    if (!exists(window)) return 0;
    processEvents();
    const PumpOnExit pump{*this};
    Display* d = dpy(display_);
    Window rootReturn = None, child = None;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    // The server's button state, not the toolkit's: a move started with no button down would
    // glue the window to the pointer until the next click.
    if (!XQueryPointer(d, root_, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask) ||
        !(mask & Button1Mask))
        return 0;
    XUngrabPointer(d, CurrentTime);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = atom("_NET_WM_MOVERESIZE");
    e.xclient.format = 32;
    e.xclient.data.l[0] = rootX;
    e.xclient.data.l[1] = rootY;
    e.xclient.data.l[2] = 8; // _NET_WM_MOVERESIZE_MOVE
    e.xclient.data.l[3] = Button1;
    e.xclient.data.l[4] = 1; // from an application
    XSendEvent(d, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XSync(d, False);
    return 0;
}

win::BOOL X11Windows::AnimateWindow(win::HWND window, win::DWORD time, win::DWORD flags) {
    if (!display_ || !exists(window) || !(flags & win::AW_CENTER)) return 0;
    processEvents();
    const PumpOnExit pump{*this};
    Display* d = dpy(display_);
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, window, &a)) return 0;
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
    if (alpha_.count(window)) {
        applyOpacity(window);
    } else {
        XShapeCombineMask(d, window, ShapeBounding, 0, 0, None, ShapeSet);
    }
    XSync(d, False);
    if (animationStep) animationStep();
    return 1;
}

win::LONG X11Windows::GetWindowLongA(win::HWND window, int index) {
    if (index != win::GWL_EXSTYLE || !window) return 0;
    const auto it = exStyle_.find(window);
    return it == exStyle_.end() ? 0 : it->second;
}

win::LONG X11Windows::SetWindowLongA(win::HWND window, int index, win::LONG newLong) {
    if (index != win::GWL_EXSTYLE || !window) return 0;
    const win::LONG previous = GetWindowLongA(window, index);
    exStyle_[window] = newLong;
    return previous;
}

win::BOOL X11Windows::SetLayeredWindowAttributes(win::HWND window, win::DWORD, win::BYTE alpha,
                                                 win::DWORD flags) {
    // As on Windows: only a layered window takes an alpha.
    if (!display_ || !(GetWindowLongA(window, win::GWL_EXSTYLE) & win::WS_EX_LAYERED) ||
        !(flags & win::LWA_ALPHA) || !exists(window))
        return 0;
    processEvents();
    const PumpOnExit pump{*this};
    alpha_[window] = alpha;
    applyOpacity(window);
    return 1;
}

void X11Windows::applyOpacity(unsigned long w) {
    Display* d = dpy(display_);
    const win::BYTE alpha = alpha_[w];
    if (alpha == 255) {
        XDeleteProperty(d, w, atom("_NET_WM_WINDOW_OPACITY"));
    } else {
        const long value = static_cast<long>(alpha * 0x01010101ul);
        XChangeProperty(d, w, atom("_NET_WM_WINDOW_OPACITY"), XA_CARDINAL, 32, PropModeReplace,
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
    XSync(d, False);
}

} // namespace sorvane::linuxos
