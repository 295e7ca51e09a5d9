#include "platform/dispatcher.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace sorvane::platform {

bool Dispatcher::running(const void* source, forms::Event event) const {
    return std::find(running_.begin(), running_.end(), Key{source, event}) != running_.end();
}

bool Dispatcher::admits(const void* source, forms::Event event) const {
    return !ended_ && suppressed_ == 0 && !running(source, event);
}

void Dispatcher::fail(std::string_view what) {
    ended_ = true;
    if (handlerFailed) {
        handlerFailed(what);
    } else {
        // Pieces rather than a format: printf would add a fifth to the Windows program file.
        const std::string line = "sorvane: a handler failed: " + std::string(what) + "; exiting.\n";
        std::fputs(line.c_str(), stderr);
    }
    std::fflush(nullptr);
    // At once, like End: no destructor of a window or a connection runs on the broken state.
    std::_Exit(1);
}

} // namespace sorvane::platform
