#include "CLfo.h"

#include <cmath>

namespace {
constexpr float kPi = 3.14159265358979f;
// The recurrence keeps its amplitude near 1 only up to about 0.227 cycles
// per call; above that the amplitude correction overshoots and the state
// grows without bound. Faster settings (Vibrato or Tremolo values a hair
// above 0, or low host rates) run at a fifth of the call rate, where the
// amplitude still stays within 1.22.
constexpr float kFastestCyclesPerCall = 0.2f;
} // namespace

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
    const float callRate = m_rateMultiplier * m_sampleRate;
    const float fastest = kFastestCyclesPerCall * callRate;
    const float hz = m_frequency <= fastest ? m_frequency : fastest;
    m_k = 2.0f * std::sin(kPi * hz / callRate);
}

bool CLfo::isFinite() const
{
    return std::isfinite(m_x) && std::isfinite(m_y);
}
