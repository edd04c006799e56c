#include "PluginFactory.h"

#include "CQuiboPlugin.h"

#include <new>

AEffect* createPluginEffect(audioMasterCallback audioMaster)
{
    if (audioMaster == nullptr || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    CQuiboPlugin* plugin = new (std::nothrow) CQuiboPlugin(audioMaster);
    if (plugin == nullptr)
        return nullptr;
    if (plugin->outOfMemory()) {
        delete plugin;
        return nullptr;
    }
    return plugin->getAeffect();
}
