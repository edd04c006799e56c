#include "CVoice.h"

#include <algorithm>

CVoice::CVoice() = default;

void CVoice::setSampleRate(float) {}

int CVoice::OnEvent(const VstMidiEvent&)
{
    return 1;
}

void CVoice::SetParameter(int, float) {}
void CVoice::SetBeepVoice(int) {}
void CVoice::NoteOn(int, int) {}
void CVoice::NoteOff() {}
void CVoice::Silence() {}
void CVoice::RenderSample(float) {}

int CVoice::EndBlock(float* out, int count)
{
    std::fill(out, out + count, 0.0f);
    return count;
}

void CVoice::Tick() {}

int CVoice::Stage() const
{
    return 0;
}

void CVoice::resetAlternation() {}
