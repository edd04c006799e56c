#include "CStepWriter.h"

#include "CStepBuffer.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr int kPhases = 64;
constexpr int kHalfSize = 480;
constexpr int kWorkSize = 608;
} // namespace

CStepWriter::CStepWriter(int16_t* kernel)
    : m_kernel(kernel)
{
    std::fill(m_kernel, m_kernel + kKernelSize, int16_t{0});
}

// Fills values[0..479] with the first half of a windowed band-limited
// impulse whose treble falls by trebleDb above the roll-off point.
static void designHalfImpulse(float* values, int width, double trebleDb, double rolloffFrequency, double sampleRate,
                              double cutoffFrequency)
{
    const int halfSize = 32 * (width - 1);
    double oversample = kPhases * 2.25 / halfSize + 0.85;
    const double halfRate = sampleRate * 0.5;
    if (cutoffFrequency != 0.0)
        oversample = halfRate / cutoffFrequency;
    double cutoff = rolloffFrequency * oversample / halfRate;
    const double m = kPhases * oversample;
    cutoff = std::min(cutoff, 0.999);
    const double treble = std::clamp(trebleDb, -300.0, 5.0);
    const double n = 4096.0;
    const double r = std::pow(10.0, treble / (20.0 * n) / (1.0 - cutoff));
    const double q = std::pow(r, n - n * cutoff);
    const double w = kPi / (2.0 * n * m);
    for (int i = 0; i < halfSize; ++i) {
        const double theta = ((i - halfSize) * 2 + 1) * w;
        const double k1 = std::cos(theta);
        const double k2 = std::cos(n * cutoff * theta);
        const double k3 = std::cos((n * cutoff - 1.0) * theta);
        const double u = q * (r * std::cos((n - 1.0) * theta) - std::cos(n * theta)) - r * k3 + k2;
        const double v = 1.0 + r * (r - 2.0 * k1);
        const double b = 2.0 - 2.0 * k1;
        const double a = 1.0 - k1 - k2 + k3;
        values[i] = static_cast<float>((a * v + u * b) / (b * v));
    }
    for (int i = 0; i < halfSize; ++i) {
        const double window = 0.54 - 0.46 * std::cos(kPi * i / (halfSize - 1));
        values[i] = static_cast<float>(values[i] * window);
    }
}

void CStepWriter::BuildKernel(double trebleDb, double rolloffFrequency, double sampleRate, double cutoffFrequency)
{
    float f[kWorkSize] = {};
    designHalfImpulse(f + kPhases, m_width, trebleDb, rolloffFrequency, sampleRate, cutoffFrequency);
    const int centre = kPhases + kHalfSize;
    for (int i = 0; i < kPhases; ++i)
        f[centre + i] = f[centre - 1 - i];

    double total = 0.0;
    for (int i = kPhases; i < centre; ++i)
        total += f[i];
    const double rescale = 32768.0 / 2.0 / total;
    m_kernelSum = 32768;

    // Each entry integrates 64 consecutive impulse values: one output sample.
    double sum = 0.0;
    double next = 0.0;
    for (int i = 0; i < kKernelSize; ++i) {
        m_kernel[i] = static_cast<int16_t>(std::floor((next - sum) * rescale + 0.5));
        sum += f[i];
        next += f[i + kPhases];
    }
    CorrectPhaseSums();

    if (m_outputLevel != 0.0) {
        const double level = m_outputLevel;
        m_outputLevel = 0.0;
        SetOutputLevel(level);
    }
}

// Makes the 16 taps of every phase add up exactly to the kernel sum, so a
// step changes the integral by the same amount at any phase.
void CStepWriter::CorrectPhaseSums()
{
    for (int p = 63; p >= 31; --p) {
        const int p2 = 62 - p;
        int32_t error = m_kernelSum;
        for (int i = 1; i <= 449; i += 64)
            error -= m_kernel[i + p] + m_kernel[i + p2];
        if (p == p2)
            error /= 2;
        m_kernel[449 + p] = static_cast<int16_t>(m_kernel[449 + p] + error);
    }
}

void CStepWriter::SetOutputLevel(double level)
{
    if (level == m_outputLevel)
        return;
    if (m_kernelSum == 0)
        BuildKernel(-8.0, 0.0, 44100.0, 0.0);
    m_outputLevel = level;
    double f = level * 1073741824.0 / m_kernelSum;
    if (f > 0.0) {
        int shift = 0;
        while (f < 2.0 && shift < 30) {
            ++shift;
            f *= 2.0;
        }
        if (shift > 0) {
            m_kernelSum >>= shift;
            const int32_t round = 1 << (shift - 1);
            for (int i = 0; i < kKernelSize; ++i)
                m_kernel[i] = static_cast<int16_t>(((m_kernel[i] + 32768 + round) >> shift) - (32768 >> shift));
            CorrectPhaseSums();
        }
    }
    m_stepScale = static_cast<int32_t>(std::floor(f + 0.5));
}

void CStepWriter::AddStep(int32_t t, int32_t d)
{
    if (m_buffer != nullptr)
        m_buffer->AddKernelStep(t, m_stepScale * d, m_kernel);
}
