#include "platform/dispatcher.h"

#include <algorithm>

namespace sorvane::platform {

bool Dispatcher::running(const void* source, forms::Event event) const {
    return std::find(running_.begin(), running_.end(), Key{source, event}) != running_.end();
}

bool Dispatcher::admits(const void* source, forms::Event event) const {
    return !ended_ && suppressed_ == 0 && !running(source, event);
}

} // namespace sorvane::platform
