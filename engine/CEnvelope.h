#pragma once

#include "CRamp.h"

// The five-stage level envelope (attack, decay, sustain, sustain time,
// release) on sixteen levels 0..15, driven by table rows chosen by index.
class CEnvelope {
public:
    enum Stage { kIdle = 0, kAttack, kDecay, kSustain, kRelease };
    enum StageIndex { kIndexAttack = 0, kIndexDecay, kIndexSustainLevel, kIndexSustainTime, kIndexRelease };

    CEnvelope();

    void setSampleRate(float rate);
    // value: 10 × parameter value, 0..10; used from the next stage start on.
    void SetStageIndex(int stage, float value);
    void GateOn();
    void GateOff();
    float Next();
    void Clear();
    int Stage() const { return m_stage; }

private:
    static constexpr float kLevelScale = 1.0f / 15.0f;

    static int rowOf(float index);
    float sustainLevel() const;
    // Durations are in table units of 12 ms.
    void StartStage(int stage, float start, float end, float units);
    void StartSustain();
    void StartRelease();
    void AdvanceFromAttack();

    float m_attack = 0.0f;
    float m_decay = 0.0f;
    float m_sustainLevel = 1.0f;
    float m_sustainTime = 9.0f;
    float m_release = 4.0f;
    float m_gain = 0.0f;
    int m_stage = kIdle;
    bool m_releasePending = false;
    float m_idleThreshold = 1e-6f;
    float m_fullGain = 1.0f;
    CRamp m_ramp;
};

inline float CEnvelope::Next()
{
    if (m_stage != kIdle) {
        const float v = m_ramp.Next();
        m_gain = v * kLevelScale;
        if (m_gain >= m_fullGain) {
            m_gain = m_fullGain;
        } else if (!(m_gain > m_idleThreshold)) {
            m_gain = 0.0f;
            m_stage = kIdle;
        }
    }
    if (m_stage == kAttack && m_ramp.done())
        AdvanceFromAttack();
    else if (m_stage == kDecay && sustainLevel() * kLevelScale >= m_gain)
        StartSustain();
    return m_gain;
}
