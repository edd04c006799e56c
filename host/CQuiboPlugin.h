#pragma once

#include "CQuibo.h"

// The plug-in as the host sees it: the instrument plus its editor and the
// product's identity. The editor is made by the plug-in module's entry
// point, above this layer, and registers itself here.
class CQuiboPlugin : public CQuibo {
public:
    explicit CQuiboPlugin(audioMasterCallback hostCallback);
    ~CQuiboPlugin() override;

    void setParameter(VstInt32 index, float value) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;

    // The front-panel editor registers here when it is made; the plug-in
    // deletes it. Hosts are told there is an editor only when shown is true
    // (builds with a window backend).
    void adoptEditor(AEffEditor* panel, bool shown);
};
