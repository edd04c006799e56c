#include "CKeyDispatcher.h"

#include "CQuibo.h"

#include <cmath>

namespace {
float clampUnit(float value)
{
    if (std::isnan(value))
        return 0.0f;
    if (value >= 1.0f)
        return 1.0f;
    if (value < 0.0f)
        return 0.0f;
    return value;
}
} // namespace

void CKeyDispatcher::dispatch(VstInt32 index, float value)
{
    value = clampUnit(value);
    if (index >= 0 && index < CQuibo::kNumParams) {
        applyParameter(index, value);
        m_owner->voice().SetParameter(index, value);
        m_owner->notifyEditor(index, value);
    } else if (index >= KeyReset && index <= KeyOneKey2) {
        functionKey(index, value);
    }
}

void CKeyDispatcher::applyParameter(VstInt32 index, float value)
{
    CQuibo& owner = *m_owner;
    switch (index) {
    case CQuibo::kParamProgram:
        owner.storeParameter(index, value);
        owner.setProgram(static_cast<VstInt32>(std::floor(value * 5.0f)));
        break;
    case CQuibo::kParamMode:
        changeMode(value);
        break;
    case CQuibo::kParamTempo: {
        owner.storeParameter(index, value);
        const float tempo = owner.tempoClock().setTempo(std::floor(value * 18.0f) - 9.0f);
        owner.displayModel().showTempo(tempo);
        break;
    }
    default:
        owner.storeParameter(index, value);
        if (index >= CQuibo::kFirstSoundParam)
            owner.storeInCurrentProgram(index, value);
        break;
    }
}

void CKeyDispatcher::changeMode(float value)
{
    m_owner->storeParameter(CQuibo::kParamMode, value);
    resetPanel();
    const int mode = static_cast<int>(std::floor(value * 3.0f));
    m_owner->setMode(mode);
    if (mode <= 1)
        m_owner->resume();
    else
        m_owner->suspend();
}

void CKeyDispatcher::resetPanel()
{
    CQuibo& owner = *m_owner;
    owner.eventManager().FlushAll();
    owner.voice().Silence();
    owner.sequencer().Reset();
    owner.rhythmBox().Reset();
    owner.tempoClock().reset();
    owner.calculator().clear(true, false);
    owner.displayModel().setMode(owner.getParameter(CQuibo::kParamMode), owner.calculator().memoryNonZero());
    owner.setProgram(owner.getProgram());
}

void CKeyDispatcher::noteKey(VstInt32, float) {}

void CKeyDispatcher::functionKey(VstInt32, float) {}
