#include "CRamp.h"

#include <algorithm>
#include <cmath>

namespace {
// The update period in ms: one time unit of the stage tables.
constexpr float kTimeUnit = 2400.0f / 200000.0f;
} // namespace

CRamp::CRamp()
{
    m_updatePeriod = kTimeUnit * 1000.0f;
}

void CRamp::setSampleRate(float rate)
{
    m_sampleRate = rate;
}

void CRamp::Start(float startLevel, float durationMs, float endLevel, bool isAttack, float timeScale)
{
    m_timeScale = timeScale;
    m_duration = durationMs;
    m_low = std::min(startLevel, endLevel);
    m_high = std::max(startLevel, endLevel);
    m_rising = startLevel <= endLevel;
    const float length = m_timeScale * m_sampleRate * m_duration * 0.001f;
    m_remaining = std::trunc(length);
    m_increment = length != 0.0f ? (m_high - m_low) / length : m_high - m_low;
    m_countdownReload = UpdateCountdown();
    m_countdown = m_countdownReload;
    if (isAttack)
        m_output = m_rising ? m_low : m_high;
    m_value = m_output;
    m_done = false;
}

void CRamp::setLevel(float level)
{
    m_output = level;
    m_value = level;
}

// The countdown starts at the update period in samples (529.2 at 44100) and
// moves the output when it has run below zero, so the output moves every
// ceil(countdown) + 1 calls: 531 at 44100. At other rates the countdown keeps
// that interval the same in seconds (to the nearest call).
float CRamp::UpdateCountdown() const
{
    const float samples = m_updatePeriod * m_timeScale * m_sampleRate * 0.001f;
    const float interval = std::round(samples * (531.0f / 529.2f));
    return interval - (531.0f - 529.2f);
}
