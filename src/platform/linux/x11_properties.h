// Parsing of X window properties read from other programs' windows. Pure functions on the
// bytes XGetWindowProperty returned: a malformed property (wrong type, wrong format, cut short
// or absurdly long) yields nothing rather than a guess.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sorvane::linuxos {

// Longest list we accept, in items; real _NET_WM_STATE / _NET_WM_WINDOW_TYPE lists hold a few.
inline constexpr unsigned long kMaxPropertyItems = 64;

struct PropertyValue {
    unsigned long type = 0;  // the property's type atom (0: no such property)
    int format = 0;          // 8, 16 or 32
    unsigned long count = 0; // items, as XGetWindowProperty reports them
    unsigned long bytesAfter = 0;
    // The data as Xlib hands it: 32-bit items are stored in longs.
    std::span<const unsigned char> bytes;
};

// An ATOM[] list (_NET_WM_STATE, _NET_WM_WINDOW_TYPE).
std::optional<std::vector<unsigned long>> parseAtomList(const PropertyValue& p,
                                                        unsigned long atomType);
// A list of 32-bit ids of one type: a PIXMAP, or our own saved pair of them.
std::optional<std::vector<unsigned long>> parseIds(const PropertyValue& p, unsigned long type);
// WM_CLASS: two NUL-terminated STRINGs; true when at least an instance or class name is there.
bool parseHasWmClass(const PropertyValue& p, unsigned long stringType);

struct SavedGeometry {
    std::int32_t x = 0, y = 0;
    std::uint32_t width = 0, height = 0;
    bool operator==(const SavedGeometry&) const = default;
};
// Our own CARDINAL[4] x, y, width, height saved on a hidden shell window.
std::optional<SavedGeometry> parseSavedGeometry(const PropertyValue& p, unsigned long cardinalType);
std::vector<unsigned long> encodeSavedGeometry(const SavedGeometry& g);

} // namespace sorvane::linuxos
