// Xlib helpers for end-to-end tests: XTEST input, window properties, finding windows, screenshots.
// All take the Display* of the test's own connection (XSession::display()) and flush or sync
// before returning, so the server has the request when they return.
#pragma once

// Xlib's own typedefs, repeated so this header does not pull in Xlib's macros (None, Bool,
// Status...), which break googletest when included before it.
struct _XDisplay;
typedef struct _XDisplay Display;
typedef unsigned long Window;
typedef unsigned long Atom;

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sorvane::testsupport {

// ---- input (XTEST) ----
void keyDown(Display* d, unsigned long keysym);
void keyUp(Display* d, unsigned long keysym);
void tapKey(Display* d, unsigned long keysym);
void moveMouse(Display* d, int x, int y);
void buttonDown(Display* d, unsigned button = 1);
void buttonUp(Display* d, unsigned button = 1);
void click(Display* d, int x, int y, unsigned button = 1);
// Press at `from`, move in `steps` steps to `to`, release.
void drag(Display* d, int fromX, int fromY, int toX, int toY, int steps = 10);

// ---- properties ----
Atom atom(Display* d, const char* name);
struct Property {
    Atom type = 0;
    int format = 0;
    std::vector<unsigned long> items; // 32-bit items as Xlib hands them (long-sized)
    std::string bytes;                // 8-bit data
};
std::optional<Property> getProperty(Display* d, Window w, const char* name);
std::vector<Atom> getAtoms(Display* d, Window w, const char* name);
bool hasAtom(Display* d, Window w, const char* property, const char* value);
std::optional<unsigned long> getCardinal(Display* d, Window w, const char* name);
std::string wmClass(Display* d, Window w); // "instance.Class", "" when none
std::string wmName(Display* d, Window w);  // _NET_WM_NAME or WM_NAME
Window selectionOwner(Display* d, const char* selection);

// ---- windows ----
struct Geometry {
    int x = 0, y = 0; // relative to the root
    unsigned width = 0, height = 0;
    bool operator==(const Geometry&) const = default;
};
Geometry geometry(Display* d, Window w);
bool isViewable(Display* d, Window w);
Window parentOf(Display* d, Window w);
// Windows of the tree from the root, down to `depth` levels (root=0, frame=1, client=2, ...).
std::vector<Window> windowsInTree(Display* d, int depth = 3);
std::vector<Window> findWindowsByClass(Display* d, const std::string& instanceOrClass);
// type: "DOCK", "DESKTOP", "NORMAL", ... (the suffix of _NET_WM_WINDOW_TYPE_*).
std::vector<Window> findWindowsByType(Display* d, const std::string& type);
// Same, only those currently viewable.
std::vector<Window> findViewableByType(Display* d, const std::string& type);

// A plain window filled with one colour (0xRRGGBB), mapped; waits until it is viewable.
// decorated false: asks the window manager for no frame (_MOTIF_WM_HINTS).
Window createWindow(Display* d, int x, int y, unsigned w, unsigned h, std::uint32_t rgb,
                    const std::string& name = "sorvane-test", bool decorated = true);

// ---- pixels ----
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb; // row-major, 3 bytes per pixel
    Rgb at(int x, int y) const;
    bool writePpm(const std::string& path) const;
    bool operator==(const Image&) const = default;
};
// The screen as shown (root window, compositor's output included), or a part of it.
Image grab(Display* d);
Image grab(Display* d, Window w, int x, int y, unsigned width, unsigned height);
// One pixel of the screen.
Rgb pixel(Display* d, int x, int y);

std::string describe(Rgb c);

} // namespace sorvane::testsupport
