#include "Platform.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {

bool debugOutputEnabled()
{
    // The debugger output is cheap when nobody listens; always send it.
    return true;
}

void debugOutput(const char* text)
{
    OutputDebugStringA(text);
}

} // namespace platform
