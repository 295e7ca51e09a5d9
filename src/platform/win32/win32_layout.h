// The arithmetic of the Win32 forms runtime, kept free of <windows.h> so it is tested on every
// build: twips to pixels, which pictures to use, which control the mouse is over, where a scroll
// bar goes, and the pop-up menu as a flat list of native entries.
#pragma once

#include "forms/model.h"

#include <optional>
#include <string>
#include <vector>

namespace sorvane::win32 {

inline constexpr int twipsPerInch = 1440;

// Nearest pixel, halves away from zero, as MulDiv rounds.
int twipsToPixels(forms::Twips twips, int dpi);

// 1 or 2: the set of pictures the gauge is drawn from. The 1x set up to 96 dpi; above it the 2x
// set, which is drawn for 192 dpi and, made smaller, keeps more of the artwork than the 1x set
// made larger.
int pictureScale(int dpi);

struct PixelRect {
    int left, top, width, height;
    bool contains(int x, int y) const {
        return x >= left && y >= top && x < left + width && y < top + height;
    }
    bool operator==(const PixelRect&) const = default;
};

PixelRect pixelRect(const forms::Control& control, int dpi);

// Where an image control draws its picture: the picture's place and natural size at 96 dpi, each
// edge scaled to the DPI. Pictures that meet at 96 dpi meet at any DPI; rounding each control's
// twips on their own would leave a column of background between the battery and the level
// pictures at 120 or 192 dpi.
PixelRect pictureRect(const forms::Control& control, const forms::Picture& picture, int dpi);

// The topmost windowless control (image or label) under a point of the window's client area,
// or null. The scroll bar is a native child window: it gets its own mouse input.
forms::Control* controlAt(const forms::Window& window, int x, int y, int dpi);

// The SB_* request codes a horizontal scroll bar sends with WM_HSCROLL.
enum class ScrollCode {
    LineLeft = 0,
    LineRight = 1,
    PageLeft = 2,
    PageRight = 3,
    ThumbPosition = 4,
    ThumbTrack = 5,
    Left = 6,
    Right = 7,
    EndScroll = 8,
};

// The value a scroll request asks for, kept inside Min..Max; nothing for requests that do not
// change the value (the thumb being dragged raises Change only when it is dropped).
std::optional<int> scrollTarget(const forms::HScrollBar& bar, int code, int thumb);

// One entry of a native pop-up menu. Entries with children open a sub-menu; command ids start
// at 1 (TrackPopupMenu returns 0 when nothing was chosen).
struct MenuEntry {
    forms::MenuItem* item;
    unsigned id;
    std::vector<MenuEntry> children;
};

std::vector<MenuEntry> menuEntries(forms::MenuItem& menu);
forms::MenuItem* findMenuCommand(const std::vector<MenuEntry>& entries, unsigned id);

// Resource ids of the pictures: scale 1 at 100 + picture id, scale 2 at 200 + picture id.
inline constexpr int iconResource = 1;
int bitmapResource(forms::PictureId id, int scale);

// UTF-8 to UTF-16, for the wide calls; malformed bytes become U+FFFD rather than being dropped.
std::u16string utf8ToUtf16(std::string_view text);

} // namespace sorvane::win32
