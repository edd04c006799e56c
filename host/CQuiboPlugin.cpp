#include "CQuiboPlugin.h"

#include "AEffEditor.h"

#include <cstring>

CQuiboPlugin::CQuiboPlugin(audioMasterCallback hostCallback)
    : CQuibo(hostCallback)
{
}

// The editor shows the instrument's display model and reads its notices, so
// it goes first, while they still exist.
CQuiboPlugin::~CQuiboPlugin()
{
    delete editor;
    editor = nullptr;
}

void CQuiboPlugin::adoptEditor(AEffEditor* panel, bool shown)
{
    setEditor(panel);
    setFlag(effFlagsHasEditor, panel != nullptr && shown);
}

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
