#include "DebugTrace.h"

#include "Platform.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace {
std::atomic<DebugTraceSink> traceSink{nullptr};

// The switch is read once and cached without a static guard, which could make
// the audio thread wait for another thread's first call; two threads that race
// both compute the same answer.
bool debugOutputEnabled()
{
    static std::atomic<int> cached{-1};
    int enabled = cached.load(std::memory_order_relaxed);
    if (enabled < 0) {
        enabled = platform::debugSwitchSet() ? 1 : 0;
        cached.store(enabled, std::memory_order_relaxed);
    }
    return enabled != 0;
}
} // namespace

void setDebugTraceSink(DebugTraceSink sink)
{
    traceSink.store(sink);
}

void debugTrace(const char* format, ...)
{
    const DebugTraceSink sink = traceSink.load(std::memory_order_relaxed);
    if (sink == nullptr && !debugOutputEnabled())
        return;
    char buffer[512];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (length < 0 || length >= static_cast<int>(sizeof buffer))
        return;
    if (sink != nullptr)
        sink(buffer);
    else
        platform::debugOutput(buffer);
}
