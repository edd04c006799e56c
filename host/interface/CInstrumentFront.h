#pragma once

#include <cstdint>

// What the instrument tells the front that carries it to a host (the VST 2
// plug-in, the LV2 plug-in, the player). Every call comes from a host or
// editor thread, never from the audio thread: what the audio thread causes
// waits for the front's next CInstrument::deliverNotices.
class CInstrumentFront {
public:
    // A value the instrument changed itself (a program brought its sounds,
    // a program change by MIDI or by the melody, a tempo step), sent only
    // while transportRuns() is false, never inside an edit gesture.
    virtual void parameterChanged(std::int32_t index, float value) = 0;
    // The current program or the program list changed: a host re-reads the
    // program, its name and the parameters.
    virtual void programsChanged() = 0;
    // Whether the host's transport plays or records now: what the instrument
    // changes itself then waits, so that no host records it as automation.
    virtual bool transportRuns() = 0;

protected:
    ~CInstrumentFront() = default;
};
