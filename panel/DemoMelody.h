#pragma once

#include "SequencerEvent.h"

// The built-in demonstration melody: four sections over changing rhythm
// patterns and sounds, followed by the end marker.
constexpr int kDemoMelodyLength = 466;
extern const SequencerEvent kDemoMelody[kDemoMelodyLength + 1];
