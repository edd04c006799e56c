#pragma once

#include "AudioEffectX.h"
#include "BankExtension.h"
#include "CCalculator.h"
#include "CCommandQueue.h"
#include "CDisplayModel.h"
#include "CEventManager.h"
#include "CEditorNotices.h"
#include "CKeyDispatcher.h"
#include "CPanelAccess.h"
#include "CPanelLock.h"
#include "CRhythmBox.h"
#include "CSequencer.h"
#include "CTempoClock.h"
#include "CVoice.h"
#include "ProgramRecord.h"

#include <atomic>

// The instrument: owns every component, applies queued commands on the audio
// thread and renders each block sample by sample.
//
// Threads. The audio thread owns the voice, the rhythm box, the event queue
// and the tempo clock's timing; it never waits for another thread. What other
// threads send it that is small and ordered (parameters, panel keys, MIDI)
// goes through lock-free queues. The panel's state (see CPanelLock) is shared:
// a host thread that loads a chunk or a program applies it itself under the
// panel lock, which the audio thread only tries; while it cannot have it, the
// audio thread keeps rendering and catches up on the panel work at the next
// sample where the try succeeds. Host calls back to the host are never made
// from the audio thread: program-change announcements wait for the host's
// next dispatcher call.
class CQuibo : public AudioEffectX {
public:
    static constexpr VstInt32 kNumPrograms = 6;
    static constexpr VstInt32 kNumParams = 15;
    // The fixed bank image; the saved bank chunk adds the extension after it.
    static constexpr int kBankChunkSize = 2988;
    static constexpr int kSavedBankSize = kBankChunkSize + bankextension::kSize;
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

    // Publishes an applied parameter or a key state for the editor's idle.
    void notifyEditor(VstInt32 index, float value);
    CEditorNotices& editorNotices() { return m_editorNotices; }

    // A note key played on the panel (the editor's thread): 1.0 press, 0.0
    // release. It reaches the key dispatcher through the command queue.
    void panelNoteKey(VstInt32 keyCode, float value);
    // A command from the audio thread's own panel work or MIDI (a program
    // change, a tempo step), applied at the next drain.
    void queueInternalCommand(VstInt32 index, float value);
    // Sends the host notices deferred from the audio thread before a host
    // request is answered.
    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

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

    CPanelLock& panelLock() { return m_panelLock; }

    // The rest expects the panel lock to be held (or panel access on the
    // audio thread).
    // Stores an applied (clamped) parameter value.
    void storeParameter(VstInt32 index, float value);
    // Keeps a sound edit with the program it was made on.
    void storeInCurrentProgram(VstInt32 index, float value);
    // Program selection. On the audio thread (applyNow) the program's sound
    // values are applied at once, so a sound edit queued after the selection
    // wins; on another thread they are stored and queued for the voice. The
    // Program value is stored, not queued, so the selection is not made
    // again later. The host hears of it from announceProgramChange.
    void selectProgram(VstInt32 program, bool applyNow);
    // Program 5 takes its eight values from the calculator memory's digits.
    void rebuildUserProgram();
    ProgramRecord program(int index);

    // Key codes of panel note keys in the command queue are offset by this.
    static constexpr VstInt32 kNoteKeyCommand = 0x100;

protected:
    void drainCommands(CPanelAccess& access);
    void applyCommand(const CCommandQueue::Command& command);
    void dispatchDue(VstInt32 now, CPanelAccess& access);
    void stepTempoClock(CPanelAccess& access);
    void renderPart(float** outputs, VstInt32 first, VstInt32 frames);
    void storeStartupValues();
    void fillBuiltInPrograms();
    void refreshBankImage();
    bool restoreBank(const unsigned char* data, const bankextension::Content* extension);
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
    unsigned char m_chunkImage[kSavedBankSize];
    ProgramRecord m_programChunk; // what getChunk hands out for one program
    std::atomic<VstInt32> m_currentProgram{0};
    CPanelLock m_panelLock;
    std::atomic<bool> m_programChangePending{false};
    CEditorNotices m_editorNotices;
    // Ticks whose panel part waits for panel access (audio thread only), at
    // most kMaxDeferredTicks (ten seconds at the fastest tempo).
    static constexpr int kMaxDeferredTicks = 1800;
    int m_deferredTicks = 0;
    // Live values of all fifteen parameters, written on the audio thread and
    // read by any thread.
    std::atomic<float> m_parameterValues[kNumParams];
    std::atomic<int> m_mode{kModeOff};
    CKeyDispatcher m_keyDispatcher;
    CCommandQueue m_commandQueue;
    // Commands from the audio thread itself; only that thread touches it.
    CCommandQueue m_internalCommands;
    VstInt32 m_lastFrames = 0;
};
