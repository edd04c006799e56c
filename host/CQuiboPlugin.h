#pragma once

#include "CQuibo.h"

// The plug-in as the host sees it: the instrument plus its editor and the
// product's identity.
class CQuiboPlugin : public CQuibo {
public:
    explicit CQuiboPlugin(audioMasterCallback audioMaster);
    ~CQuiboPlugin() override;

    void setParameter(VstInt32 index, float value) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;

    // True when the editor could not be allocated; the entry point then
    // refuses the instance.
    bool outOfMemory() const { return m_outOfMemory; }

private:
    bool m_outOfMemory = false;
};
