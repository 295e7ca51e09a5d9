// The shell's windows on X11 (any EWMH window manager).
//
//   [~] FindWindowA("Shell_traywnd", "")   the panels: windows whose _NET_WM_WINDOW_TYPE holds
//       _DOCK, found by walking the tree from the root (root, frame, client), since a hidden
//       panel has left _NET_CLIENT_LIST. Override-redirect windows and windows without WM_CLASS
//       are skipped (openbox's 1x1 dock helper). Several panels: the handle returned is the
//       lowest window id, and hiding or showing it acts on every panel found at that moment.
//       The window manager's own taskbar or toolbar too (icewm's): it may carry no window type,
//       no strut, not even a class, but the window manager's own X client made it (the id base
//       of the WM_S<n> selection's owner) and it lies along a screen edge. Such a bar is hidden
//       by unmapping its top-level window (the window manager rebuilds a bar it sees
//       withdrawn), which is mapped again to show it; its id is kept on the bar.
//   [~] FindWindowA("Progman", "Program Manager")   the desktop-icons window(s):
//       _NET_WM_WINDOW_TYPE_DESKTOP, found and handled the same way.
//   [~] SetWindowPos(SWP_HIDEWINDOW / SWP_SHOWWINDOW), ShowWindow(SW_HIDE / SW_SHOW)   hide: the
//       window's _NET_WM_STATE and place are copied into private properties on the window,
//       then it is withdrawn (the window manager deletes _NET_WM_STATE then). Show: wait
//       (bounded) until the withdraw is complete, write the state back, map, and put the window
//       back where it was if the window manager placed it elsewhere. Hiding a hidden window or
//       showing a shown one does nothing. The program keeps no state: all is on the window.
//       A hidden desktop window uncovers the root, which a compositor paints from the pixmap
//       named by _XROOTPMAP_ID. When that pixmap cannot be painted there (not of the root's
//       depth, or gone), the compositor keeps showing its last picture of the desktop: while
//       the desktop is hidden the property names a black pixmap of the root's depth instead,
//       and showing the desktop names the desktop program's own again, unless it set another.
//   Errors: a window that vanishes between finding and acting raises no fatal X error.
//   Wayland/XWayland: only XWayland windows are reached; native panels and desktops are not
//       found (every shell call is silently without effect).
#include "platform/linux/x11_shell_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>

namespace sorvane::linuxos {
namespace {

using namespace std::chrono_literals;

constexpr const char* kSavedState = "_SORVANE_SAVED_WM_STATE";
constexpr const char* kSavedGeometry = "_SORVANE_SAVED_GEOMETRY";
constexpr const char* kHiddenTopLevel = "_SORVANE_HIDDEN_TOP_LEVEL";
// On the root: the background the desktop program had set, and the one put in its place.
constexpr const char* kSavedRootBackground = "_SORVANE_SAVED_XROOTPMAP_ID";
constexpr const char* kRootBackground = "_XROOTPMAP_ID";
constexpr auto kWithdrawWait = 1000ms;
constexpr auto kMapWait = 1000ms;

} // namespace

X11ShellWindows::X11ShellWindows(XConnection& x, std::function<bool(unsigned long)> isOwn)
    : x_(x), isOwn_(std::move(isOwn)) {}

std::vector<unsigned long> X11ShellWindows::find(Kind kind) {
    Display* d = x_.display();
    const unsigned long wanted =
        x_.atom(kind == Kind::Panel ? "_NET_WM_WINDOW_TYPE_DOCK" : "_NET_WM_WINDOW_TYPE_DESKTOP");
    std::vector<unsigned long> found;
    std::vector<std::pair<Window, int>> todo{{x_.root(), 0}};
    while (!todo.empty()) {
        const auto [w, depth] = todo.back();
        todo.pop_back();
        if (depth > 0 && !isOwn_(w)) {
            XWindowAttributes a;
            if (XGetWindowAttributes(d, w, &a) && !a.override_redirect &&
                parseHasWmClass(RawProperty(d, w, XA_WM_CLASS).value(), XA_STRING)) {
                const auto types = x_.atoms(w, "_NET_WM_WINDOW_TYPE");
                if (std::find(types.begin(), types.end(), wanted) != types.end())
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
    if (kind == Kind::Panel) {
        const auto bars = windowManagerBars();
        found.insert(found.end(), bars.begin(), bars.end());
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

unsigned long X11ShellWindows::topLevelOf(unsigned long w) {
    for (int depth = 0; depth < 8 && w; ++depth) {
        const unsigned long parent = x_.parentOf(w);
        if (parent == x_.root() || parent == 0) return w;
        w = parent;
    }
    return w;
}

bool X11ShellWindows::byWindowManager(unsigned long w) {
    const std::string selection = "WM_S" + std::to_string(x_.screen());
    const Window owner = XGetSelectionOwner(x_.display(), x_.atom(selection.c_str()));
    return owner != None && x_.resourceBaseOf(w) == x_.resourceBaseOf(owner);
}

// The bars a window manager draws itself: windows its own client made that are not frames
// (frames hold another client's window; a bar holds only the manager's own) and whose top-level
// lies along a screen edge: inside the screen, touching one edge, at least half as long as that
// edge and less than a quarter of the screen deep, with a class somewhere in it. Input-only
// windows (edge triggers) are no bars. Override-redirect ones may be: icewm makes its frames so.
std::vector<unsigned long> X11ShellWindows::windowManagerBars() {
    Display* d = x_.display();
    const std::string selection = "WM_S" + std::to_string(x_.screen());
    const Window owner = XGetSelectionOwner(d, x_.atom(selection.c_str()));
    if (owner == None) return {};
    const unsigned long base = x_.resourceBaseOf(owner);
    XWindowAttributes screen;
    if (!XGetWindowAttributes(d, x_.root(), &screen)) return {};
    const auto alongAnEdge = [&](int x, int y, int w, int h) {
        if (x < 0 || y < 0 || x + w > screen.width || y + h > screen.height) return false;
        const bool horizontal =
            (y == 0 || y + h == screen.height) && 2 * w >= screen.width && 4 * h < screen.height;
        const bool vertical =
            (x == 0 || x + w == screen.width) && 2 * h >= screen.height && 4 * w < screen.width;
        return horizontal || vertical;
    };
    std::vector<unsigned long> bars;
    Window rootReturn = None, parent = None, *tops = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, x_.root(), &rootReturn, &parent, &tops, &n)) return {};
    const std::vector<Window> topLevels(tops, tops + n);
    if (tops) XFree(tops);
    for (Window top : topLevels) {
        XWindowAttributes a;
        if (x_.resourceBaseOf(top) != base || !XGetWindowAttributes(d, top, &a) ||
            a.c_class == InputOnly || !alongAnEdge(a.x, a.y, a.width, a.height))
            continue;
        // The bar is the top-level or the first window down its tree that has a class; any
        // window of another client inside makes it a frame.
        std::vector<Window> todo{top};
        Window bar = None;
        bool frame = false;
        for (int depth = 0; depth < 3 && !todo.empty() && !frame; ++depth) {
            std::vector<Window> next;
            for (Window w : todo) {
                if (x_.resourceBaseOf(w) != base) {
                    frame = true;
                    break;
                }
                if (bar == None &&
                    parseHasWmClass(RawProperty(d, w, XA_WM_CLASS).value(), XA_STRING))
                    bar = w;
                Window* children = nullptr;
                unsigned count = 0;
                if (XQueryTree(d, w, &rootReturn, &parent, &children, &count)) {
                    next.insert(next.end(), children, children + count);
                    if (children) XFree(children);
                }
            }
            todo = std::move(next);
        }
        if (frame) continue;
        if (bar == None) continue;
        // Shown, or hidden by us.
        if (a.map_state != IsUnmapped ||
            RawProperty(d, bar, x_.atom(kHiddenTopLevel)).value().type != None)
            bars.push_back(bar);
    }
    return bars;
}

std::vector<unsigned long> X11ShellWindows::sameKindAs(unsigned long window) {
    for (Kind kind : {Kind::Panel, Kind::Desktop}) {
        auto all = find(kind);
        if (std::find(all.begin(), all.end(), window) != all.end()) return all;
    }
    return {window};
}

bool X11ShellWindows::waitWithdrawn(unsigned long w) {
    Display* d = x_.display();
    return waitFor(
        [&] {
            if (x_.parentOf(w) != x_.root()) return false;
            RawProperty wmState(d, w, x_.atom("WM_STATE"));
            const auto& v = wmState.value();
            if (v.type == None) return true;
            if (v.format != 32 || v.count < 1 || v.bytes.size() < sizeof(long)) return true;
            long state = 0;
            std::memcpy(&state, v.bytes.data(), sizeof state);
            return state == WithdrawnState;
        },
        kWithdrawWait);
}

bool X11ShellWindows::isDesktop(unsigned long w) {
    const auto types = x_.atoms(w, "_NET_WM_WINDOW_TYPE");
    return std::find(types.begin(), types.end(), x_.atom("_NET_WM_WINDOW_TYPE_DESKTOP")) !=
           types.end();
}

bool X11ShellWindows::paintableAsRoot(unsigned long pixmap) {
    Window rootReturn = None;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    return pixmap != None &&
           XGetGeometry(x_.display(), pixmap, &rootReturn, &x, &y, &width, &height, &border,
                        &depth) &&
           width > 0 && height > 0 &&
           static_cast<int>(depth) == DefaultDepth(x_.display(), x_.screen());
}

// A desktop program may name its own window's picture as the root background: xfdesktop under a
// compositor draws on a 32-bit visual and names a 32-bit pixmap, which a compositor cannot use
// as the 24-bit root (xfwm4 then stops repainting the bare root at all). Without a compositor
// the bare root shows black there, and so it does here, through a 1x1 tile.
void X11ShellWindows::coverUnpaintableRootBackground() {
    Display* d = x_.display();
    const Window root = x_.root();
    RawProperty current(d, root, x_.atom(kRootBackground));
    const auto named = parseIds(current.value(), XA_PIXMAP);
    if (!named || named->size() != 1) return;    // none: the compositor's own plain background
    if (paintableAsRoot(named->front())) return; // the desktop program's own, or covered
    // A cover made by an earlier run went with it: the desktop program's pixmap stays the one
    // to give back.
    RawProperty saved(d, root, x_.atom(kSavedRootBackground));
    const auto pair = parseIds(saved.value(), XA_PIXMAP);
    const unsigned long original =
        pair && pair->size() == 2 && (*pair)[1] == named->front() ? (*pair)[0] : named->front();
    const Pixmap cover = XCreatePixmap(d, root, 1, 1, DefaultDepth(d, x_.screen()));
    GC gc = XCreateGC(d, cover, 0, nullptr);
    XSetForeground(d, gc, BlackPixel(d, x_.screen()));
    XFillRectangle(d, cover, gc, 0, 0, 1, 1);
    XFreeGC(d, gc);
    const long both[2] = {static_cast<long>(original), static_cast<long>(cover)};
    XChangeProperty(d, root, x_.atom(kSavedRootBackground), XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(both), 2);
    XChangeProperty(d, root, x_.atom(kRootBackground), XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&both[1]), 1);
    if (cover_) XFreePixmap(d, cover_);
    cover_ = cover;
    x_.sync();
}

// Also after a restart of the desktop program, or of this program (a cover made by an earlier
// run went with it): a background set since then is left as it is.
void X11ShellWindows::uncoverRootBackground() {
    Display* d = x_.display();
    const Window root = x_.root();
    RawProperty saved(d, root, x_.atom(kSavedRootBackground));
    const auto pair = parseIds(saved.value(), XA_PIXMAP);
    if (saved.value().type == None) return;
    XDeleteProperty(d, root, x_.atom(kSavedRootBackground));
    if (pair && pair->size() == 2) {
        RawProperty current(d, root, x_.atom(kRootBackground));
        const auto named = parseIds(current.value(), XA_PIXMAP);
        if (named && named->size() == 1 && named->front() == (*pair)[1]) {
            Window rootReturn = None;
            int x = 0, y = 0;
            unsigned width = 0, height = 0, border = 0, depth = 0;
            const long original = static_cast<long>((*pair)[0]);
            if (XGetGeometry(d, (*pair)[0], &rootReturn, &x, &y, &width, &height, &border, &depth))
                XChangeProperty(d, root, x_.atom(kRootBackground), XA_PIXMAP, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(&original), 1);
            else
                XDeleteProperty(d, root, x_.atom(kRootBackground));
        }
    }
    if (cover_) XFreePixmap(d, cover_);
    cover_ = 0;
    x_.sync();
}

bool X11ShellWindows::hide(unsigned long w) {
    Display* d = x_.display();
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) return false;
    if (byWindowManager(w)) {
        const unsigned long top = topLevelOf(w);
        if (!x_.mapped(top)) return true; // already hidden
        const long id = static_cast<long>(top);
        XChangeProperty(d, w, x_.atom(kHiddenTopLevel), XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&id), 1);
        XUnmapWindow(d, top);
        x_.sync();
        return true;
    }
    RawProperty saved(d, w, x_.atom(kSavedState));
    if (a.map_state == IsUnmapped && saved.value().type != None) {
        if (isDesktop(w)) coverUnpaintableRootBackground();
        return true; // already hidden
    }
    // The window manager deletes _NET_WM_STATE on withdraw: keep a copy on the window itself.
    x_.setAtoms(w, kSavedState, x_.atoms(w, "_NET_WM_STATE"));
    int x = 0, y = 0;
    Window child = None;
    XTranslateCoordinates(d, w, x_.root(), 0, 0, &x, &y, &child);
    const auto encoded = encodeSavedGeometry(
        {x, y, static_cast<std::uint32_t>(a.width), static_cast<std::uint32_t>(a.height)});
    const std::vector<long> geometry(encoded.begin(), encoded.end());
    XChangeProperty(d, w, x_.atom(kSavedGeometry), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(geometry.data()), 4);
    XWithdrawWindow(d, w, x_.screen());
    x_.sync();
    // Settled before returning: while the manager unmanages it, the window is on its way from
    // its frame to the root, and a search in that moment would miss it.
    waitWithdrawn(w);
    if (isDesktop(w)) coverUnpaintableRootBackground();
    return true;
}

bool X11ShellWindows::show(unsigned long w) {
    Display* d = x_.display();
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) return false;
    if (byWindowManager(w)) {
        const unsigned long top = topLevelOf(w);
        XDeleteProperty(d, w, x_.atom(kHiddenTopLevel));
        XMapWindow(d, top);
        x_.sync();
        waitFor([&] { return x_.mapped(top); }, kMapWait);
        return true;
    }
    if (isDesktop(w)) uncoverRootBackground();
    if (a.map_state != IsUnmapped) return true; // shown already
    // A quick hide-then-show would otherwise map the window while the window manager is still
    // unmanaging it, and the state written back would be deleted with the old frame.
    waitWithdrawn(w);
    RawProperty savedState(d, w, x_.atom(kSavedState));
    if (const auto atoms = parseAtomList(savedState.value(), XA_ATOM))
        x_.setAtoms(w, "_NET_WM_STATE", *atoms);
    RawProperty savedGeometry(d, w, x_.atom(kSavedGeometry));
    const auto place = parseSavedGeometry(savedGeometry.value(), XA_CARDINAL);
    XMapWindow(d, w);
    x_.sync();
    if (place) {
        const auto where = [&] {
            int x = 0, y = 0;
            Window child = None;
            XTranslateCoordinates(d, w, x_.root(), 0, 0, &x, &y, &child);
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
            x_.sync();
            // A frame may offset the client: correct once by what is left.
            if (waitFor([&] { return where() != placed; }, 200ms)) {
                auto [nx, ny] = where();
                if (nx != place->x || ny != place->y) {
                    XMoveWindow(d, w, 2 * place->x - nx, 2 * place->y - ny);
                    x_.sync();
                }
            }
        }
    }
    XDeleteProperty(d, w, x_.atom(kSavedState));
    XDeleteProperty(d, w, x_.atom(kSavedGeometry));
    x_.sync();
    return true;
}

} // namespace sorvane::linuxos
