#include "CKeyDispatcher.h"

#include "CCalculator.h"
#include "CDisplayModel.h"
#include "CPanelHost.h"
#include "CRhythmBox.h"
#include "CSequencer.h"
#include "CVoice.h"
#include "ParameterValue.h"
#include "SequencerEvent.h"

#include <cmath>

namespace {

constexpr float kTempoStepValue = 0.055555556f;
constexpr int kBeepNote = 0x63;

} // namespace

// --- entry points -----------------------------------------------------------

void CKeyDispatcher::dispatch(std::int32_t index, float value)
{
    value = clampParameter(value);
    if (index >= 0 && index < kNumParams) {
        applyParameter(index, value);
        m_parts.voice.SetParameter(index, value);
        m_owner->notifyEditor(index, value);
    } else if (index >= KeyReset && index <= KeyOneKey2) {
        functionKey(index, value);
    }
}

void CKeyDispatcher::noteKey(std::int32_t keyCode, float value)
{
    CSequencer& sequencer = m_parts.sequencer;
    if (sequencer.playing() && !(sequencer.paused() && !m_demoPlaying))
        return;
    const int mode = m_owner->mode();
    if (mode == kModePlay || mode == kModeRec) {
        if (keyCode < kFirstNoteKey || keyCode > kLastNoteKey)
            return;
        const int status = value * 127.0f > 0.0f ? kStatusNoteOn : kStatusNoteOff;
        const int velocity = static_cast<int>(clampParameter(value) * 127.0f);
        noteEvent(status, keyCode, velocity);
    } else if (mode == kModeCal && value != 0.0f) {
        calcKey(keyCode);
    }
}

// --- parameters and modes ---------------------------------------------------

void CKeyDispatcher::applyParameter(std::int32_t index, float value)
{
    CPanelHost& owner = *m_owner;
    switch (index) {
    case kParamProgram:
        owner.storeParameter(index, value);
        owner.selectProgram(static_cast<std::int32_t>(std::floor(value * 5.0f)), true);
        break;
    case kParamMode:
        changeMode(value);
        break;
    case kParamTempo: {
        owner.storeParameter(index, value);
        const float tempo = owner.setTempo(std::floor(value * 18.0f) - 9.0f);
        m_parts.displayModel.showTempo(tempo);
        break;
    }
    default:
        owner.storeParameter(index, value);
        if (index >= kFirstSoundParam)
            owner.storeInCurrentProgram(index, value);
        break;
    }
}

void CKeyDispatcher::changeMode(float value)
{
    m_owner->storeParameter(kParamMode, value);
    resetPanel();
    // Suspend and resume carry no state; the host is asked for MIDI once, at
    // its own resume, not from the audio thread at every mode change.
    m_owner->setMode(static_cast<int>(std::floor(value * 3.0f)));
}

void CKeyDispatcher::resetPanel()
{
    CPanelHost& owner = *m_owner;
    m_demoPlaying = false;
    m_stepEndLatch = false;
    owner.flushEvents();
    m_parts.voice.Silence();
    m_parts.sequencer.Reset();
    m_parts.rhythmBox.Reset();
    owner.resetTempoClock();
    m_parts.calculator.clear(true, false);
    m_parts.displayModel.setMode(owner.getParameter(kParamMode), m_parts.calculator.memoryNonZero());
    owner.rebuildUserProgram();
    owner.selectProgram(owner.getProgram(), true);
}

// --- function keys ----------------------------------------------------------

void CKeyDispatcher::functionKey(std::int32_t keyCode, float value)
{
    const int mode = m_owner->mode();
    if (mode == kModeCal) {
        calculatorFunctionKey(keyCode, value);
        return;
    }
    if (mode != kModePlay && mode != kModeRec)
        return;
    const bool rec = mode == kModeRec;
    switch (keyCode) {
    case KeyReset:
        resetKey();
        break;
    case KeyDelete:
        if (rec)
            deleteLastNote();
        break;
    case KeyTempoUp:
        tempoStep(kTempoStepValue);
        break;
    case KeyTempoDown:
        tempoStep(-kTempoStepValue);
        break;
    case KeyRhythm:
        rhythmSelect(value);
        break;
    case KeyErase:
        if (rec && !m_demoPlaying)
            eraseKey();
        break;
    case KeyDemo:
        demoKey();
        break;
    case KeyPlay:
        playKey();
        break;
    case KeyOneKey1:
    case KeyOneKey2:
        oneKeyPlay();
        break;
    default:
        break;
    }
}

// In Cal the function keys are calculator keys; 88 and 93 have no function
// there and memory plus works on the press only.
void CKeyDispatcher::calculatorFunctionKey(std::int32_t keyCode, float value)
{
    if (keyCode == KeyRhythm || keyCode == KeyOneKey2)
        return;
    if (keyCode == KeyOneKey1 && value == 0.0f)
        return;
    calcKey(keyCode);
}

void CKeyDispatcher::calcKey(int keyCode)
{
    CCalculator& calculator = m_parts.calculator;
    const char* text = calculator.key(keyCode);
    m_parts.displayModel.showNumber(text, calculator.displayOperator(), calculator.error(), calculator.memoryNonZero(),
                                    calculator.constantOn());
}

void CKeyDispatcher::tempoStep(float step)
{
    const float tempo = m_owner->tempo();
    const float value = clampParameter((tempo + 9.0f) * kTempoStepValue + step + 0.001f);
    m_owner->queueInternalCommand(kParamTempo, value);
}

void CKeyDispatcher::rhythmSelect(float value)
{
    static const float kThresholds[9] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f};
    int rhythm = 0;
    for (const float threshold : kThresholds) {
        if (value >= threshold)
            ++rhythm;
    }
    m_parts.rhythmBox.SelectPattern(rhythm);
    m_parts.rhythmBox.StartAt(0);
}

void CKeyDispatcher::deleteLastNote()
{
    CSequencer& sequencer = m_parts.sequencer;
    if (sequencer.playing() && !sequencer.paused())
        return;
    if (sequencer.eventCount() == 0 || sequencer.songPointer() == 0)
        return;
    m_parts.displayModel.setMemoryFull(false);
    // The beep's length tells how much memory is left: 5 ms per free event.
    // The constant is single precision, the product is not rounded to float.
    const int left = sequencer.capacity() - sequencer.eventCount();
    beep(static_cast<int>(left * static_cast<double>(m_owner->sampleRateCopy()) * static_cast<double>(0.005f) + 100.0));
    sequencer.StepBack(2);
    if (sequencer.songPointer() == 0)
        m_parts.displayModel.showTempo(m_owner->tempo());
    else
        // The view scrolls right by one note: the two newest remaining notes
        // stay in sight and the one recorded before them comes in at the left.
        m_parts.displayModel.showPreviousNote(sequencer.noteBeforeSongPointer(3));
}

void CKeyDispatcher::demoKey()
{
    CSequencer& sequencer = m_parts.sequencer;
    if (m_demoPlaying) {
        sequencer.Stop();
        resetPanel();
        return;
    }
    resetPanel();
    m_owner->queueInternalCommand(kParamTempo, 0.725f);
    sequencer.SelectMelody(CSequencer::Melody::Demo);
    m_demoPlaying = true;
    sequencer.Play();
}

void CKeyDispatcher::playKey()
{
    CSequencer& sequencer = m_parts.sequencer;
    m_parts.voice.Silence();
    if (sequencer.recordTaken() && sequencer.recordArmed()) {
        sequencer.setRecordTaken(0);
        sequencer.setRecordArmed(0);
    }
    if (sequencer.playing() && m_demoPlaying) {
        sequencer.Stop();
        m_demoPlaying = false;
    }
    if (!sequencer.playing()) {
        m_parts.displayModel.flush(true);
        sequencer.SelectMelody(CSequencer::Melody::Recorded);
        sequencer.Rewind();
        sequencer.Play();
    } else if (!sequencer.paused()) {
        sequencer.Pause(1);
    } else {
        sequencer.GotoEvent(sequencer::kNoteOn, 1);
        sequencer.Pause(0);
    }
}

void CKeyDispatcher::oneKeyPlay()
{
    CSequencer& sequencer = m_parts.sequencer;
    if (sequencer.playing() && m_demoPlaying)
        return;
    if (m_stepEndLatch) {
        m_stepEndLatch = false;
        return;
    }
    if (sequencer.recordArmed()) {
        m_stepEndLatch = true;
        endStep();
        if (sequencer.recordTaken()) {
            sequencer.setRecordArmed(0);
            sequencer.setRecordTaken(0);
        }
        return;
    }
    if (!sequencer.playing()) {
        m_demoPlaying = false;
        sequencer.SelectMelody(CSequencer::Melody::Recorded);
        sequencer.setPaused(1);
        sequencer.Play();
    }
    if (!sequencer.paused())
        return;
    if (sequencer.Step(m_owner->mode() == kModeRec ? 1 : 0) != 0)
        return;
    m_stepEndLatch = true;
    endStep();
}

void CKeyDispatcher::endStep()
{
    m_parts.voice.Silence();
    m_parts.rhythmBox.RequestStop();
    m_parts.displayModel.showTempo(m_owner->tempo());
}

void CKeyDispatcher::eraseKey()
{
    resetPanel();
    CSequencer& sequencer = m_parts.sequencer;
    sequencer.Empty();
    sequencer.setRecordArmed(1);
    sequencer.setRecordTaken(0);
    m_owner->queueInternalCommand(kParamTempo, 0.5f);
}

void CKeyDispatcher::resetKey()
{
    CSequencer& sequencer = m_parts.sequencer;
    if (m_owner->mode() == kModeRec && sequencer.recordTaken()) {
        sequencer.setRecordArmed(0);
        sequencer.setRecordTaken(0);
    }
    sequencer.Stop();
    resetPanel();
}

// --- notes and the confirmation beep -----------------------------------------

void CKeyDispatcher::noteEvent(int status, int note, int velocity)
{
    if (m_owner->mode() == kModeRec) {
        CSequencer& sequencer = m_parts.sequencer;
        const bool full = sequencer.eventCount() >= sequencer.capacity();
        m_parts.displayModel.setMemoryFull(full);
        if (full && sequencer.recordArmed())
            return;
        if (sequencer.eventCount() == 0 && !sequencer.recordArmed() && status == kStatusNoteOn)
            beep(static_cast<int>(m_owner->sampleRateCopy()));
        SequencerEvent event{};
        event.status = static_cast<std::uint8_t>(status);
        event.data1 = static_cast<std::uint8_t>(note);
        event.data2 = static_cast<std::uint8_t>(velocity);
        sequencer.Record(event);
    }
    queueMidi(0, status, note, velocity, 0);
}

void CKeyDispatcher::beep(int frames)
{
    // The beep voice on, its note, the note's end as a marker that holds back
    // later events until it is played, and the beep voice off.
    queueMidi(0, kStatusController, kControllerBeepVoice, 1, 0);
    queueMidi(0, kStatusNoteOn, kBeepNote, 0x7F, 0);
    queueMidi(frames, kStatusNoteOff, kBeepNote, 0x7F, 1);
    queueMidi(0, kStatusController, kControllerBeepVoice, 0, 0);
    m_owner->setBeepPending(1);
}

void CKeyDispatcher::queueMidi(int delta, int status, int data1, int data2, int flags)
{
    m_owner->queueMidi(delta, status, data1, data2, flags);
}
