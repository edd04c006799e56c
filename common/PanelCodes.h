#pragma once

// The instrument's numbers, named once: parameter indexes, panel modes, the
// panel's key codes and the MIDI controllers the voice and the rhythm box
// answer.

#include "InstrumentCounts.h"

// The fifteen parameters, in the host's order.
enum ParameterIndex {
    kParamProgram = 0,
    kParamMode,
    kParamVolume,
    kParamBalance,
    kParamOctave,
    kParamTune,
    kParamSound,
    kParamAttack,
    kParamDecay,
    kParamSustainLevel,
    kParamSustainTime,
    kParamRelease,
    kParamVibrato,
    kParamTremolo,
    kParamTempo,
};
constexpr int kFirstSoundParam = kParamSound;
constexpr int kLastSoundParam = kParamTremolo;
// Program 5 takes its sound from the calculator's memory.
constexpr int kUserProgram = 5;

// The panel's mode: floor(3 x the Mode value).
enum PanelMode { kModePlay = 0, kModeRec, kModeCal, kModeOff };

// The panel's 39 keys: note keys carry the MIDI note they sound, then the
// function keys. The same numbers are the tags of the editor's keys.
constexpr int kFirstNoteKey = 55;
constexpr int kLastNoteKey = 83;
enum KeyCode {
    KeyReset = 84,
    KeyDelete,
    KeyTempoUp,
    KeyTempoDown,
    KeyRhythm,
    KeyErase,
    KeyDemo,
    KeyPlay,
    KeyOneKey1,
    KeyOneKey2,
};

// MIDI controllers on the voice's and the rhythm box's channels.
enum MidiController {
    kControllerRhythmSelect = 80,
    kControllerRhythmStart = 81,
    kControllerRhythmStop = 82,
    kControllerBeepVoice = 86,
    kControllerFirstRelease = 120, // 120 to 127 release the note
};

// MIDI status bytes the instrument reads and writes (channel 1).
enum MidiStatus { kStatusNoteOff = 0x80, kStatusNoteOn = 0x90, kStatusController = 0xB0, kStatusProgramChange = 0xC0 };
