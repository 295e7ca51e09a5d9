// One gauge per session, on a named mutex.
//
//  [X] The mutex is created owned: of two starts at the same instant, one creates it and the
//      other finds it, atomically.
//  [X] The system abandons it when its owner ends by any path (close button, ExitProcess, a
//      crash): a later start waiting on it gets it, and is the gauge.
//  [X] The recall is a registered message posted to the form F8, found by its class and title;
//      the runtime hands it to that form's Recall event.
//  [~] Per session ("Local\"): two users on one machine each have their gauge.
#include "platform/win32/win32_instance.h"

#include "platform/win32/win32_runtime.h"

#include <windows.h>

namespace sorvane::win32 {

SessionInstance::~SessionInstance() {
    if (mutex_) CloseHandle(static_cast<HANDLE>(mutex_));
}

SessionInstance::Claim SessionInstance::claim() {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Local\\Sorvane.Gauge");
    // Without a mutex (a name taken by another kind of object) there is no telling: run.
    if (!mutex) return Claim::Ours;
    mutex_ = mutex;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return Claim::Ours;
    // Another gauge holds it, or is still creating its windows, or has just ended.
    const ULONGLONG deadline = GetTickCount64() + 10000;
    do {
        const DWORD wait = WaitForSingleObject(mutex, 0);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) return Claim::Ours;
        if (HWND watcher = FindWindowW(Win32Runtime::formClass, L"F8"))
            if (PostMessageW(watcher, Win32Runtime::recallMessage(), 0, 0)) return Claim::Recalled;
        Sleep(50);
    } while (GetTickCount64() < deadline);
    return Claim::Unanswered;
}

} // namespace sorvane::win32
