#pragma once

#include <cstdint>

class CStepBuffer;

// Owns the design of the band-limited step kernel and writes level changes
// into a CStepBuffer. The kernel holds 64 phases of half a 16-tap impulse,
// each tap the impulse integrated over one output sample.
class CStepWriter {
public:
    static constexpr int kKernelSize = 513;

    // kernel: storage for kKernelSize entries, owned by the caller.
    explicit CStepWriter(int16_t* kernel);

    void BuildKernel(double trebleDb, double rolloffFrequency, double sampleRate, double cutoffFrequency);
    void SetOutputLevel(double level);
    // Writes the change d of the output level at clock t of the current frame.
    void AddStep(int32_t t, int32_t d);

    void setOutputBuffer(CStepBuffer* buffer) { m_buffer = buffer; }
    int32_t currentLevel() const { return m_currentLevel; }
    void setCurrentLevel(int32_t level) { m_currentLevel = level; }
    int32_t stepScale() const { return m_stepScale; }
    int32_t kernelSum() const { return m_kernelSum; }
    const int16_t* kernel() const { return m_kernel; }

private:
    void CorrectPhaseSums();

    double m_outputLevel = 0.0;
    int16_t* m_kernel;
    int32_t m_width = 16;
    int32_t m_kernelSum = 0;
    CStepBuffer* m_buffer = nullptr;
    int32_t m_currentLevel = 0;
    int32_t m_stepScale = 0;
};
