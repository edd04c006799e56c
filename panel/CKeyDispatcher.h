#pragma once

#include "VstAbi.h"

class CQuibo;

// Turns queued commands (parameters 0 to 14, function keys 84 to 93) and
// panel note keys into actions on the instrument's components.
class CKeyDispatcher {
public:
    enum KeyCode {
        KeyReset = 84,
        KeyDelete,
        KeyTempoUp,
        KeyTempoDown,
        KeyRhythm,
        KeyErase,
        KeyDemo,
        KeyPlay,
        KeyOneKey1,
        KeyOneKey2,
    };

    void setOwner(CQuibo* owner) { m_owner = owner; }

    // Applies one queued command on the audio thread.
    void dispatch(VstInt32 index, float value);
    // A note key from the panel: 1.0 press, 0.0 release.
    void noteKey(VstInt32 keyCode, float value);
    void resetPanel();

private:
    void applyParameter(VstInt32 index, float value);
    void changeMode(float value);
    void functionKey(VstInt32 keyCode, float value);

    CQuibo* m_owner = nullptr;
};
