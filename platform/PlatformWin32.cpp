#include "Platform.h"

#include <atomic>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {

namespace {
bool readDebugSwitch()
{
    char value[8] = {};
    const DWORD length = GetEnvironmentVariableA("ZINTRA_DEBUG", value, sizeof value);
    return length > 0 && length < sizeof value && !(value[0] == '0' && value[1] == '\0');
}
} // namespace

// Formatting a line for every event costs the audio thread time even when no
// debugger listens, so diagnostics are sent only when asked for.
bool debugOutputEnabled()
{
    // Cached without a static guard, which could make the audio thread wait
    // for another thread's first call; two threads that race both compute the
    // same answer.
    static std::atomic<int> cached{-1};
    int enabled = cached.load(std::memory_order_relaxed);
    if (enabled < 0) {
        enabled = readDebugSwitch() ? 1 : 0;
        cached.store(enabled, std::memory_order_relaxed);
    }
    return enabled != 0;
}

unsigned long long currentThreadId()
{
    return GetCurrentThreadId();
}

void debugOutput(const char* text)
{
    OutputDebugStringA(text);
}

} // namespace platform
