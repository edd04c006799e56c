#include "Platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <pthread.h>

namespace platform {

bool debugSwitchSet()
{
    const char* value = std::getenv("ZINTRA_DEBUG");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
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
