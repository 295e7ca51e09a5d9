// Sorvane.exe: the gauge on the Windows desktop.
#include "forms/program.h"
#include "platform/win32/win32_os.h"
#include "platform/win32/win32_runtime.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <exception>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    sorvane::win32::Win32Runtime runtime(instance);
    try {
        sorvane::win32::Win32Os system(&runtime.dispatcher());
        sorvane::win::OsServices os(system, system, system, system);
        sorvane::Program program(os, runtime);
        program.start();
        return runtime.run();
    } catch (const std::exception& e) {
        runtime.fail(e.what());
    }
}
