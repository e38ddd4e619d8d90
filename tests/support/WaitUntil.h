// Waiting for something another thread or process does: poll until it has
// happened, with a generous bound, so that a slow machine, a sanitizer or
// Wine makes a test slower, never red.
#pragma once

#include <chrono>
#include <thread>

namespace support {

// Generous: a loaded two-core machine under ThreadSanitizer runs the render
// thread about ten times slower than an idle one.
constexpr int kEventTimeoutMs = 20000;

// True as soon as done() is, false if it still is not after timeoutMs.
template <typename Done>
bool waitUntil(Done done, int timeoutMs = kEventTimeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace support
