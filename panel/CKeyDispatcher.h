#pragma once

#include "CPanelParts.h"
#include "PanelCodes.h"

#include <cstdint>

class CPanelHost;
struct SequencerEvent;

// Turns queued commands (parameters 0 to 14, function keys 84 to 93) and
// panel note keys into actions on the instrument's components, for each of
// the four modes. The components come at construction; what else it needs of
// the instrument comes through the owner (CPanelHost).
//
// Commands and panel note keys are applied on the audio thread, with panel
// access (the owner's panel lock, tried), so the sequencer, the calculator
// and the panel flags see one key at a time. No handler waits for anything
// or calls the host.
class CKeyDispatcher {
public:
    explicit CKeyDispatcher(const CPanelParts& parts)
        : m_parts(parts)
    {
    }
    void setOwner(CPanelHost* owner) { m_owner = owner; }

    // Applies one queued command.
    void dispatch(std::int32_t index, float value);
    // A note key from the panel: 1.0 press, 0.0 release.
    void noteKey(std::int32_t keyCode, float value);

    void resetPanel();
    void beep(int frames);
    void calcKey(int keyCode);

    bool demoPlaying() const { return m_demoPlaying; }
    bool stepEndLatch() const { return m_stepEndLatch; }

private:
    void applyParameter(std::int32_t index, float value);
    void changeMode(float value);
    void functionKey(std::int32_t keyCode, float value);
    void calculatorFunctionKey(std::int32_t keyCode, float value);
    void noteEvent(int status, int note, int velocity);
    void tempoStep(float step);
    void rhythmSelect(float value);
    void deleteLastNote();
    void demoKey();
    void playKey();
    void oneKeyPlay();
    void endStep();
    void eraseKey();
    void resetKey();
    void queueMidi(int delta, int status, int data1, int data2, int flags);

    CPanelHost* m_owner = nullptr;
    CPanelParts m_parts;
    bool m_demoPlaying = false;
    bool m_stepEndLatch = false;
};
