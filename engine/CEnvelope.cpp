#include "CEnvelope.h"

namespace {

// Durations are in table units of 12 ms.
constexpr float kUnitMs = 12.0f;
// Sustain-time rows with duration -1 hold: the stage gets this many ms.
constexpr float kHoldMs = 9999999.0f;
// An attack of duration 0 still holds its level this long.
constexpr float kShortestAttackMs = 18.0f;
constexpr int kRows = 11;

struct TableRow {
    float start;
    float end;
    float units;
};

constexpr TableRow kAttackRows[kRows] = {
    {15, 15, 0}, {11, 15, 1}, {7, 15, 4},  {5, 15, 7},  {4, 15, 10}, {4, 15, 13},
    {3, 15, 16}, {3, 15, 19}, {3, 15, 22}, {3, 15, 25}, {2, 15, 28},
};
constexpr TableRow kDecayRows[kRows] = {
    {15, 0, 0},  {15, 0, 9},  {15, 0, 18}, {15, 0, 27}, {15, 0, 39}, {15, 0, 48},
    {15, 0, 58}, {15, 0, 67}, {15, 0, 78}, {15, 0, 87}, {15, 0, 98},
};
constexpr float kSustainLevels[kRows] = {1, 2, 4, 6, 8, 10, 12, 13, 14, 15, 15};
constexpr TableRow kSustainTimeRows[kRows] = {
    {15, 0, 0},   {15, 0, 79},  {15, 0, 154}, {15, 0, 231}, {15, 0, 312}, {15, 0, 389},
    {15, 0, 467}, {15, 0, 543}, {15, 0, 615}, {15, 0, -1},  {15, 0, -1},
};
constexpr TableRow kReleaseRows[kRows] = {
    {14, 0, 0},   {14, 0, 26},  {14, 0, 48},  {14, 0, 73},  {14, 0, 96},  {14, 0, 116},
    {14, 0, 142}, {14, 0, 167}, {14, 0, 193}, {14, 0, 217}, {14, 0, 242},
};

} // namespace

CEnvelope::CEnvelope() = default;

void CEnvelope::setSampleRate(float rate)
{
    m_ramp.setSampleRate(rate);
}

int CEnvelope::rowOf(float index)
{
    const int row = static_cast<int>(index);
    return row < 0 ? 0 : row >= kRows ? kRows - 1 : row;
}

void CEnvelope::SetStageIndex(int stage, float value)
{
    switch (stage) {
    case kIndexAttack:
        m_attack = value;
        break;
    case kIndexDecay:
        m_decay = value;
        break;
    case kIndexSustainLevel:
        m_sustainLevel = value;
        break;
    case kIndexSustainTime:
        m_sustainTime = value;
        break;
    case kIndexRelease:
        m_release = value;
        break;
    default:
        break;
    }
}

float CEnvelope::sustainLevel() const
{
    return kSustainLevels[rowOf(m_sustainLevel)];
}

void CEnvelope::StartStage(int stage, float start, float end, float units)
{
    m_stage = stage;
    m_releasePending = false;
    float duration = units * kUnitMs;
    if (stage == kSustain) {
        if (units < 0.0f)
            duration = kHoldMs;
    } else if (!(duration > 0.0f) && stage == kAttack) {
        duration = kShortestAttackMs;
    }
    m_ramp.Start(start, duration, end, stage == kAttack, 1.0f);
}

void CEnvelope::StartSustain()
{
    const TableRow& row = kSustainTimeRows[rowOf(m_sustainTime)];
    StartStage(kSustain, row.start, row.end, row.units);
}

void CEnvelope::StartRelease()
{
    const TableRow& row = kReleaseRows[rowOf(m_release)];
    StartStage(kRelease, row.start, row.end, row.units);
}

void CEnvelope::GateOn()
{
    const TableRow& row = kAttackRows[rowOf(m_attack)];
    StartStage(kAttack, row.start, row.end, row.units);
}

void CEnvelope::GateOff()
{
    if (m_stage == kIdle)
        return;
    if (m_stage == kAttack)
        m_releasePending = true;
    else
        StartRelease();
}

void CEnvelope::Clear()
{
    m_gain = 0.0f;
    m_stage = kIdle;
    m_releasePending = false;
}

void CEnvelope::AdvanceFromAttack()
{
    if (m_releasePending) {
        StartRelease();
    } else if (rowOf(m_decay) != 0) {
        const TableRow& row = kDecayRows[rowOf(m_decay)];
        StartStage(kDecay, row.start, row.end, row.units);
    } else {
        StartSustain();
        m_ramp.setLevel(sustainLevel());
    }
}
