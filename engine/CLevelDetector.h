#pragma once

#include <cmath>

// Turns the shaped level into the voice's gain: a diode charging a capacitor
// that a resistor discharges, followed by a quadratic gain curve.
class CLevelDetector {
public:
    CLevelDetector() = default;

    void setSampleRate(float rate)
    {
        m_sampleRate = rate;
        m_steady = false;
    }
    // level 0..1; returns the gain, 0 up to a voltage of about 0.66.
    float Next(float level);
    float voltage() const { return m_voltage; }

private:
    float m_sampleRate = 44100.0f;
    float m_rateMultiplier = 1.0f;
    float m_capacitance = 3.3e-6f;
    float m_voltage = 0.0f;
    float m_chargeConductance = 1.0f / 600.0f;
    float m_dischargeConductance = 1.0f / 33000.0f;
    // Once a level no longer moves the voltage, the same level gives the same
    // gain again: kept, so that a held note does not recompute it.
    bool m_steady = false;
    float m_steadyLevel = 0.0f;
    float m_steadyGain = 0.0f;
};

inline float CLevelDetector::Next(float level)
{
    if (m_steady && level == m_steadyLevel)
        return m_steadyGain;
    const float before = m_voltage;
    // A 5-unit supply less a 0.6 diode drop.
    const float u = 5.0f * level - 0.6f;
    const float perSample = m_capacitance * m_rateMultiplier * m_sampleRate;
    if (u > m_voltage)
        m_voltage += (u - m_voltage) * m_chargeConductance / perSample;
    else
        m_voltage += -(m_voltage * m_dischargeConductance) / perSample;
    const float y = m_voltage * (m_voltage * 0.13103318f + 0.24663217f) - 0.21939944f;
    // A level that is not a number, or so large that the curve leaves the
    // float range, would hold the detector there for good: it starts empty.
    if (!std::isfinite(y)) {
        m_voltage = 0.0f;
        m_steady = false;
        return 0.0f;
    }
    m_steady = m_voltage == before;
    m_steadyLevel = level;
    m_steadyGain = y >= 0.0f ? y : 0.0f;
    return m_steadyGain;
}
