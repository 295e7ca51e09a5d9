// wineprobe.exe: looks at Sorvane's windows from inside the same Wine session, for the Wine
// tests. What X cannot tell (the text of a message box, the entries of a pop-up menu, a layered
// window's alpha as Windows sees it) is printed one fact a line.
//
//   wineprobe box <title>     the visible message box with that title: its text and buttons
//   wineprobe menu            the open pop-up menus: entries with their check marks
//   wineprobe window <title>  a top-level window: handle, rectangle, extended style, layered alpha
//   wineprobe foreground      the title of the window that has the keyboard now
//   wineprobe displaychange <title>
//                             sends a top-level window what Windows sends every window when
//                             the monitors change, with the screen as it is
//   wineprobe showmenu <x> <y> <entry>...
//                             opens a pop-up menu of its own at x, y until it is ended: what
//                             the gauge's menu must look like, drawn by the same Wine code.
//                             An entry is "[x] Caption" or "[ ] Caption"; "[>] Caption" opens
//                             an (empty) sub-menu.
//
// Each waits up to five seconds for what it looks for; exit code 1 when it never comes.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string utf8(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

std::wstring wide(const char* s) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s, -1, w.data(), n);
    w.resize(static_cast<std::size_t>(n > 0 ? n - 1 : 0));
    return w;
}

std::wstring textOf(HWND h) {
    wchar_t buf[1024] = {};
    SendMessageTimeoutW(h, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    return buf;
}

std::wstring classOf(HWND h) {
    wchar_t buf[256] = {};
    GetClassNameW(h, buf, 256);
    return buf;
}

template <class Find> HWND waitFor(Find find) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        if (HWND h = find()) return h;
        if (std::chrono::steady_clock::now() > deadline) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void printRect(const char* what, HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    std::printf("%s %ld %ld %ld %ld\n", what, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

int box(const char* title) {
    const std::wstring t = wide(title);
    HWND dlg = waitFor([&]() -> HWND {
        HWND h = FindWindowW(L"#32770", t.c_str());
        return h && IsWindowVisible(h) ? h : nullptr;
    });
    if (!dlg) return 1;
    std::printf("title=%s\n", utf8(textOf(dlg)).c_str());
    printRect("rect", dlg);
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const std::wstring cls = classOf(c);
        if (_wcsicmp(cls.c_str(), L"Static") == 0) {
            const std::string text = utf8(textOf(c));
            if (!text.empty()) std::printf("text=%s\n", text.c_str());
        } else if (_wcsicmp(cls.c_str(), L"Button") == 0) {
            RECT r{};
            GetWindowRect(c, &r);
            std::printf("button %d %ld %ld %ld %ld %s\n", GetDlgCtrlID(c), r.left, r.top,
                        r.right - r.left, r.bottom - r.top, utf8(textOf(c)).c_str());
        }
    }
    return 0;
}

void printMenu(HMENU menu, const std::string& indent) {
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_STRING | MIIM_STATE | MIIM_SUBMENU | MIIM_ID;
        mi.dwTypeData = text;
        mi.cch = 255;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mi)) {
            std::printf("%sunreadable\n", indent.c_str());
            continue;
        }
        std::printf("%s%s %s\n", indent.c_str(), (mi.fState & MFS_CHECKED) ? "[x]" : "[ ]",
                    utf8(text).c_str());
        if (mi.hSubMenu) printMenu(mi.hSubMenu, indent + "  ");
    }
}

struct Menus {
    std::vector<HWND> list;
};

BOOL CALLBACK collectMenu(HWND h, LPARAM p) {
    if (IsWindowVisible(h) && classOf(h) == L"#32768")
        reinterpret_cast<Menus*>(p)->list.push_back(h);
    return TRUE;
}

int menu() {
    Menus menus;
    waitFor([&]() -> HWND {
        menus.list.clear();
        EnumWindows(collectMenu, reinterpret_cast<LPARAM>(&menus));
        return menus.list.empty() ? nullptr : menus.list.front();
    });
    if (menus.list.empty()) return 1;
    for (HWND h : menus.list) {
        printRect("menu", h);
        auto m = reinterpret_cast<HMENU>(SendMessageW(h, 0x01E1 /* MN_GETHMENU */, 0, 0));
        if (m) printMenu(m, "  ");
    }
    return 0;
}

int window(const char* title) {
    const std::wstring t = wide(title);
    HWND h = waitFor([&] { return FindWindowW(nullptr, t.c_str()); });
    if (!h) return 1;
    std::printf("handle 0x%llx\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(h)));
    printRect("rect", h);
    const LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
    std::printf("exstyle 0x%08lx\n", static_cast<unsigned long>(ex));
    std::printf("visible %d\n", IsWindowVisible(h) ? 1 : 0);
    BYTE alpha = 0;
    DWORD flags = 0;
    if (GetLayeredWindowAttributes(h, nullptr, &alpha, &flags))
        std::printf("alpha %u\n", static_cast<unsigned>(alpha));
    return 0;
}

int displayChange(const char* title) {
    const std::wstring t = wide(title);
    HWND h = waitFor([&] { return FindWindowW(nullptr, t.c_str()); });
    if (!h) return 1;
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    const LPARAM size = MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return SendMessageTimeoutW(h, WM_DISPLAYCHANGE, static_cast<WPARAM>(bits), size,
                               SMTO_ABORTIFHUNG, 5000, nullptr)
               ? 0
               : 1;
}

int foreground() {
    HWND h = GetForegroundWindow();
    std::printf("foreground=%s\n", h ? utf8(textOf(h)).c_str() : "");
    return 0;
}

int showMenu(int x, int y, int count, char** entries) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"WineProbeOwner";
    RegisterClassW(&wc);
    HWND owner = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"wineprobe", WS_POPUP, 0, 0,
                                 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
    HMENU menu = CreatePopupMenu();
    for (int i = 0; i < count; ++i) {
        const std::string entry = entries[i];
        if (entry.size() < 4) return 2;
        const std::wstring caption = wide(entry.c_str() + 4);
        if (entry.compare(0, 3, "[>]") == 0)
            AppendMenuW(menu, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()),
                        caption.c_str());
        else
            AppendMenuW(menu, MF_STRING | (entry.compare(0, 3, "[x]") == 0 ? MF_CHECKED : 0),
                        static_cast<UINT_PTR>(i + 1), caption.c_str());
    }
    SetForegroundWindow(owner);
    TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, x, y, 0,
                   owner, nullptr);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "box" && argc > 2) return box(argv[2]);
    if (command == "menu") return menu();
    if (command == "foreground") return foreground();
    if (command == "displaychange" && argc > 2) return displayChange(argv[2]);
    if (command == "window" && argc > 2) return window(argv[2]);
    if (command == "showmenu" && argc > 4)
        return showMenu(std::atoi(argv[2]), std::atoi(argv[3]), argc - 4, argv + 4);
    std::fprintf(stderr,
                 "usage: wineprobe box <title> | menu | window <title> | showmenu x y ...\n");
    return 2;
}
