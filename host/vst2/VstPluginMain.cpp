// The plug-in's exported entry points. Hosts look for VSTPluginMain first and
// fall back to the legacy name main; both answer the same AEffect record.
#include "CQuiboPlugin.h"

#include <new>

#if defined(_WIN32)
#define ZINTRA_EXPORT extern "C" __declspec(dllexport)
#else
#define ZINTRA_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Checks the host's version, makes the instrument with its editor and the
// front that carries it; null when the host is too old or memory runs out.
AEffect* createPluginEffect(audioMasterCallback audioMaster)
{
    if (audioMaster == nullptr || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    std::unique_ptr<CInstrument> instrument = createInstrument();
    if (instrument == nullptr)
        return nullptr;
    CQuiboPlugin* plugin = new (std::nothrow) CQuiboPlugin(audioMaster, std::move(instrument));
    return plugin != nullptr ? plugin->getAeffect() : nullptr;
}

} // namespace

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
