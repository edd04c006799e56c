#include "CQuiboPlugin.h"

#include <cstring>

CQuiboPlugin::CQuiboPlugin(audioMasterCallback audioMaster)
    : CQuibo(audioMaster)
{
    // The front-panel editor registers itself here once it exists.
}

CQuiboPlugin::~CQuiboPlugin() = default;

void CQuiboPlugin::setParameter(VstInt32 index, float value)
{
    CQuibo::setParameter(index, value);
}

bool CQuiboPlugin::getEffectName(char* name)
{
    std::strcpy(name, "Zintra");
    return true;
}

bool CQuiboPlugin::getVendorString(char* text)
{
    std::strcpy(text, "Ferrowick");
    return true;
}

bool CQuiboPlugin::getProductString(char* text)
{
    std::strcpy(text, "Zintra");
    return true;
}

VstInt32 CQuiboPlugin::getVendorVersion()
{
    return 1000;
}
