// The arithmetic of the Win32 forms runtime, kept free of <windows.h> so it is tested on every
// build: where a scroll bar goes, the pop-up menu as a flat list of native entries, the resource
// ids of the pictures and the text of the wide calls. Placing and hit-testing the windowless
// controls is forms/layout, shared with the other runtimes.
#pragma once

#include "forms/layout.h"

#include <optional>
#include <string>
#include <vector>

namespace sorvane::win32 {

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
