#include "Platform.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {

// Formatting a line for every event costs the audio thread time even when no
// debugger listens, so diagnostics are sent only when asked for, as on Linux.
bool debugSwitchSet()
{
    char value[8] = {};
    const DWORD length = GetEnvironmentVariableA("ZINTRA_DEBUG", value, sizeof value);
    return length > 0 && length < sizeof value && !(value[0] == '0' && value[1] == '\0');
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
