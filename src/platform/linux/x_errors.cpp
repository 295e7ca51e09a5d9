#include "platform/linux/x_errors.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace sorvane::linuxos {
namespace {

std::mutex g_mutex;
std::vector<Display*> g_tolerant;
XErrorHandler g_previous = nullptr;
bool g_installed = false;
std::atomic<unsigned long> g_ignored{0};

extern "C" int tolerantXErrorHandler(Display* d, XErrorEvent* e) {
    XErrorHandler previous = nullptr;
    {
        std::lock_guard lock(g_mutex);
        if (std::find(g_tolerant.begin(), g_tolerant.end(), d) != g_tolerant.end()) {
            ++g_ignored;
            return 0;
        }
        previous = g_previous;
    }
    return previous ? previous(d, e) : 0;
}

} // namespace

void tolerateErrorsOn(_XDisplay* display) {
    std::lock_guard lock(g_mutex);
    if (!g_installed) {
        g_previous = XSetErrorHandler(tolerantXErrorHandler);
        g_installed = true;
    }
    g_tolerant.push_back(display);
}

void stopToleratingErrorsOn(_XDisplay* display) {
    std::lock_guard lock(g_mutex);
    std::erase(g_tolerant, display);
}

unsigned long ignoredXErrors() {
    return g_ignored.load();
}

} // namespace sorvane::linuxos
