#pragma once

// One stage of the envelope: a linear ramp between two levels whose output
// moves in whole levels, and only once per update period (12 ms).
class CRamp {
public:
    CRamp();

    void setSampleRate(float rate);
    // Durations in ms. The attack starts its output at the start level; every
    // other stage continues from the current output.
    void Start(float startLevel, float durationMs, float endLevel, bool isAttack, float timeScale);
    float Next();

    bool done() const { return m_done; }
    float output() const { return m_output; }
    // Places output and ramp value at a level (the sustain's start).
    void setLevel(float level);

private:
    float NextRising();
    float NextFalling();
    bool CountdownExpired();
    float UpdateCountdown() const;

    float m_sampleRate = 44100.0f;
    float m_timeScale = 1.0f;
    float m_duration = 0.0f;
    float m_updatePeriod = 12.0f;
    float m_remaining = 0.0f;
    float m_countdown = 0.0f;
    float m_countdownReload = 0.0f;
    float m_increment = 0.0f;
    float m_low = 0.0f;
    float m_high = 0.0f;
    float m_value = 0.0f;
    float m_output = 0.0f;
    float m_outputStep = 1.0f;
    bool m_rising = true;
    bool m_done = false;
};

// Counts one sample down; true when the output may move (the countdown is
// reloaded then, dropping its fraction).
inline bool CRamp::CountdownExpired()
{
    if (m_countdown > 0.0f) {
        m_countdown -= 1.0f;
        return false;
    }
    m_countdown = m_countdownReload;
    return true;
}

inline float CRamp::NextRising()
{
    if (m_value < m_high) {
        m_value += m_increment;
        if (CountdownExpired()) {
            while (m_output < m_value)
                m_output += m_outputStep;
        }
        return m_output;
    }
    m_output = m_high;
    if (m_remaining != 0.0f)
        return m_output;
    m_done = true;
    return m_output;
}

inline float CRamp::NextFalling()
{
    if (m_value > m_low) {
        m_value -= m_increment;
        if (CountdownExpired()) {
            while (m_output > m_value)
                m_output -= m_outputStep;
        }
        return m_output;
    }
    m_output = m_low;
    m_done = true;
    return m_output;
}

inline float CRamp::Next()
{
    if (m_done)
        return m_output;
    if (m_remaining > 0.0f)
        m_remaining -= 1.0f;
    return m_rising ? NextRising() : NextFalling();
}
