#include "support/x_helpers.h"

#include "support/wait.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <fstream>

namespace sorvane::testsupport {
namespace {

void keyEvent(Display* d, unsigned long keysym, bool down) {
    const KeyCode code = XKeysymToKeycode(d, keysym);
    XTestFakeKeyEvent(d, code, down ? True : False, CurrentTime);
    XSync(d, False);
}

int shiftOf(unsigned long mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

std::uint8_t channel(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    const unsigned long v = (pixel & mask) >> shiftOf(mask);
    const unsigned long max = mask >> shiftOf(mask);
    return static_cast<std::uint8_t>(v * 255 / max);
}

} // namespace

void keyDown(Display* d, unsigned long keysym) {
    keyEvent(d, keysym, true);
}
void keyUp(Display* d, unsigned long keysym) {
    keyEvent(d, keysym, false);
}
void tapKey(Display* d, unsigned long keysym) {
    keyDown(d, keysym);
    keyUp(d, keysym);
}

void moveMouse(Display* d, int x, int y) {
    XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
    XSync(d, False);
}
void buttonDown(Display* d, unsigned button) {
    XTestFakeButtonEvent(d, button, True, CurrentTime);
    XSync(d, False);
}
void buttonUp(Display* d, unsigned button) {
    XTestFakeButtonEvent(d, button, False, CurrentTime);
    XSync(d, False);
}
void click(Display* d, int x, int y, unsigned button) {
    moveMouse(d, x, y);
    buttonDown(d, button);
    buttonUp(d, button);
}
void drag(Display* d, int fromX, int fromY, int toX, int toY, int steps) {
    moveMouse(d, fromX, fromY);
    buttonDown(d, 1);
    for (int i = 1; i <= steps; ++i)
        moveMouse(d, fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
    buttonUp(d, 1);
}

Atom atom(Display* d, const char* name) {
    return XInternAtom(d, name, False);
}

std::optional<Property> getProperty(Display* d, Window w, const char* name) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, atom(d, name), 0, 1 << 16, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) != Success ||
        type == None) {
        if (data) XFree(data);
        return std::nullopt;
    }
    Property p;
    p.type = type;
    p.format = format;
    if (format == 32) {
        const auto* items = reinterpret_cast<const unsigned long*>(data);
        p.items.assign(items, items + count);
    } else if (format == 16) {
        const auto* items = reinterpret_cast<const unsigned short*>(data);
        p.items.assign(items, items + count);
    } else if (data) {
        p.bytes.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data) XFree(data);
    return p;
}

std::vector<Atom> getAtoms(Display* d, Window w, const char* name) {
    const auto p = getProperty(d, w, name);
    if (!p || p->type != XA_ATOM || p->format != 32) return {};
    return {p->items.begin(), p->items.end()};
}

bool hasAtom(Display* d, Window w, const char* property, const char* value) {
    const Atom wanted = atom(d, value);
    for (Atom a : getAtoms(d, w, property))
        if (a == wanted) return true;
    return false;
}

std::optional<unsigned long> getCardinal(Display* d, Window w, const char* name) {
    const auto p = getProperty(d, w, name);
    if (!p || p->format != 32 || p->items.empty()) return std::nullopt;
    return p->items.front() & 0xFFFFFFFFul;
}

std::string wmClass(Display* d, Window w) {
    const auto p = getProperty(d, w, "WM_CLASS");
    if (!p || p->format != 8) return {};
    std::string s = p->bytes;
    const auto nul = s.find('\0');
    if (nul == std::string::npos) return s;
    std::string cls = s.substr(nul + 1);
    if (!cls.empty() && cls.back() == '\0') cls.pop_back();
    return s.substr(0, nul) + "." + cls;
}

std::string wmName(Display* d, Window w) {
    if (auto p = getProperty(d, w, "_NET_WM_NAME"); p && p->format == 8) return p->bytes;
    if (auto p = getProperty(d, w, "WM_NAME"); p && p->format == 8) return p->bytes;
    return {};
}

Window selectionOwner(Display* d, const char* selection) {
    return XGetSelectionOwner(d, atom(d, selection));
}

Geometry geometry(Display* d, Window w) {
    Geometry g;
    Window root = None, child = None;
    int x = 0, y = 0;
    unsigned border = 0, depth = 0;
    if (!XGetGeometry(d, w, &root, &x, &y, &g.width, &g.height, &border, &depth)) return {};
    XTranslateCoordinates(d, w, root, 0, 0, &g.x, &g.y, &child);
    return g;
}

bool isViewable(Display* d, Window w) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, w, &a)) return false;
    return a.map_state == IsViewable;
}

Window parentOf(Display* d, Window w) {
    Window root = None, parent = None, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &n)) return None;
    if (children) XFree(children);
    return parent;
}

std::vector<Window> windowsInTree(Display* d, int depth) {
    std::vector<Window> out;
    std::vector<std::pair<Window, int>> todo{{DefaultRootWindow(d), 0}};
    while (!todo.empty()) {
        auto [w, level] = todo.back();
        todo.pop_back();
        if (level > 0) out.push_back(w);
        if (level >= depth) continue;
        Window root = None, parent = None, *children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(d, w, &root, &parent, &children, &n)) continue;
        for (unsigned i = 0; i < n; ++i)
            todo.push_back({children[i], level + 1});
        if (children) XFree(children);
    }
    return out;
}

std::vector<Window> findWindowsByClass(Display* d, const std::string& instanceOrClass) {
    std::vector<Window> out;
    for (Window w : windowsInTree(d)) {
        const std::string c = wmClass(d, w);
        if (c.empty()) continue;
        const auto dot = c.find('.');
        if (c.substr(0, dot) == instanceOrClass || c.substr(dot + 1) == instanceOrClass)
            out.push_back(w);
    }
    return out;
}

std::vector<Window> findWindowsByType(Display* d, const std::string& type) {
    const std::string name = "_NET_WM_WINDOW_TYPE_" + type;
    std::vector<Window> out;
    for (Window w : windowsInTree(d))
        if (hasAtom(d, w, "_NET_WM_WINDOW_TYPE", name.c_str())) out.push_back(w);
    return out;
}

std::vector<Window> findViewableByType(Display* d, const std::string& type) {
    std::vector<Window> out;
    for (Window w : findWindowsByType(d, type))
        if (isViewable(d, w)) out.push_back(w);
    return out;
}

Window createWindow(Display* d, int x, int y, unsigned w, unsigned h, std::uint32_t rgb,
                    const std::string& name, bool decorated) {
    XSetWindowAttributes a{};
    a.background_pixel = rgb; // TrueColor 24-bit visual on the test server
    const Window win = XCreateWindow(d, DefaultRootWindow(d), x, y, w, h, 0, CopyFromParent,
                                     InputOutput, CopyFromParent, CWBackPixel, &a);
    XSizeHints hints{};
    hints.flags = USPosition | PPosition | USSize | PSize;
    hints.x = x;
    hints.y = y;
    hints.width = static_cast<int>(w);
    hints.height = static_cast<int>(h);
    XSetWMNormalHints(d, win, &hints);
    XClassHint cls{const_cast<char*>(name.c_str()), const_cast<char*>("SorvaneTest")};
    XSetClassHint(d, win, &cls);
    XStoreName(d, win, name.c_str());
    if (!decorated) {
        const long motif[5] = {2 /* decorations given */, 0, 0 /* none */, 0, 0};
        const Atom hints = atom(d, "_MOTIF_WM_HINTS");
        XChangeProperty(d, win, hints, hints, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(motif), 5);
    }
    XMapWindow(d, win);
    XSync(d, False);
    waitUntil([&] { return isViewable(d, win); });
    return win;
}

Rgb Image::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return {};
    const auto i =
        (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

bool Image::writePpm(const std::string& path) const {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << " " << height << "\n255\n";
    out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    return static_cast<bool>(out);
}

Image grab(Display* d, Window w, int x, int y, unsigned width, unsigned height) {
    Image img;
    XImage* xi = XGetImage(d, w, x, y, width, height, AllPlanes, ZPixmap);
    if (!xi) return img;
    img.width = static_cast<int>(width);
    img.height = static_cast<int>(height);
    img.rgb.resize(static_cast<size_t>(width) * height * 3);
    size_t i = 0;
    for (int row = 0; row < img.height; ++row)
        for (int col = 0; col < img.width; ++col) {
            const unsigned long p = XGetPixel(xi, col, row);
            img.rgb[i++] = channel(p, xi->red_mask);
            img.rgb[i++] = channel(p, xi->green_mask);
            img.rgb[i++] = channel(p, xi->blue_mask);
        }
    XDestroyImage(xi);
    return img;
}

Image grab(Display* d) {
    const int s = DefaultScreen(d);
    return grab(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(DisplayWidth(d, s)),
                static_cast<unsigned>(DisplayHeight(d, s)));
}

Rgb pixel(Display* d, int x, int y) {
    return grab(d, DefaultRootWindow(d), x, y, 1, 1).at(0, 0);
}

std::string describe(Rgb c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

} // namespace sorvane::testsupport
