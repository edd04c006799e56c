#include "CRhythmBox.h"

CRhythmBox::CRhythmBox() = default;

void CRhythmBox::setSampleRate(float) {}

int CRhythmBox::OnEvent(const VstMidiEvent&)
{
    return 1;
}

void CRhythmBox::SelectPattern(int) {}
void CRhythmBox::StartAt(int) {}
void CRhythmBox::RequestStop() {}
void CRhythmBox::PlayHit(int, int) {}
void CRhythmBox::Reset() {}

float CRhythmBox::NextSample()
{
    return 0.0f;
}
