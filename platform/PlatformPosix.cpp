#include "Platform.h"

#include <atomic>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <pthread.h>

namespace platform {

namespace {
bool readDebugSwitch()
{
    const char* value = std::getenv("ZINTRA_DEBUG");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}
} // namespace

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
    return static_cast<unsigned long long>(pthread_self());
}

void debugOutput(const char* text)
{
    std::fputs(text, stderr);
}

} // namespace platform
