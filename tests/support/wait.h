// Tests wait for a condition with a deadline; they never sleep a fixed time to let things settle.
#pragma once

#include <chrono>
#include <thread>

namespace sorvane::testsupport {

// Polls `condition` every `step` until it holds (true) or `timeout` passes (false).
template <class Condition>
bool waitUntil(Condition&& condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000),
               std::chrono::milliseconds step = std::chrono::milliseconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(step);
    }
}

} // namespace sorvane::testsupport
