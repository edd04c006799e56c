#pragma once

class CCalculator;
class CDisplayModel;
class CRhythmBox;
class CSequencer;
class CVoice;

// The components the key dispatcher works, handed to it once by the
// instrument that owns them all. They outlive the dispatcher.
struct CPanelParts {
    CVoice& voice;
    CRhythmBox& rhythmBox;
    CSequencer& sequencer;
    CCalculator& calculator;
    CDisplayModel& displayModel;
};
