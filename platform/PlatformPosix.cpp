#include "Platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    static const bool enabled = readDebugSwitch();
    return enabled;
}

void debugOutput(const char* text)
{
    std::fputs(text, stderr);
}

} // namespace platform
