#include "platform/win32/win32_runtime.h"

#include "forms/bmp.h"
#include "platform/screen_fit.h"
#include "platform/win32/gunzip.h"
#include "platform/win32/win32_layout.h"

// After our headers: <windows.h> turns most of our constant names into macros.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <windowsx.h>

#include <span>
#include <string>
#include <vector>

namespace sorvane::win32 {

using forms::ControlKind;
using forms::Event;
using forms::PixelRect;
using forms::pixelRect;
using forms::twipsToPixels;

static_assert(SB_LINELEFT == static_cast<int>(ScrollCode::LineLeft));
static_assert(SB_PAGERIGHT == static_cast<int>(ScrollCode::PageRight));
static_assert(SB_THUMBPOSITION == static_cast<int>(ScrollCode::ThumbPosition));
static_assert(SB_THUMBTRACK == static_cast<int>(ScrollCode::ThumbTrack));
static_assert(SB_RIGHT == static_cast<int>(ScrollCode::Right));
static_assert(SB_ENDSCROLL == static_cast<int>(ScrollCode::EndScroll));

namespace {

std::wstring wide(std::string_view utf8) {
    const std::u16string s = utf8ToUtf16(utf8);
    return std::wstring(s.begin(), s.end());
}

::HWND native(win::HWND h) {
    return reinterpret_cast<::HWND>(h);
}

RECT toRect(const PixelRect& r) {
    return {r.left, r.top, r.left + r.width, r.top + r.height};
}

} // namespace

struct Win32Runtime::Native {
    Impl* impl;
    forms::Window* window;
};

struct Win32Runtime::Impl {
    Win32Runtime& rt;
    HINSTANCE instance;
    HFONT font = nullptr;
    bool ownFont = false;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    std::map<const forms::Window*, std::unique_ptr<Native>> natives;
    std::map<const forms::Control*, ::HWND> scrollBars;
    std::map<const forms::Control*, PixelRect> painted;
    std::vector<forms::Timer*> timers; // command id = index + 1
    std::map<int, HBITMAP> bitmaps;    // by resource id; null when the resource is missing
    forms::ClickPairing clicks;
    int moveLoops = 0; // the system's move loops entered and not yet left

    Impl(Win32Runtime& r, HINSTANCE i) : rt(r), instance(i) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
            font = CreateFontIndirectW(&metrics.lfMessageFont);
            ownFont = font != nullptr;
        }
        if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = &Impl::windowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = formClass;
        RegisterClassExW(&wc);
    }

    ~Impl() {
        for (auto& [id, bmp] : bitmaps)
            if (bmp) DeleteObject(bmp);
        if (ownFont) DeleteObject(font);
    }

    HBITMAP bitmap(const forms::Picture& picture, int scale) {
        const int id = bitmapResource(picture.id, scale);
        auto it = bitmaps.find(id);
        if (it == bitmaps.end()) it = bitmaps.emplace(id, loadPicture(id)).first;
        return it->second;
    }

    // A picture is its .bmp file, gzip-packed as RCDATA (a third of the program file's size
    // otherwise). Null when the build does not carry it or it does not unpack.
    HBITMAP loadPicture(int id) {
        HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
        if (!found) return nullptr;
        HGLOBAL loaded = LoadResource(instance, found);
        const auto* data = static_cast<const std::uint8_t*>(LockResource(loaded));
        if (!data) return nullptr;
        bmp::Image image;
        try {
            image = bmp::decode(gunzip(std::span(data, SizeofResource(instance, found))));
        } catch (const std::runtime_error&) {
            return nullptr;
        }
        if (image.bits != 24) return nullptr;
        // Top-down 24-bit rows, blue first, each padded to four bytes.
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = image.width;
        info.bmiHeader.biHeight = -image.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP made = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!made || !bits) return made;
        const std::size_t stride = bmp::stride(image.width, 24);
        for (int y = 0; y < image.height; ++y) {
            auto* row = static_cast<std::uint8_t*>(bits) + stride * static_cast<std::size_t>(y);
            const std::uint8_t* rgb = &image.pixels[std::size_t(y) * std::size_t(image.width) * 3];
            for (int x = 0; x < image.width; ++x) {
                row[x * 3] = rgb[x * 3 + 2];
                row[x * 3 + 1] = rgb[x * 3 + 1];
                row[x * 3 + 2] = rgb[x * 3];
            }
        }
        return made;
    }

    // The bitmap a picture is drawn from at the current DPI: from its set, or from the 1x set
    // should the build not carry the other.
    HBITMAP sourceBitmap(const forms::Picture& picture) {
        const int scale = forms::pictureScale(rt.dpi());
        HBITMAP bmp = bitmap(picture, scale);
        if (!bmp && scale != 1) bmp = bitmap(picture, 1);
        return bmp;
    }

    // Where a control paints: an image its picture's rectangle, a label its own box.
    PixelRect paintRect(const forms::Control& c) {
        if (c.kind() == ControlKind::Image)
            if (const forms::Picture* p = static_cast<const forms::Image&>(c).Picture.get())
                return forms::pictureRect(c, *p, rt.dpi());
        return pixelRect(c, rt.dpi());
    }

    void paint(const forms::Window& w, ::HWND hwnd, HDC target, const RECT& area) {
        RECT client{};
        GetClientRect(hwnd, &client);
        if (client.right <= 0 || client.bottom <= 0) return;
        // Composed off screen: the label is drawn over the pictures, never seen half done.
        HDC dc = CreateCompatibleDC(target);
        HBITMAP surface = CreateCompatibleBitmap(target, client.right, client.bottom);
        HGDIOBJ oldSurface = SelectObject(dc, surface);

        const auto& c = w.settings.backColour;
        HBRUSH back = CreateSolidBrush(RGB(c.red, c.green, c.blue));
        FillRect(dc, &client, back);
        DeleteObject(back);

        for (forms::Control* control : w.controls()) {
            const PixelRect r = paintRect(*control);
            painted[control] = r;
            RECT box = toRect(r);
            RECT overlap{};
            if (!IntersectRect(&overlap, &box, &area)) continue;
            if (control->kind() == ControlKind::Image)
                paintImage(static_cast<const forms::Image&>(*control), dc, r);
            else if (control->kind() == ControlKind::Label)
                paintLabel(static_cast<const forms::Label&>(*control), dc, box);
        }

        BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, dc,
               area.left, area.top, SRCCOPY);
        SelectObject(dc, oldSurface);
        DeleteObject(surface);
        DeleteDC(dc);
    }

    void paintImage(const forms::Image& image, HDC dc, const PixelRect& r) {
        const forms::Picture* p = image.Picture.get();
        if (!p) return;
        HBITMAP bmp = sourceBitmap(*p);
        BITMAP info{};
        if (!bmp || !GetObjectW(bmp, sizeof info, &info)) {
            // A build without its artwork still shows where each picture goes.
            RECT box = toRect(r);
            FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
            return;
        }
        HDC src = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(src, bmp);
        if (info.bmWidth == r.width && info.bmHeight == r.height) {
            // At 96 and 192 dpi: the artwork's own pixels.
            BitBlt(dc, r.left, r.top, r.width, r.height, src, 0, 0, SRCCOPY);
        } else {
            // Any other DPI: resampled, so the bars and the frame lines keep their shape.
            SetStretchBltMode(dc, HALFTONE);
            SetBrushOrgEx(dc, 0, 0, nullptr);
            StretchBlt(dc, r.left, r.top, r.width, r.height, src, 0, 0, info.bmWidth, info.bmHeight,
                       SRCCOPY);
        }
        SelectObject(src, old);
        DeleteDC(src);
    }

    void paintLabel(const forms::Label& label, HDC dc, RECT box) {
        const std::wstring text = wide(label.Caption.get());
        if (text.empty()) return;
        HGDIOBJ old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
                  DT_CENTER | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
    }

    void invalidate(const forms::Control& c) {
        ::HWND hwnd = native(c.window().hWnd());
        if (!hwnd) return;
        if (auto it = painted.find(&c); it != painted.end()) {
            RECT old = toRect(it->second);
            InvalidateRect(hwnd, &old, FALSE);
        }
        RECT now = toRect(paintRect(c));
        InvalidateRect(hwnd, &now, FALSE);
    }

    void createScrollBar(forms::HScrollBar& bar, ::HWND parent) {
        const PixelRect r = pixelRect(bar, rt.dpi());
        ::HWND sb =
            CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | WS_VISIBLE | SBS_HORZ, r.left,
                            r.top, r.width, r.height, parent, nullptr, instance, nullptr);
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
        si.nMin = bar.Min;
        si.nMax = bar.Max;
        si.nPage = 0;
        si.nPos = bar.Value();
        SetScrollInfo(sb, SB_CTL, &si, FALSE);
        scrollBars[&bar] = sb;
    }

    forms::HScrollBar* barOf(::HWND sb) {
        for (auto& [control, hwnd] : scrollBars)
            if (hwnd == sb)
                return static_cast<forms::HScrollBar*>(const_cast<forms::Control*>(control));
        return nullptr;
    }

    forms::MouseArgs mouseArgs(const forms::Control& c, WPARAM wp, int x, int y) {
        int buttons = 0, shift = 0;
        // The left button as the system sees it when the message is read: after the system's
        // move loop the message's own flags may be stale.
        if (GetKeyState(VK_LBUTTON) < 0) buttons |= 1;
        if (wp & MK_RBUTTON) buttons |= 2;
        if (wp & MK_MBUTTON) buttons |= 4;
        if (wp & MK_SHIFT) shift |= 1;
        if (wp & MK_CONTROL) shift |= 2;
        if (GetKeyState(VK_MENU) < 0) shift |= 4;
        return forms::mouseArgs(c, x, y, rt.dpi(), buttons, shift);
    }

    static BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM out) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        const auto rect = [](const RECT& r) {
            return platform::ScreenRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
        };
        if (GetMonitorInfoW(monitor, &info))
            reinterpret_cast<std::vector<platform::Monitor>*>(out)->push_back(
                {rect(info.rcMonitor), rect(info.rcWork)});
        return TRUE;
    }

    // A window the new monitors leave partly off screen comes back inside the nearest work area.
    static void keepReachable(::HWND hwnd) {
        if (!IsWindowVisible(hwnd)) return;
        std::vector<platform::Monitor> monitors;
        EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
        RECT r{};
        if (!GetWindowRect(hwnd, &r)) return;
        if (const auto to = platform::keepReachable(
                {r.left, r.top, r.right - r.left, r.bottom - r.top}, monitors))
            SetWindowPos(hwnd, nullptr, to->x, to->y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    LRESULT handle(forms::Window& w, ::HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == recallMessage()) { // from another start of the program
            rt.recall(w);
            return 0;
        }
        switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            paint(w, hwnd, dc, ps.rcPaint);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT: {
            // What a window animation captures.
            RECT client{};
            GetClientRect(hwnd, &client);
            paint(w, hwnd, reinterpret_cast<HDC>(wp), client);
            return 0;
        }
        case WM_MOUSEMOVE: {
            const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
            // While the button is held the pressed control has the mouse, as under capture.
            forms::Control* c = clicks.pressed();
            if (!c) c = forms::controlAt(w, x, y, rt.dpi());
            if (c) rt.raise(*c, Event::MouseMove, mouseArgs(*c, wp, x, y));
            return 0;
        }
        case WM_LBUTTONDOWN: {
            if (clicks.press(w, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), rt.dpi())) SetCapture(hwnd);
            return 0;
        }
        case WM_LBUTTONUP: {
            forms::Control* clicked =
                clicks.release(w, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), rt.dpi());
            if (GetCapture() == hwnd) ReleaseCapture();
            if (clicked) rt.raise(*clicked, Event::Click);
            return 0;
        }
        case WM_ENTERSIZEMOVE:
            // The system's move loop, started by a handler (the gauge dragged by a picture),
            // runs until the button is released: the timers tick inside it, and the refresh
            // follows them as it does in the main loop.
            ++moveLoops;
            rt.enterModalLoop();
            break;
        case WM_EXITSIZEMOVE:
            if (moveLoops > 0) {
                --moveLoops;
                rt.leaveModalLoop();
            }
            break;
        case WM_CAPTURECHANGED:
            // A handler released the capture (a window move took over): no click follows.
            clicks.cancel();
            return 0;
        case WM_HSCROLL: {
            auto* bar = barOf(reinterpret_cast<::HWND>(lp));
            if (!bar) break;
            SCROLLINFO si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(reinterpret_cast<::HWND>(lp), SB_CTL, &si);
            if (auto target = scrollTarget(*bar, LOWORD(wp), si.nTrackPos)) {
                SetScrollPos(reinterpret_cast<::HWND>(lp), SB_CTL, *target, TRUE);
                bar->setValue(*target);
            }
            return 0;
        }
        case WM_TIMER: {
            if (wp >= 1 && wp <= timers.size()) rt.tick(*timers[wp - 1]);
            return 0;
        }
        case WM_DISPLAYCHANGE:
            keepReachable(hwnd);
            break;
        case WM_CLOSE:
            // Alt+F4 on the gauge: the same as its close button. Unloading only this window
            // would leave the program running with nothing on screen.
            rt.End();
            return 0;
        default:
            break;
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }

    static LRESULT CALLBACK windowProc(::HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        }
        auto* n = reinterpret_cast<Native*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!n) return DefWindowProcW(hwnd, msg, wp, lp);
        // A handler's exception never crosses the system's frames: the dispatcher stops it.
        return n->impl->handle(*n->window, hwnd, msg, wp, lp);
    }

    void flush() {
        for (auto& [window, n] : natives)
            if (::HWND hwnd = native(window->hWnd())) UpdateWindow(hwnd);
    }

    HMENU buildMenu(const std::vector<MenuEntry>& entries) {
        HMENU menu = CreatePopupMenu();
        for (const auto& e : entries) {
            const std::wstring caption = wide(e.item->Caption.get());
            if (!e.children.empty()) {
                AppendMenuW(menu, MF_STRING | MF_POPUP,
                            reinterpret_cast<UINT_PTR>(buildMenu(e.children)), caption.c_str());
            } else {
                AppendMenuW(menu, MF_STRING | (e.item->Checked ? MF_CHECKED : MF_UNCHECKED), e.id,
                            caption.c_str());
            }
        }
        return menu;
    }
};

Win32Runtime::Win32Runtime(void* instance)
    : impl_(std::make_unique<Impl>(*this, static_cast<HINSTANCE>(instance))) {
    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    if (dpi_ <= 0) dpi_ = 96;
    // The program has no console: a handler's failure is shown in a box.
    dispatcher().handlerFailed = [this](std::string_view what) { fail(what); };
}

Win32Runtime::~Win32Runtime() = default;

void Win32Runtime::keepReachable(win::HWND window) {
    Impl::keepReachable(native(window));
}

unsigned Win32Runtime::recallMessage() {
    static const UINT message = RegisterWindowMessageW(L"Sorvane.Recall");
    return message;
}

int Win32Runtime::run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void Win32Runtime::fail(std::string_view what) {
    const std::wstring text = wide(what);
    const std::wstring title = wide(applicationTitle);
    MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ExitProcess(1);
}

win::HWND Win32Runtime::createNative(forms::Window& window) {
    auto& n = impl_->natives[&window];
    n = std::make_unique<Native>(Native{impl_.get(), &window});
    const auto& s = window.settings;
    const DWORD style = (s.borderless ? WS_POPUP : WS_OVERLAPPEDWINDOW) | WS_CLIPCHILDREN;
    const DWORD exStyle = s.showInTaskbar ? WS_EX_APPWINDOW : WS_EX_TOOLWINDOW;
    const std::wstring title = wide(window.name());
    ::HWND hwnd = CreateWindowExW(
        exStyle, formClass, title.c_str(), style, twipsToPixels(window.Left, dpi_),
        twipsToPixels(window.Top, dpi_), twipsToPixels(window.Width, dpi_),
        twipsToPixels(window.Height, dpi_), nullptr, nullptr, impl_->instance, n.get());
    if (!hwnd) fail("Impossible de créer la fenêtre " + std::string(window.name()));

    if (s.icon) {
        auto load = [&](int metric) {
            return static_cast<HICON>(LoadImageW(impl_->instance, MAKEINTRESOURCEW(iconResource),
                                                 IMAGE_ICON, GetSystemMetrics(metric),
                                                 GetSystemMetrics(metric + 1), LR_DEFAULTCOLOR));
        };
        if (!impl_->bigIcon) impl_->bigIcon = load(SM_CXICON);
        if (!impl_->smallIcon) impl_->smallIcon = load(SM_CXSMICON);
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(impl_->bigIcon));
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(impl_->smallIcon));
    }
    for (forms::Control* c : window.controls())
        if (c->kind() == ControlKind::HScrollBar)
            impl_->createScrollBar(static_cast<forms::HScrollBar&>(*c), hwnd);
    return reinterpret_cast<win::HWND>(hwnd);
}

void Win32Runtime::showNative(forms::Window& window, bool visible) {
    ShowWindow(native(window.hWnd()), visible ? SW_SHOW : SW_HIDE);
}

void Win32Runtime::controlChangedNative(forms::Control& control, forms::Property which) {
    if (control.kind() == ControlKind::HScrollBar) {
        ::HWND sb = impl_->scrollBars[&control];
        if (!sb) return;
        if (which == forms::Property::Value) {
            const int value = static_cast<forms::HScrollBar&>(control).Value();
            if (GetScrollPos(sb, SB_CTL) != value) SetScrollPos(sb, SB_CTL, value, TRUE);
        } else {
            const PixelRect r = pixelRect(control, dpi_);
            MoveWindow(sb, r.left, r.top, r.width, r.height, TRUE);
        }
        return;
    }
    impl_->invalidate(control);
}

void Win32Runtime::windowChangedNative(forms::Window& window, forms::Property) {
    SetWindowPos(native(window.hWnd()), nullptr, twipsToPixels(window.Left, dpi_),
                 twipsToPixels(window.Top, dpi_), twipsToPixels(window.Width, dpi_),
                 twipsToPixels(window.Height, dpi_), SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Runtime::paintPendingNative() {
    impl_->flush();
}

void Win32Runtime::timerNative(forms::Timer& timer, bool run, int interval) {
    auto& timers = impl_->timers;
    std::size_t index = 0;
    while (index < timers.size() && timers[index] != &timer)
        ++index;
    if (index == timers.size()) timers.push_back(&timer);
    const UINT_PTR id = index + 1;
    ::HWND hwnd = native(timer.window().hWnd());
    if (run)
        SetTimer(hwnd, id, static_cast<UINT>(interval), nullptr);
    else
        KillTimer(hwnd, id);
}

// The wide call, not MessageBoxA: the texts are UTF-8 ("réafficher"), and the A call would read
// them in whatever ANSI code page the machine has. UTF-16 shows the same characters everywhere.
int Win32Runtime::messageBoxNative(std::string_view text, int style, std::string_view title) {
    impl_->flush();
    const std::wstring t = wide(text);
    const std::wstring caption = wide(title.empty() ? applicationTitle : title);
    // Unasked (a timer's question), the box is owned by the timer's window, in the style the
    // program gives: Windows then keeps it from taking the foreground from where the user types.
    // Asked for by a click, it comes to the front and holds every window of the program.
    if (const forms::Timer* timer = dispatcher().innermostTimer())
        return MessageBoxW(native(timer->window().hWnd()), t.c_str(), caption.c_str(),
                           static_cast<UINT>(style));
    return MessageBoxW(nullptr, t.c_str(), caption.c_str(),
                       static_cast<UINT>(style) | MB_TASKMODAL | MB_SETFOREGROUND);
}

forms::MenuItem* Win32Runtime::popupMenuNative(forms::Window& window, forms::MenuItem& menu) {
    impl_->flush();
    const auto entries = menuEntries(menu);
    HMENU root = impl_->buildMenu(entries);
    ::HWND owner = native(window.hWnd());
    POINT at{};
    GetCursorPos(&at);
    // Without being foreground, the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(owner);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        root, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, at.x,
        at.y, 0, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    DestroyMenu(root);
    return findMenuCommand(entries, chosen);
}

void Win32Runtime::endNative() {
    ExitProcess(0);
}

} // namespace sorvane::win32
