#pragma once

// The host sample rates the engine accepts. A rate outside this range (or
// not a number) is ignored by every component alike, so they never disagree
// about the rate they run at.
constexpr float kMinSampleRate = 1000.0f;
constexpr float kMaxSampleRate = 1000000.0f;

inline bool isUsableSampleRate(float rate)
{
    return rate >= kMinSampleRate && rate <= kMaxSampleRate;
}
