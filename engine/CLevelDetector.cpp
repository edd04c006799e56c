#include "CLevelDetector.h"

#include <cmath>

float CLevelDetector::Next(float level)
{
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
        return 0.0f;
    }
    return y >= 0.0f ? y : 0.0f;
}
