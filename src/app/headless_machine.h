// A whole program on the headless backend: the recording OS, the virtual-clock runtime and the
// program itself, with the test face that scripts the world and reads back what happened.
#pragma once

#include "app/event_table.h"
#include "platform/headless/headless_os.h"
#include "platform/headless/headless_runtime.h"

#include <memory>

namespace sorvane::app {

using headless::Millis;

class HeadlessMachine {
  public:
    // With `withShell`, a taskbar ("Shell_TrayWnd", empty title) and a desktop window
    // ("Progman", "Program Manager") exist, as on a Windows desktop.
    // With Policy::IdleAware, the runtime delivers the polls as a sleeping native runtime does.
    explicit HeadlessMachine(bool withShell = true,
                             platform::Policy policy = platform::Policy::Clock);

    Program& program() { return *program_; }
    ModMain& state() { return program_->state; }
    headless::HeadlessOs& os() { return os_; }
    headless::HeadlessRuntime& runtime() { return runtime_; }

    void start() { program_->start(); }
    void advance(Millis d) { runtime_.advance(d); }
    Millis now() const { return runtime_.now(); }
    bool ended() const { return runtime_.ended(); }

    void setPower(win::BYTE acLine, win::BYTE percent, win::LONG lifeTime = -1);

    win::HWND taskbar() const { return taskbar_; }
    win::HWND desktop() const { return desktop_; }
    bool taskbarVisible() const { return visible(taskbar_); }
    bool desktopVisible() const { return visible(desktop_); }
    bool visible(win::HWND h) const;
    // The window's alpha when it is layered, 255 (opaque) otherwise.
    int alpha(win::HWND h) const;
    bool topmost(win::HWND h) const;

  private:
    headless::HeadlessRuntime runtime_;
    headless::HeadlessOs os_;
    win::OsServices services_;
    std::unique_ptr<Program> program_;
    win::HWND taskbar_ = 0;
    win::HWND desktop_ = 0;
};

} // namespace sorvane::app
