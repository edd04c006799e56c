#pragma once

#include "VstAbi.h"

class AudioEffect;

// What the host frame asks of an editor. The front-panel editor implements it.
class AEffEditor {
public:
    virtual ~AEffEditor() = default;
    virtual bool getRect(ERect** rect) = 0;
    virtual bool open(void* parentWindow) = 0;
    virtual void close() = 0;
    virtual void idle() = 0;
    virtual bool onKeyDown(VstKeyCode& keyCode) = 0;
    virtual bool onKeyUp(VstKeyCode& keyCode) = 0;
    virtual bool setKnobMode(VstInt32 mode) = 0;
    // A parameter was applied; the editor redraws its control.
    virtual void setParameter(VstInt32 index, float value) = 0;
    // The whole panel state changed (a bank was loaded).
    virtual void postUpdate() = 0;
    // The host's display scale for the editor (1 = 96 dots per inch); 0
    // withdraws it. An editor that draws at one size only ignores it.
    virtual void setHostScaleFactor(float) { }
};
