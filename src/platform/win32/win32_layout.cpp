#include "platform/win32/win32_layout.h"

#include <cstdlib>

namespace sorvane::win32 {

std::optional<int> scrollTarget(const forms::HScrollBar& bar, int code, int thumb) {
    int target = bar.Value();
    switch (static_cast<ScrollCode>(code)) {
    case ScrollCode::LineLeft:
        target -= bar.SmallChange;
        break;
    case ScrollCode::LineRight:
        target += bar.SmallChange;
        break;
    case ScrollCode::PageLeft:
        target -= bar.LargeChange;
        break;
    case ScrollCode::PageRight:
        target += bar.LargeChange;
        break;
    case ScrollCode::ThumbPosition:
        target = thumb;
        break;
    case ScrollCode::Left:
        target = bar.Min;
        break;
    case ScrollCode::Right:
        target = bar.Max;
        break;
    case ScrollCode::ThumbTrack:
    case ScrollCode::EndScroll:
    default:
        return std::nullopt;
    }
    if (target < bar.Min) target = bar.Min;
    if (target > bar.Max) target = bar.Max;
    return target;
}

namespace {
std::vector<MenuEntry> entriesOf(forms::MenuItem& parent, unsigned& next) {
    std::vector<MenuEntry> out;
    for (auto* child : parent.children) {
        MenuEntry e{child, next++, {}};
        e.children = entriesOf(*child, next);
        out.push_back(std::move(e));
    }
    return out;
}
} // namespace

std::vector<MenuEntry> menuEntries(forms::MenuItem& menu) {
    unsigned next = 1;
    return entriesOf(menu, next);
}

forms::MenuItem* findMenuCommand(const std::vector<MenuEntry>& entries, unsigned id) {
    for (const auto& e : entries) {
        if (e.id == id) return e.children.empty() ? e.item : nullptr;
        if (auto* found = findMenuCommand(e.children, id)) return found;
    }
    return nullptr;
}

int bitmapResource(forms::PictureId id, int scale) {
    return (scale == 2 ? 200 : 100) + static_cast<int>(id);
}

std::u16string utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = s[i];
        char32_t cp = 0xFFFD;
        std::size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else if (b >= 0xC2 && b <= 0xF4) {
            const std::size_t need = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
            char32_t v = static_cast<char32_t>(b & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07));
            std::size_t k = 1;
            for (; k < need && i + k < n && (s[i + k] & 0xC0) == 0x80; ++k)
                v = (v << 6) | static_cast<char32_t>(s[i + k] & 0x3F);
            const bool overlong = (need == 3 && v < 0x800) || (need == 4 && v < 0x10000);
            if (k == need && !overlong && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) cp = v;
            len = k;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

} // namespace sorvane::win32
