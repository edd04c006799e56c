#pragma once

#include "AudioEffectX.h"
#include "CCalculator.h"
#include "CCommandQueue.h"
#include "CDisplayModel.h"
#include "CEventManager.h"
#include "CKeyDispatcher.h"
#include "CRhythmBox.h"
#include "CSequencer.h"
#include "CTempoClock.h"
#include "CVoice.h"
#include "ProgramRecord.h"

#include <atomic>

// The instrument: owns every component, applies queued commands on the audio
// thread and renders each block sample by sample.
class CQuibo : public AudioEffectX {
public:
    static constexpr VstInt32 kNumPrograms = 6;
    static constexpr VstInt32 kNumParams = 15;
    static constexpr int kBankChunkSize = 2988;
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
    static constexpr int kFirstSoundParam = kParamSound;
    static constexpr int kLastSoundParam = kParamTremolo;
    enum Mode { kModePlay = 0, kModeRec, kModeCal, kModeOff };

    explicit CQuibo(audioMasterCallback audioMaster);
    ~CQuibo() override;

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    VstInt32 getProgram() override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    void setSampleRate(float sampleRate) override;
    void setBlockSize(VstInt32 blockSize) override;
    void resume() override;
    VstInt32 processEvents(VstEvents* events) override;
    bool string2parameter(VstInt32 index, char* text) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool copyProgram(VstInt32 destination) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    VstPlugCategory getPlugCategory() override;
    VstInt32 canDo(char* text) override;
    VstInt32 getMidiProgramName(VstInt32 channel, MidiProgramName* midiProgramName) override;
    VstInt32 getCurrentMidiProgram(VstInt32 channel, MidiProgramName* currentProgram) override;
    VstInt32 getMidiProgramCategory(VstInt32 channel, MidiProgramCategory* category) override;
    bool hasMidiProgramsChanged(VstInt32 channel) override;
    bool getMidiKeyName(VstInt32 channel, MidiKeyName* keyName) override;

    // Passes an applied parameter or a key state to the editor, if any.
    virtual void notifyEditor(VstInt32 index, float value);

    // Components, for the panel logic and the engine.
    CTempoClock& tempoClock() { return m_tempoClock; }
    CDisplayModel& displayModel() { return m_displayModel; }
    CVoice& voice() { return m_voice; }
    CRhythmBox& rhythmBox() { return m_rhythmBox; }
    CSequencer& sequencer() { return m_sequencer; }
    CCalculator& calculator() { return m_calculator; }
    CEventManager& eventManager() { return m_eventManager; }
    CKeyDispatcher& keyDispatcher() { return m_keyDispatcher; }
    CCommandQueue& commandQueue() { return m_commandQueue; }

    // Panel state owned by the key dispatcher.
    int mode() const { return m_mode.load(std::memory_order_acquire); }
    void setMode(int mode) { m_mode.store(mode, std::memory_order_release); }
    void setBeepPending(int pending) { m_beepPending.store(pending, std::memory_order_relaxed); }
    int beepPending() const { return m_beepPending.load(std::memory_order_relaxed); }
    // The host rate as last set: the number of frames in one second.
    float sampleRateCopy() const { return m_sampleRateCopy; }

    // Serialises the panel's state (key dispatcher flags, sequencer,
    // calculator, programs, tempo-clock switches) between the audio thread
    // and the editor's or host's thread. Held only for short, bounded work.
    SpinLock& panelLock() { return m_panelLock; }

    // The rest expects the panel lock to be held.
    // Stores an applied (clamped) parameter value.
    void storeParameter(VstInt32 index, float value);
    // Keeps a sound edit with the program it was made on.
    void storeInCurrentProgram(VstInt32 index, float value);
    // Program selection: queues the program's sound and the Program value.
    // The host hears of it from announceProgramChange, after the lock.
    void selectProgram(VstInt32 program);
    // Program 5 takes its eight values from the calculator memory's digits.
    void rebuildUserProgram();
    ProgramRecord program(int index);

protected:
    void drainCommands();
    void renderPart(float** outputs, VstInt32 first, VstInt32 frames);
    void fillBuiltInPrograms();
    void refreshBankImage();
    bool restoreBank(const unsigned char* data);
    // Tells the host the program list changed; never called with the panel lock held.
    void announceProgramChange();

    float m_sampleRateCopy = 44100.0f;
    std::atomic<int> m_beepPending{0};
    CTempoClock m_tempoClock;
    CDisplayModel m_displayModel;
    CVoice m_voice;
    CRhythmBox m_rhythmBox;
    CSequencer m_sequencer;
    CCalculator m_calculator;
    CEventManager m_eventManager;
    ProgramRecord m_programs[kNumPrograms];
    unsigned char m_chunkImage[kBankChunkSize];
    ProgramRecord m_programChunk; // what getChunk hands out for one program
    std::atomic<VstInt32> m_currentProgram{0};
    SpinLock m_panelLock;
    std::atomic<bool> m_programChangePending{false};
    // Live values of all fifteen parameters, written on the audio thread and
    // read by any thread.
    std::atomic<float> m_parameterValues[kNumParams];
    std::atomic<int> m_mode{kModeOff};
    CKeyDispatcher m_keyDispatcher;
    CCommandQueue m_commandQueue;
    VstInt32 m_lastFrames = 0;
};
