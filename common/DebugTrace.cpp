#include "DebugTrace.h"

#include "Platform.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace {
std::atomic<DebugTraceSink> traceSink{nullptr};
}

void setDebugTraceSink(DebugTraceSink sink)
{
    traceSink.store(sink);
}

void debugTrace(const char* format, ...)
{
    const DebugTraceSink sink = traceSink.load(std::memory_order_relaxed);
    if (sink == nullptr && !platform::debugOutputEnabled())
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
