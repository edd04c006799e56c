#pragma once

#include <cstdint>

// What the panel logic needs of the instrument that owns it: parameter
// values and programs, the panel mode, the event queue and the tempo clock.
// The components it works come once, at wiring (CPanelParts). CQuibo
// implements it; the panel calls it on the audio thread with panel access, or
// on a host thread holding the panel lock.
class CPanelHost {
public:
    virtual ~CPanelHost() = default;

    // Parameters and programs.
    virtual float getParameter(std::int32_t index) = 0;
    virtual void storeParameter(std::int32_t index, float value) = 0;
    virtual void storeInCurrentProgram(std::int32_t index, float value) = 0;
    virtual void selectProgram(std::int32_t program, bool applyNow) = 0;
    virtual void rebuildUserProgram() = 0;
    virtual std::int32_t getProgram() = 0;
    // A command for the next drain (audio thread).
    virtual void queueInternalCommand(std::int32_t index, float value) = 0;
    virtual void notifyEditor(std::int32_t index, float value) = 0;
    // The LCD's content was published (CDisplayModel): the editor has it to show.
    virtual void displayPublished() = 0;

    // The panel mode and the host's rate (the samples in one second).
    virtual int mode() const = 0;
    virtual void setMode(int mode) = 0;
    virtual float sampleRateCopy() const = 0;
    virtual void setBeepPending(int pending) = 0;

    // The event queue: a MIDI message delta samples from now; flags mark a
    // marker event that moves the queue's time base.
    virtual void queueMidi(int delta, int status, int data1, int data2, int flags) = 0;
    virtual void flushEvents() = 0;

    // The tempo clock.
    enum ClockFlag { kClockSequencerRunning = 1, kClockCountSteps = 2 };
    virtual float tempo() const = 0;
    virtual float setTempo(float tempo) = 0;
    virtual void resetTempoClock() = 0;
    virtual void setClockFlag(ClockFlag flag, int value) = 0;
};
