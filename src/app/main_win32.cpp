// Sorvane.exe: the gauge on the Windows desktop.
#include "app/event_table.h"
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
    sorvane::win32::Win32Runtime runtime(instance);
    // The refresh runs right after any other handler instead of a hundred times a second. The
    // key polls keep their clocks: without a system-wide hook Windows tells a program of no key
    // press it does not have the focus for, so there is no key watch to wake them.
    runtime.setPolicy(sorvane::platform::Policy::IdleAware);
    sorvane::win32::Win32Os system;
    sorvane::win::OsServices os(system, system, system, system);
    sorvane::app::Gauge program(os, runtime);
    program.start();
    return runtime.run();
}
