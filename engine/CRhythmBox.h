#pragma once

#include "CEventListener.h"

class CQuibo;

// The rhythm box: ten patterns of three drum sounds, stepped by the tempo
// clock, and single drum hits from MIDI channel 2. Audio thread only.
class CRhythmBox : public CEventListener {
public:
    CRhythmBox();
    void setOwner(CQuibo* owner) { m_owner = owner; }
    // Host sample rate; rebuilds the drum tables. Never called while rendering.
    void setSampleRate(float rate);

    int OnEvent(const VstMidiEvent& event) override;
    void SelectPattern(int pattern);
    void StartAt(int step);
    void RequestStop();
    void PlayHit(int note, int velocity);
    void Reset();
    float NextSample();
    // Raised by the tempo clock at every tick.
    void setTickFlag() { m_tickFlag = 1; }

private:
    CQuibo* m_owner = nullptr;
    int m_tickFlag = 0;
};
