#pragma once

// Turns the shaped level into the voice's gain: a diode charging a capacitor
// that a resistor discharges, followed by a quadratic gain curve.
class CLevelDetector {
public:
    CLevelDetector() = default;

    void setSampleRate(float rate) { m_sampleRate = rate; }
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
};
