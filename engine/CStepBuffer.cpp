#include "CStepBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {
constexpr int32_t kLargestSize = 65452;
constexpr int32_t kOversize = 65453;
constexpr int kTaps = 16;
// 32769 / 2^31: one 16-bit unit of the integral as a float sample.
constexpr float kSampleScale = 1.5259255e-5f;
} // namespace

CStepBuffer::~CStepBuffer()
{
    delete[] m_entries;
}

const char* CStepBuffer::SizeFor(int32_t rate, int32_t ms)
{
    int64_t size = kOversize;
    if (ms != 0) {
        size = (static_cast<int64_t>(rate) * (ms + 1) + 999) / 1000;
        if (size > kLargestSize)
            size = kOversize;
    }
    if (size != m_capacity || m_entries == nullptr) {
        int32_t* entries = new (std::nothrow) int32_t[static_cast<size_t>(size + kTailEntries)];
        if (entries == nullptr)
            return "Out of memory";
        delete[] m_entries;
        m_entries = entries;
    }
    m_capacity = static_cast<int32_t>(size);
    m_sampleRate = rate;
    m_capacityMs = rate > 0 ? static_cast<int32_t>(size * 1000 / rate - 1) : 0;
    if (m_clocksPerSecond != 0)
        m_clockFactor = ComputeClockFactor(m_clocksPerSecond);
    SetLeakFrequency(m_leakFrequency);
    ResetBuffer(1);
    return nullptr;
}

void CStepBuffer::SetClocksPerSecond(int32_t rate)
{
    m_clocksPerSecond = rate;
    m_clockFactor = ComputeClockFactor(rate);
}

int32_t CStepBuffer::ComputeClockFactor(int32_t rate) const
{
    if (rate <= 0)
        return INT32_MAX;
    return static_cast<int32_t>(std::floor(static_cast<double>(m_sampleRate) / rate * 65536.0 + 0.5));
}

void CStepBuffer::SetLeakFrequency(int32_t hz)
{
    m_leakFrequency = hz;
    if (hz <= 0 || m_sampleRate <= 0) {
        m_leakShift = 31;
        return;
    }
    int32_t shift = 13;
    int32_t g = static_cast<int32_t>(static_cast<int64_t>(hz) * 65536 / m_sampleRate);
    for (;;) {
        g /= 2;
        if (g == 0)
            break;
        --shift;
        if (shift == 0)
            break;
    }
    m_leakShift = shift;
}

void CStepBuffer::ResetBuffer(int entire)
{
    m_framePosition = 0;
    m_integrator = 0;
    if (m_entries != nullptr)
        std::fill(m_entries, m_entries + (entire ? m_capacity : 0) + kTailEntries, 0);
}

void CStepBuffer::CloseFrame(int32_t clocks)
{
    m_framePosition += static_cast<uint32_t>(clocks) * static_cast<uint32_t>(m_clockFactor);
}

void CStepBuffer::Discard(int32_t count)
{
    if (m_entries == nullptr || count <= 0)
        return;
    m_framePosition -= static_cast<uint32_t>(count) << 16;
    const int32_t kept = std::min(ReadyCount(), m_capacity) + kTailEntries;
    std::memmove(m_entries, m_entries + count, sizeof(int32_t) * static_cast<size_t>(kept));
    const int32_t clearEnd = std::min(kept + count, m_capacity + kTailEntries);
    std::fill(m_entries + kept, m_entries + clearEnd, 0);
}

void CStepBuffer::AddKernelStep(int32_t t, int32_t amplitude, const int16_t* kernel)
{
    const uint32_t r = static_cast<uint32_t>(t) * static_cast<uint32_t>(m_clockFactor) + m_framePosition;
    const uint32_t position = r >> 16;
    const int phase = static_cast<int>((r >> 10) & 63);
    // A step past the end would write outside the entries; such a step can
    // only come from a frame longer than the capacity and is dropped.
    if (m_entries == nullptr || position + kTaps > static_cast<uint32_t>(m_capacity + kTailEntries))
        return;
    int32_t* entry = m_entries + position;
    for (int j = 0; j < 8; ++j)
        entry[j] += amplitude * kernel[64 * (j + 1) - phase];
    for (int j = 0; j < 8; ++j)
        entry[8 + j] += amplitude * kernel[64 * (7 - j) + phase];
}

// Whether all n gains are +0.0.
bool CStepBuffer::allZero(const float* gains, int32_t n)
{
    uint32_t any = 0;
    for (int32_t i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, gains + i, sizeof bits);
        any |= bits;
    }
    return any == 0;
}

int32_t CStepBuffer::ReadOut(float* out, int32_t max, float low, float high, const float* gains)
{
    const int32_t n = std::min(std::min(max, ReadyCount()), m_capacity);
    if (n <= 0)
        return 0;
    const float scale = (high - low) * kSampleScale;
    int32_t acc = m_integrator;
    const int32_t shift = m_leakShift;
    if (allZero(gains, n) && scale > 0.0f) {
        // Silence: each sample is a zero with the sign of the integral.
        for (int32_t i = 0; i < n; ++i) {
            const uint32_t bits = static_cast<uint32_t>(acc) & 0x80000000u;
            std::memcpy(out + i, &bits, sizeof bits);
            acc = acc + m_entries[i] - (acc >> shift);
        }
        m_integrator = acc;
        Discard(n);
        return n;
    }
    // The integral, limited to 16 bits, first; then the gains, in a loop
    // without a chain from sample to sample.
    for (int32_t i = 0; i < n; ++i) {
        out[i] = static_cast<float>(std::clamp(acc >> 14, -32768, 32767));
        acc = acc + m_entries[i] - (acc >> shift);
    }
    m_integrator = acc;
    for (int32_t i = 0; i < n; ++i)
        out[i] = out[i] * gains[i] * scale;
    Discard(n);
    return n;
}
