#pragma once

// Sine oscillator for vibrato and tremolo: a two-state recurrence with an
// amplitude correction that needs no trigonometry per call.
class CLfo {
public:
    // rateMultiplier: calls per sample; idleValue: output while not running.
    CLfo(float rateMultiplier, float idleValue);

    void setSampleRate(float rate);
    // Sets the frequency in Hz and restarts the phase.
    void SetFrequency(float hz);
    // Restarts at +1.
    void Reset();
    float Next()
    {
        if (!running)
            return m_idleValue;
        const float c = 1.5f - 0.5f * (m_x * m_x + m_y * m_y);
        m_x = (m_x - m_k * m_y) * c;
        m_y = (m_y + m_k * m_x) * c;
        return m_x;
    }
    float frequency() const { return m_frequency; }
    // k, the per-call coefficient of the recurrence.
    float coefficient() const { return m_k; }
    // Whether the state is a pair of numbers (a reset makes it one again).
    bool isFinite() const;

    bool running = false;

private:
    float m_sampleRate = 44100.0f;
    float m_rateMultiplier;
    float m_frequency = 35.0f;
    float m_x = 1.0f;
    float m_y = 0.0f;
    float m_k = 0.0f;
    float m_idleValue;
};
