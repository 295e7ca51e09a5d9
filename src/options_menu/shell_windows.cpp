#include "options_menu/shell_windows.h"

#include "program/program.h"

namespace sorvane::options_menu {

using namespace win;

namespace {
// An empty title, not a null one: the taskbar is the tray window whose title is empty.
constexpr const char* taskbarClass = "Shell_traywnd";
constexpr const char* taskbarTitle = "";
constexpr const char* desktopClass = "Progman";
constexpr const char* desktopTitle = "Program Manager";

void setTaskbarShown(Program& p, UINT flags) {
    p.Main.hTaskbar = p.os.FindWindowA(taskbarClass, taskbarTitle);
    // With SWP_HIDEWINDOW or SWP_SHOWWINDOW the zero place and size are not applied.
    p.os.SetWindowPos(p.Main.hTaskbar, HWND_TOP, 0, 0, 0, 0, flags);
}

void montrerIconbureau(Program& p, int command) {
    p.Main.hIconbureau = p.os.FindWindowA(desktopClass, desktopTitle);
    p.os.ShowWindow(p.Main.hIconbureau, command);
}
} // namespace

void HideTaskbar(Program& p) {
    setTaskbarShown(p, SWP_HIDEWINDOW);
}

void UnhideTaskbar(Program& p) {
    setTaskbarShown(p, SWP_SHOWWINDOW);
}

void HideIconbureau(Program& p) {
    montrerIconbureau(p, SW_HIDE);
}

void UnhideIconbureau(Program& p) {
    montrerIconbureau(p, SW_SHOW);
}

} // namespace sorvane::options_menu
