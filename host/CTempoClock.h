#pragma once

#include "CPanelHost.h"

class CQuibo;

// Counts samples into tempo ticks. Every tick advances the sequencer, the
// voice's alternation, the rhythm box and the display's blink mark.
class CTempoClock {
public:
    CTempoClock();
    void setOwner(CQuibo* owner) { m_owner = owner; }

    void reset();
    // Clamps t to -9..9, stores it and recomputes the period. Answers the tempo.
    float setTempo(float t);
    void setFlag(CPanelHost::ClockFlag flag, int value);
    // One sample: answers true when a tick falls due. The owner then runs the
    // tick's panel part (with panel access, perhaps later) and its engine part.
    bool step();
    // Steps up to count samples, stopping before the first whose step would
    // tick; answers the number of samples stepped.
    int stepQuietly(int count);
    // The sequencer, its end, the tempo shown and the step count, the blink.
    void tickPanel();
    // The voice's alternation and the rhythm box's pattern step.
    void tickEngine();
    // Samples per second that the clock counts; follows the host's rate.
    void setClockRate(float rate);

    float tempo() const { return m_tempo; }
    float period() const { return m_period; }
    float increment() const { return m_increment; }

    // The four flags saved in the bank chunk.
    int sequencerRunning = 0;
    int tempoShownPending = 0;
    int countSteps = 0;
    int sequencerEnded = 0;

private:
    int evenSteps(float& phase, int limit) const;

    CQuibo* m_owner = nullptr;
    float m_clockRate = 44100.0f;
    float m_tempo = 4.0f;
    float m_phase = 0.0f;
    float m_period = 0.001f;
    float m_increment = 1.0f / 44100.0f;
};
