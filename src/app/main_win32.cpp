// Sorvane.exe: the gauge on the Windows desktop. A windowed program: it ignores its command line.
// One gauge per session: a later start recalls it and leaves.
#include "app/event_table.h"
#include "platform/win32/win32_instance.h"
#include "platform/win32/win32_os.h"
#include "platform/win32/win32_runtime.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdlib>

#if defined(__GLIBCXX__)
#include <cxxabi.h>

// libstdc++'s default handler for an exception nobody catches prints the exception's demangled
// type to stderr, which a windowed program does not have, and then aborts. The demangler and
// the printf it drags in are a fifth of the program file; this one aborts the same way. Defined
// here, in an object linked before libstdc++, so the library's own is never pulled in.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Held until the process ends, whichever way it ends.
    sorvane::win32::SessionInstance session;
    switch (session.claim()) {
    case sorvane::win32::SessionInstance::Claim::Recalled:
        return 0;
    case sorvane::win32::SessionInstance::Claim::Unanswered:
        return 1;
    case sorvane::win32::SessionInstance::Claim::Ours:
        break;
    }
    sorvane::win32::Win32Runtime runtime(instance);
    // The refresh runs right after any other handler instead of a hundred times a second. The
    // key polls keep their clocks: without a system-wide hook Windows tells a program of no key
    // press it does not have the focus for, so there is no key watch to wake them.
    runtime.setPolicy(sorvane::platform::Policy::IdleAware);
    sorvane::win32::Win32Os system;
    // A gauge called back on top comes back within reach, as after a change of monitors.
    system.raisedOnTop = sorvane::win32::Win32Runtime::keepReachable;
    sorvane::win::OsServices os(system, system, system, system);
    // A tone holds the thread: the picture the handler just set comes up as it starts.
    os.setBeforeHold([&] { runtime.paintPending(); });
    sorvane::app::Gauge program(os, runtime);
    program.start();
    return runtime.run();
}
