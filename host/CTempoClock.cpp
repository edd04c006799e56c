#include "CTempoClock.h"

#include "CQuibo.h"
#include "SampleRateRange.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

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

// The same additions as step(), many at a time. While the phase stays within
// one binade [2^e, 2^(e+1)) every sum is rounded to a multiple of the same
// unit, of which the phase is one; so each addition adds the same amount,
// the increment rounded to that unit (unless it lies exactly halfway between
// two multiples, where the rounding alternates), and n additions add n times
// it. Samples near a binade's top or a tick, and phases below the increment,
// are stepped one by one.
int CTempoClock::stepQuietly(int count)
{
    if (m_owner == nullptr)
        return count;
    float phase = m_phase;
    int stepped = 0;
    // In a binade that holds fewer than 16 additions single steps are cheaper.
    const float evenFrom = 32.0f * m_increment;
    while (stepped < count) {
        const int run = phase >= evenFrom ? evenSteps(phase, count - stepped) : 0;
        if (run > 0) {
            stepped += run;
            continue;
        }
        const float next = phase + m_increment;
        if (!(next < m_period))
            break;
        phase = next;
        ++stepped;
    }
    m_phase = phase;
    return stepped;
}

namespace {

double powerOfTwo(int exponent)
{
    const uint64_t bits = static_cast<uint64_t>(1023 + exponent) << 52;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

// Adds the increment to phase up to limit times where every addition adds the
// same amount and none reaches the period; answers how many (0 where that
// does not hold). The sums below are exact in double precision.
int CTempoClock::evenSteps(float& phase, int limit) const
{
    if (!(phase >= m_increment && m_increment > 0.0f && phase < m_period && m_period < 1.0f))
        return 0;
    uint32_t bits;
    std::memcpy(&bits, &phase, sizeof bits);
    // phase lies in [2^(e - 1), 2^e); its unit is 2^(e - 24).
    const int e = static_cast<int>((bits >> 23) & 0xFF) - 126;
    const double unit = powerOfTwo(e - 24);
    const double top = powerOfTwo(e);
    const double start = phase;
    const double increment = m_increment;
    const double units = increment * powerOfTwo(24 - e);
    const double whole = static_cast<double>(static_cast<int64_t>(units));
    if (units - whole == 0.5)
        return 0;
    const double added = (units - whole < 0.5 ? whole : whole + 1.0) * unit;
    // The n-th addition stays in the binade while its exact sum is at least
    // a unit below the top, and must leave the phase below the period.
    const double inBinade = (top - unit - increment - start) / added + 1.0;
    const double beforeTick = (static_cast<double>(m_period) - start) / added;
    double n = static_cast<double>(static_cast<int64_t>(std::min({inBinade, beforeTick, static_cast<double>(limit)})));
    while (n >= 1.0 && !(start + (n - 1.0) * added + increment <= top - unit && start + n * added < m_period))
        n -= 1.0;
    if (!(n >= 1.0))
        return 0;
    phase = static_cast<float>(start + n * added);
    return static_cast<int>(n);
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
