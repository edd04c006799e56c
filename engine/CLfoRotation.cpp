#include "CLfoRotation.h"

#include <cmath>

namespace {
// Above this coefficient (about 56 Hz at 16 x 44100 calls per second) the
// amplitude correction bends the recurrence's orbit measurably away from a
// rotation: at 56 Hz its values stray up to 1e-4 from the rotation's.
constexpr float kLargestCoefficient = 5e-4f;

struct Complex {
    double re, im;
};

Complex times(Complex a, Complex b)
{
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
} // namespace

void CLfoRotation::setCoefficient(float k)
{
    m_usable = k > 0.0f && k <= kLargestCoefficient;
    const double kk = m_usable ? static_cast<double>(k) : 0.0;
    // cos(w / 2) and sin(w / 2) = k / 2; cos w = 1 - k^2 / 2.
    const double halfCos = std::sqrt(1.0 - 0.25 * kk * kk);
    m_amplitude = 1.0 / halfCos;
    m_halfSin = 0.5 * kk;
    const Complex turn = {1.0 - 0.5 * kk * kk, kk * halfCos};
    Complex power = {1.0, 0.0};
    Complex sum = {0.0, 0.0};
    m_sumRe[0] = 0.0;
    m_sumIm[0] = 0.0;
    for (int j = 1; j <= kCallsPerSample; ++j) {
        power = times(power, turn);
        sum = {sum.re + power.re, sum.im + power.im};
        m_sumRe[j] = sum.re;
        m_sumIm[j] = sum.im;
    }
    const Complex sample = power;
    Complex at = {1.0, 0.0};
    for (int j = 0; j < kTableSamples; ++j) {
        m_turnRe[j] = at.re;
        m_turnIm[j] = at.im;
        at = times(at, sample);
    }
    m_anchorStepRe = at.re;
    m_anchorStepIm = at.im;
    Reset();
}

void CLfoRotation::Reset()
{
    m_index = 0;
    // amplitude * e^{-i w / 2}: the first value is 1.
    m_anchorRe = 1.0;
    m_anchorIm = -m_amplitude * m_halfSin;
}

void CLfoRotation::nextAnchor()
{
    const Complex next = times({m_anchorRe, m_anchorIm}, {m_anchorStepRe, m_anchorStepIm});
    const double scale = m_amplitude / std::sqrt(next.re * next.re + next.im * next.im);
    m_anchorRe = next.re * scale;
    m_anchorIm = next.im * scale;
}
