// The plug-in's exported entry points. Hosts look for VSTPluginMain first and
// fall back to the legacy name main; both answer the same AEffect record.
#include "PluginFactory.h"

#if defined(_WIN32)
#define ZINTRA_EXPORT extern "C" __declspec(dllexport)
#else
#define ZINTRA_EXPORT extern "C" __attribute__((visibility("default")))
#endif

ZINTRA_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster)
{
    return createPluginEffect(audioMaster);
}

#if !defined(_WIN32)
// A C++ function cannot be named main without returning int, so the legacy
// name is an assembler alias of the same function. On Windows the module
// definition file exports it instead.
extern "C" __attribute__((visibility("default"))) AEffect* legacyMainAlias(audioMasterCallback) __asm__("main")
    __attribute__((alias("VSTPluginMain")));
#endif
