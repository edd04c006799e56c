#pragma once

#include <cstdint>

// Buffer of accumulated level differences for band-limited step synthesis.
// Steps are written at sub-sample times (1/65536 sample resolution); reading
// integrates the differences, removes the DC part with a one-pole leak,
// limits to 16 bits and applies a per-sample gain.
class CStepBuffer {
public:
    // Entries past the capacity that hold the tails of the last steps.
    static constexpr int32_t kTailEntries = 18;

    CStepBuffer() = default;
    ~CStepBuffer();
    CStepBuffer(const CStepBuffer&) = delete;
    CStepBuffer& operator=(const CStepBuffer&) = delete;

    // Sizes the buffer for ms milliseconds at rate samples per second.
    // Returns "Out of memory" (keeping the old buffer) or null.
    const char* SizeFor(int32_t rate, int32_t ms);
    void SetClocksPerSecond(int32_t rate);
    int32_t ComputeClockFactor(int32_t rate) const;
    void SetLeakFrequency(int32_t hz);
    void ResetBuffer(int entire);
    void CloseFrame(int32_t clocks);
    int32_t ReadyCount() const { return static_cast<int32_t>(m_framePosition >> 16); }
    void Discard(int32_t count);
    int32_t ReadOut(float* out, int32_t max, float low, float high, const float* gains);

    // Adds one step: the writer's amplitude a times the kernel taps, starting
    // at the sample and phase of clock time t within the current frame.
    void AddKernelStep(int32_t t, int32_t amplitude, const int16_t* kernel);

    int32_t clockFactor() const { return m_clockFactor; }
    int32_t capacity() const { return m_capacity; }
    int32_t leakShift() const { return m_leakShift; }
    int32_t sampleRate() const { return m_sampleRate; }

private:
    static bool allZero(const float* gains, int32_t n);

    int32_t m_clockFactor = INT32_MAX;
    uint32_t m_framePosition = 0;
    int32_t* m_entries = nullptr;
    int32_t m_capacity = 0;
    int32_t m_sampleRate = 0;
    int32_t m_integrator = 0;
    int32_t m_leakShift = 0;
    int32_t m_clocksPerSecond = 0;
    int32_t m_leakFrequency = 16;
    int32_t m_capacityMs = 0;
};
