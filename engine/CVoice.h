#pragma once

#include "CEventListener.h"

class CQuibo;

// The monophonic melody voice: oscillator, envelope, modulation and the
// band-limited output of the left channel. Audio thread only.
class CVoice : public CEventListener {
public:
    // The most frames one EndBlock may close; the block processing renders
    // longer host blocks in parts of at most this length.
    static constexpr int kMaxBlockFrames = 4096;

    CVoice();
    void setOwner(CQuibo* owner) { m_owner = owner; }
    // Host sample rate; called while the plug-in is suspended, never on the
    // audio thread while it renders.
    void setSampleRate(float rate);

    int OnEvent(const VstMidiEvent& event) override;
    void SetParameter(int index, float value);
    void SetBeepVoice(int on);
    void NoteOn(int note, int velocity);
    void NoteOff();
    void Silence();
    void RenderSample(float gain);
    int EndBlock(float* out, int count);
    void Tick();
    // The envelope stage: 0 means the voice is silent.
    int Stage() const;
    void resetAlternation();

private:
    CQuibo* m_owner = nullptr;
};
