#include "PluginFactory.h"

#include "CPanelEditor.h"
#include "CQuiboPlugin.h"

#include <new>

AEffect* createPluginEffect(audioMasterCallback audioMaster)
{
    if (audioMaster == nullptr || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    CQuiboPlugin* plugin = new (std::nothrow) CQuiboPlugin(audioMaster);
    if (plugin == nullptr)
        return nullptr;
    // The editor registers itself with the plug-in, which deletes it.
    if (new (std::nothrow) CPanelEditor(plugin) == nullptr) {
        delete plugin;
        return nullptr;
    }
    return plugin->getAeffect();
}
