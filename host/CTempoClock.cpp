#include "CTempoClock.h"

#include "CQuibo.h"
#include "SampleRateRange.h"

CTempoClock::CTempoClock()
{
    reset();
}

void CTempoClock::reset()
{
    sequencerRunning = 0;
    tempoShownPending = 0;
    countSteps = 0;
    sequencerEnded = 0;
    setTempo(m_tempo);
    tempoShownPending = 1;
}

float CTempoClock::setTempo(float t)
{
    if (t > 9.0f)
        t = 9.0f;
    if (t < -9.0f)
        t = -9.0f;
    m_tempo = t;
    m_increment = 1.0f / m_clockRate;
    m_period = (9.0f - m_tempo) * 0.00098f + 0.0055f;
    return m_tempo;
}

void CTempoClock::setClockRate(float rate)
{
    if (!isUsableSampleRate(rate))
        return;
    m_clockRate = rate;
    m_increment = 1.0f / m_clockRate;
}

void CTempoClock::setFlag(CPanelHost::ClockFlag flag, int value)
{
    if (flag == CPanelHost::kClockSequencerRunning)
        sequencerRunning = value;
    else if (flag == CPanelHost::kClockCountSteps)
        countSteps = value;
}

bool CTempoClock::step()
{
    if (m_owner == nullptr)
        return false;
    m_phase += m_increment;
    if (m_phase < m_period)
        return false;
    m_phase -= m_period;
    return true;
}

void CTempoClock::tickPanel()
{
    CQuibo& owner = *m_owner;
    if (sequencerRunning)
        sequencerEnded = owner.sequencer().Tick() == 0 ? 1 : 0;
    if (owner.voice().Stage() == 0) {
        if (sequencerEnded) {
            sequencerEnded = 0;
            owner.rhythmBox().RequestStop();
            owner.sequencer().Stop();
            tempoShownPending = 1;
        }
        if (tempoShownPending) {
            tempoShownPending = 0;
            owner.displayModel().showTempo(m_tempo);
        }
    }
    if (countSteps)
        owner.sequencer().CountStep();
    owner.displayModel().tick();
}

void CTempoClock::tickEngine()
{
    m_owner->voice().Tick();
    m_owner->rhythmBox().setTickFlag();
}
