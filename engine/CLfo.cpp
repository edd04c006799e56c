#include "CLfo.h"

#include <cmath>

namespace {
constexpr float kPi = 3.14159265358979f;
}

CLfo::CLfo(float rateMultiplier, float idleValue)
    : m_rateMultiplier(rateMultiplier),
      m_idleValue(idleValue)
{
    Reset();
}

void CLfo::setSampleRate(float rate)
{
    m_sampleRate = rate;
    Reset();
}

void CLfo::SetFrequency(float hz)
{
    m_frequency = hz;
    Reset();
}

void CLfo::Reset()
{
    m_x = 1.0f;
    m_y = 0.0f;
    m_k = 2.0f * std::sin(kPi * m_frequency / (m_rateMultiplier * m_sampleRate));
}
